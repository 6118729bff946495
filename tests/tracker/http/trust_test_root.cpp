// Test-only: makes a test CA trusted inside the wine prefix that runs it, or no longer.
// Usage: trust_test_root add|remove CA.pem   (the current user's Root store in the registry)
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: trust_test_root add|remove CA.pem\n");
        return 2;
    }
    const std::string action = argv[1];
    std::ifstream file(argv[2], std::ios::binary);
    const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
        std::fprintf(stderr, "trust_test_root: %s is no PEM certificate\n", argv[2]);
        return 1;
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                         nullptr);
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                    CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!root) {
        std::fprintf(stderr, "trust_test_root: no Root store (%lu)\n", GetLastError());
        return 1;
    }
    bool done = false;
    if (action == "add") {
        done = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else if (PCCERT_CONTEXT wanted =
                   CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size)) {
        PCCERT_CONTEXT found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_EXISTING, wanted, nullptr);
        done = found && CertDeleteCertificateFromStore(found);  // frees `found`
        CertFreeCertificateContext(wanted);
    }
    if (!done) std::fprintf(stderr, "trust_test_root: %s failed (%lu)\n", argv[1], GetLastError());
    CertCloseStore(root, 0);
    return done ? 0 : 1;
}
