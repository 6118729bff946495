// The TLS layer on Windows: Schannel through SSPI. Schannel's own certificate validation is
// turned off; the chain and the host name are checked here, so a partial chain that some
// systems' SSL policy would pass is refused all the same.
#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS  // SCH_CREDENTIALS
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS  // dwUrlRetrievalTimeout
#include <windows.h>
#include <subauth.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/tls_session.h"

namespace platform::tls {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes from the server not yet used: a few whole records, never more.
constexpr std::size_t kIncomingCapacity = 65536;
constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION | ISC_REQ_USE_SUPPLIED_CREDS;

// "0x" and eight upper-case hex digits; written by hand since any printf drags the C runtime's
// whole formatter into the DLL.
std::string Hex(long code) {
    std::string text = "0x00000000";
    auto value = static_cast<unsigned long>(code);
    for (auto digit = text.rbegin(); value != 0; ++digit, value >>= 4)
        *digit = "0123456789ABCDEF"[value & 0xF];
    return text;
}

SocketError Failure(const char* what, SECURITY_STATUS status) {
    return TlsFailure(what, static_cast<int>(status), Hex(status));
}

// TLS 1.3 only from the Windows builds whose Schannel has it switched on (Windows 11 and
// Server 2022); elsewhere asking for it makes the handshake fail.
bool SystemOffersTls13() {
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto get = ntdll ? reinterpret_cast<GetVersion>(
                                 reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                           : nullptr;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return get && get(&version) == 0 && version.dwMajorVersion >= 10 &&
           version.dwBuildNumber >= 20348;
}

// Wine's chain engine ignores the retrieval time-out: a download there could outlast the
// exchange's bound, and nothing could cut it short.
bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Client credentials: TLS 1.2 at least (1.3 where offered), no client certificate, and no
// automatic validation. Systems older than SCH_CREDENTIALS get the older SCHANNEL_CRED.
SECURITY_STATUS AcquireCredentials(CredHandle& credentials) {
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS |
                        SCH_USE_STRONG_CRYPTO;
    TimeStamp expiry;
    TLS_PARAMETERS parameters{};
    const DWORD enabled =
        SP_PROT_TLS1_2_CLIENT | (SystemOffersTls13() ? SP_PROT_TLS1_3_CLIENT : 0);
    parameters.grbitDisabledProtocols = ~enabled;
    SCH_CREDENTIALS current{};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = flags;
    current.cTlsParameters = 1;
    current.pTlsParameters = &parameters;
    wchar_t package[] = UNISP_NAME_W;
    SECURITY_STATUS status = AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND,
                                                       nullptr, &current, nullptr, nullptr,
                                                       &credentials, &expiry);
    if (status == SEC_E_OK) return status;
    SCHANNEL_CRED older{};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.dwFlags = flags;
    older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    return AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &older,
                                     nullptr, nullptr, &credentials, &expiry);
}

struct Verdict {
    HRESULT code = 0;  // 0: accepted
    CertificateProblem problem = CertificateProblem::Other;
};

Verdict FromPolicy(HRESULT code, bool selfSigned) {
    switch (code) {
        case 0: return {};
        case CERT_E_UNTRUSTEDROOT:
            return {code, selfSigned ? CertificateProblem::SelfSigned : CertificateProblem::UnknownIssuer};
        case CERT_E_CHAINING: return {code, CertificateProblem::UnknownIssuer};
        case CERT_E_CN_NO_MATCH: return {code, CertificateProblem::OtherName};
        case CERT_E_EXPIRED: return {code, CertificateProblem::Expired};
        case CRYPT_E_REVOKED: return {code, CertificateProblem::Revoked};
        default: return {code, CertificateProblem::Other};
    }
}

// The chain's own status, as the policy error that it stands for.
Verdict FromChain(const CERT_CHAIN_CONTEXT& chain, const CERT_INFO* leaf, bool selfSigned) {
    const DWORD status = chain.TrustStatus.dwErrorStatus;
    if (status == CERT_TRUST_NO_ERROR) return {};
    if (status & CERT_TRUST_IS_REVOKED) return FromPolicy(CRYPT_E_REVOKED, selfSigned);
    if (status & CERT_TRUST_IS_NOT_TIME_VALID) {
        const bool early = CertVerifyTimeValidity(nullptr, const_cast<CERT_INFO*>(leaf)) < 0;
        return {CERT_E_EXPIRED, early ? CertificateProblem::NotYetValid : CertificateProblem::Expired};
    }
    if (status & CERT_TRUST_IS_PARTIAL_CHAIN) return FromPolicy(CERT_E_CHAINING, selfSigned);
    if (status & CERT_TRUST_IS_UNTRUSTED_ROOT) return FromPolicy(CERT_E_UNTRUSTEDROOT, selfSigned);
    return {TRUST_E_FAIL, CertificateProblem::Other};
}

bool IsAddressLiteral(const std::wstring& host) {
    return host.find(L':') != std::wstring::npos ||
           host.find_first_not_of(L"0123456789.") == std::wstring::npos;
}

// The SSL policy still matches a host name against the subject's Common Name when the
// certificate has no subjectAltName of names; browsers no longer do, nor do we.
bool HasSubjectAltNameFor(const CERT_INFO& leaf, bool address) {
    const CERT_EXTENSION* extension =
        CertFindExtension(szOID_SUBJECT_ALT_NAME2, leaf.cExtension, leaf.rgExtension);
    if (!extension) return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                             extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                             &size))
        return false;
    const DWORD wanted = address ? CERT_ALT_NAME_IP_ADDRESS : CERT_ALT_NAME_DNS_NAME;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry; ++i)
        found = found || names->rgAltEntry[i].dwAltNameChoice == wanted;
    LocalFree(names);
    return found;
}

// Chain building may fetch a missing issuer named in the certificate (servers that leave
// out their intermediate work as in other Windows programs), each fetch bounded by the time
// left; with none left, or under wine, only what is cached is used.
void BoundRetrieval(CERT_CHAIN_PARA& parameters, DWORD& flags, Clock::time_point deadline) {
    constexpr DWORD kSystemDefaultMs = 15000;  // what 0 would mean
    const bool unbounded = deadline == Clock::time_point::max();
    const auto left = std::chrono::floor<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (RunsUnderWine() || (!unbounded && left <= 0)) flags |= CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL;
    parameters.dwUrlRetrievalTimeout =
        unbounded ? kSystemDefaultMs : static_cast<DWORD>(std::clamp<long long>(left, 1, kSystemDefaultMs));
}

// Builds the server certificate's chain and checks it, then the SSL policy with the host name.
SocketError CheckCertificate(CtxtHandle& context, const std::wstring& host,
                             Clock::time_point deadline) {
    PCCERT_CONTEXT certificate = nullptr;
    SECURITY_STATUS status = QueryContextAttributesW(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                                     &certificate);
    if (status != SEC_E_OK || !certificate) return Failure("TLS: no server certificate", status);
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainParameters{};
    chainParameters.cbSize = sizeof chainParameters;
    chainParameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainParameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainParameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    DWORD chainFlags = 0;
    BoundRetrieval(chainParameters, chainFlags, deadline);
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    SocketError result;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore,
                                 &chainParameters, chainFlags, nullptr, &chain)) {
        result = Failure("TLS: the certificate chain could not be built",
                         static_cast<SECURITY_STATUS>(HRESULT_FROM_WIN32(GetLastError())));
        CertFreeCertificateContext(certificate);
        return result;
    }
    const CERT_SIMPLE_CHAIN* simple = chain->cChain > 0 ? chain->rgpChain[0] : nullptr;
    const bool selfSigned = simple && simple->cElement == 1 &&
                            (simple->rgpElement[0]->TrustStatus.dwInfoStatus & CERT_TRUST_IS_SELF_SIGNED);
    Verdict verdict = FromChain(*chain, certificate->pCertInfo, selfSigned);
    if (verdict.code == 0 && !HasSubjectAltNameFor(*certificate->pCertInfo, IsAddressLiteral(host)))
        verdict = FromPolicy(CERT_E_CN_NO_MATCH, selfSigned);
    if (verdict.code == 0) {
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS policyStatus{};
        policyStatus.cbSize = sizeof policyStatus;
        verdict = FromPolicy(
            CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &policyStatus)
                ? static_cast<HRESULT>(policyStatus.dwError)
                : HRESULT_FROM_WIN32(GetLastError()),
            selfSigned);
    }
    if (verdict.code != 0)
        result = CertificateFailure(verdict.problem, static_cast<int>(verdict.code), Hex(verdict.code));
    CertFreeCertificateChain(chain);
    CertFreeCertificateContext(certificate);
    return result;
}

class SchannelConnection : public Connection {
public:
    SchannelConnection(std::unique_ptr<Connection> transport, CredHandle credentials,
                       std::wstring host)
        : transport_(std::move(transport)), credentials_(credentials), host_(std::move(host)),
          incoming_(kIncomingCapacity) {}
    ~SchannelConnection() override {
        if (haveContext_) DeleteSecurityContext(&context_);
        FreeCredentialsHandle(&credentials_);
    }
    SchannelConnection(const SchannelConnection&) = delete;
    SchannelConnection& operator=(const SchannelConnection&) = delete;

    IoStatus SendAll(const void* data, std::size_t size, int timeoutMs,
                     SocketError& error) override {
        if (const IoStatus ready = Handshake(timeoutMs, error); ready != IoStatus::Done)
            return ready;
        const auto* bytes = static_cast<const char*>(data);
        std::vector<char> record(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
        while (size > 0) {
            const std::size_t piece = std::min<std::size_t>(size, sizes_.cbMaximumMessage);
            std::memcpy(record.data() + sizes_.cbHeader, bytes, piece);
            SecBuffer buffers[4] = {
                {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                {static_cast<unsigned long>(piece), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
                {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + piece},
                {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = EncryptMessage(&context_, 0, &description, 0);
            if (status != SEC_E_OK) {
                error = Failure("TLS: a record could not be sealed", status);
                return IoStatus::Failed;
            }
            const std::size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
            if (const IoStatus sent = transport_->SendAll(record.data(), total, timeoutMs, error);
                sent != IoStatus::Done)
                return sent;
            bytes += piece;
            size -= piece;
        }
        return IoStatus::Done;
    }

    IoStatus Receive(void* buffer, std::size_t size, int timeoutMs, std::size_t& received,
                     SocketError& error) override {
        received = 0;
        if (const IoStatus ready = Handshake(timeoutMs, error); ready != IoStatus::Done)
            return ready;
        const auto deadline = DeadlineIn(timeoutMs);
        while (plainStart_ == plain_.size()) {
            if (closed_) return IoStatus::Closed;
            bool needMore = true;
            if (incomingSize_ > 0) {
                const IoStatus opened = OpenRecord(deadline, needMore, error);
                if (opened != IoStatus::Done) return opened;
                if (!needMore) continue;
            }
            const IoStatus status = ReadMore(deadline, error);
            if (status == IoStatus::Closed) {
                closed_ = true;  // without a TLS close message: ends the data as the plain close
                return status;
            }
            if (status != IoStatus::Done) return status;
        }
        received = std::min(size, plain_.size() - plainStart_);
        std::memcpy(buffer, plain_.data() + plainStart_, received);
        plainStart_ += received;
        return IoStatus::Done;
    }

private:
    IoStatus Handshake(int timeoutMs, SocketError& error) {
        if (established_) return IoStatus::Done;
        const auto deadline = DeadlineIn(timeoutMs);
        const IoStatus status = Negotiate(deadline, error);
        if (status != IoStatus::Done) return status;
        return Establish(deadline, error);
    }

    // After each handshake, the first and any the server asks for later: the certificate
    // is checked (a new handshake may bring another) and the record sizes taken.
    IoStatus Establish(Clock::time_point deadline, SocketError& error) {
        error = CheckCertificate(context_, host_, deadline);
        if (error.kind != FailureKind::Socket) return IoStatus::Failed;
        const SECURITY_STATUS sizes = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
        if (sizes != SEC_E_OK) {
            error = Failure("TLS: no record sizes", sizes);
            return IoStatus::Failed;
        }
        established_ = true;
        return IoStatus::Done;
    }

    // Runs InitializeSecurityContext until it is done: the first handshake, and again when
    // DecryptMessage asks for it (a renegotiation, or TLS 1.3's messages after the
    // handshake). Each step starts at once with what the server has sent so far, the bytes
    // DecryptMessage left over (often none), and reads more only when that is incomplete.
    // Every token is sent, also one that comes with a failure (an alert for the server);
    // leftover bytes stay for the next step. A handshake the server asks for later passes
    // `declined`: see below.
    IoStatus Negotiate(Clock::time_point deadline, SocketError& error, bool* declined = nullptr) {
        bool needInput = false;
        for (bool first = true;; first = false) {
            if (needInput) {
                const IoStatus read = ReadMore(deadline, error);
                if (read == IoStatus::Closed) {
                    error = TlsFailure("TLS handshake failed: the server closed the connection",
                                       0, "0");
                    return IoStatus::Failed;
                }
                if (read != IoStatus::Done) return read;
            }
            SecBuffer input[2] = {
                {static_cast<unsigned long>(incomingSize_), SECBUFFER_TOKEN, incoming_.data()},
                {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc inputDescription{SECBUFFER_VERSION, 2, input};
            SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
            SecBufferDesc outputDescription{SECBUFFER_VERSION, 1, output};
            unsigned long attributes = 0;
            const SECURITY_STATUS status = InitializeSecurityContextW(
                &credentials_, haveContext_ ? &context_ : nullptr,
                const_cast<wchar_t*>(host_.c_str()), kContextFlags, 0, 0,
                haveContext_ ? &inputDescription : nullptr, 0, &context_, &outputDescription,
                &attributes, nullptr);
            haveContext_ = true;
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                // Wine's Schannel cannot begin a new handshake before the server sends more,
                // while the server waits for our hello: the request is declined, as TLS lets
                // a client do, and the data goes on.
                if (declined && first && incomingSize_ == 0) {
                    *declined = true;
                    return IoStatus::Done;
                }
                needInput = true;
                continue;
            }
            IoStatus sent = IoStatus::Done;
            if (output[0].pvBuffer) {
                if (output[0].cbBuffer > 0)
                    sent = transport_->SendAll(output[0].pvBuffer, output[0].cbBuffer,
                                               MillisecondsUntil(deadline), error);
                FreeContextBuffer(output[0].pvBuffer);
            }
            if (input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer > 0)
                KeepLast(input[1].cbBuffer);
            else
                incomingSize_ = 0;
            if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
                if (sent != IoStatus::Done) return sent;
                if (status == SEC_E_OK) return IoStatus::Done;
                needInput = incomingSize_ == 0;
                continue;
            }
            error = Failure("TLS handshake failed", status);
            return IoStatus::Failed;
        }
    }

    // Opens the first record waiting in `incoming_`: its data goes to `plain_`; the server's
    // close message sets `closed_`; `needMore` when the record has not fully come yet.
    IoStatus OpenRecord(Clock::time_point deadline, bool& needMore, SocketError& error) {
        SecBuffer buffers[4] = {
            {static_cast<unsigned long>(incomingSize_), SECBUFFER_DATA, incoming_.data()},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = DecryptMessage(&context_, &description, 0, nullptr);
        needMore = status == SEC_E_INCOMPLETE_MESSAGE;
        if (needMore) return IoStatus::Done;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
            error = Failure("TLS: a record could not be opened", status);
            return IoStatus::Failed;
        }
        plain_.clear();
        plainStart_ = 0;
        unsigned long extra = 0;
        for (const SecBuffer& buffer : buffers) {
            if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0)
                plain_.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            if (buffer.BufferType == SECBUFFER_EXTRA) extra = buffer.cbBuffer;
        }
        if (extra > 0)
            KeepLast(extra);
        else
            incomingSize_ = 0;
        if (status == SEC_I_CONTEXT_EXPIRED) closed_ = true;  // the server's close message
        if (status != SEC_I_RENEGOTIATE) return IoStatus::Done;
        bool declined = false;
        const IoStatus negotiated = Negotiate(deadline, error, &declined);
        if (negotiated != IoStatus::Done || declined) return negotiated;
        return Establish(deadline, error);
    }

    // Receives more of the server's bytes after those kept, within the deadline.
    IoStatus ReadMore(Clock::time_point deadline, SocketError& error) {
        if (incomingSize_ == incoming_.size()) {
            error = TlsFailure("TLS: a record is larger than allowed", 0, "0");
            return IoStatus::Failed;
        }
        if (Clock::now() >= deadline) return IoStatus::TimedOut;
        std::size_t received = 0;
        const IoStatus status =
            transport_->Receive(incoming_.data() + incomingSize_, incoming_.size() - incomingSize_,
                                MillisecondsUntil(deadline), received, error);
        if (status == IoStatus::Done) incomingSize_ += received;
        return status;
    }

    // Moves the last `count` bytes of `incoming_` to its front: they belong to the next step.
    void KeepLast(std::size_t count) {
        std::memmove(incoming_.data(), incoming_.data() + incomingSize_ - count, count);
        incomingSize_ = count;
    }

    std::unique_ptr<Connection> transport_;
    CredHandle credentials_;
    CtxtHandle context_{};
    bool haveContext_ = false;
    bool established_ = false;
    bool closed_ = false;
    std::wstring host_;
    SecPkgContext_StreamSizes sizes_{};
    std::vector<char> incoming_;
    std::size_t incomingSize_ = 0;
    std::string plain_;  // one opened record's data
    std::size_t plainStart_ = 0;
};

}  // namespace

std::unique_ptr<Connection> StartSession(std::unique_ptr<Connection> transport,
                                         const std::string& host, SocketError& error) {
    CredHandle credentials;
    const SECURITY_STATUS status = AcquireCredentials(credentials);
    if (status != SEC_E_OK) {
        error = TlsUnavailable(static_cast<int>(status), Hex(status));
        return nullptr;
    }
    std::wstring wide(host.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, host.data(), static_cast<int>(host.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return std::make_unique<SchannelConnection>(std::move(transport), credentials, std::move(wide));
}

}  // namespace platform::tls
