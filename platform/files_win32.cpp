#include "platform/files.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/codepage.h"

namespace platform {
namespace {

const wchar_t* Wide(const std::u16string& path) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return reinterpret_cast<const wchar_t*>(path.c_str());
}

HANDLE AsHandle(void* handle) { return static_cast<HANDLE>(handle); }

thread_local FileError lastError = FileError::kNone;

// Records GetLastError() as the cause of a failed call; passes the call's result on.
bool Noted(bool ok) {
    if (ok) return true;
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: lastError = FileError::kNotFound; break;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: lastError = FileError::kNoAccess; break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE: lastError = FileError::kInUse; break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: lastError = FileError::kDiskFull; break;
        default: lastError = FileError::kOther;
    }
    return false;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

// Only disk files are kept open: a pipe or a device in place of a music file could block the
// player's thread for ever on the first read.
static void* OpenWith(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE h = CreateFileW(Wide(path), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (!Noted(h != INVALID_HANDLE_VALUE)) return nullptr;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        lastError = FileError::kNotRegular;
        return nullptr;
    }
    return h;
}

bool File::OpenShareRead(const std::u16string& path) {
    Close();
    handle_ = OpenWith(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    return IsOpen();
}

bool File::OpenExclusive(const std::u16string& path) {
    Close();
    handle_ = OpenWith(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    return IsOpen();
}

bool File::CreateExclusive(const std::u16string& path) {
    Close();
    // DeleteFileW removes a symbolic link itself, never its target. Should the removal fail,
    // or anything take the name again meanwhile, CREATE_NEW fails and follows nothing.
    DeleteFileW(Wide(path));
    handle_ = OpenWith(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    return IsOpen();
}

bool File::OpenAppend(const std::u16string& path) {
    Close();
    handle_ = OpenWith(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    return IsOpen();
}

bool File::IsOpen() const { return handle_ != nullptr; }

bool File::Close() {
    if (handle_ == nullptr) return true;
    const bool closed = Noted(CloseHandle(AsHandle(handle_)) != 0);
    handle_ = nullptr;
    return closed;
}

std::int64_t File::Length() const {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(AsHandle(handle_), &size)) return -1;
    return size.QuadPart;
}

bool File::Seek(std::int64_t offset) {
    LARGE_INTEGER target;
    target.QuadPart = offset;
    return IsOpen() && offset >= 0 &&
           Noted(SetFilePointerEx(AsHandle(handle_), target, nullptr, FILE_BEGIN) != 0);
}

std::int64_t File::Read(void* buffer, std::size_t size) {
    if (!IsOpen()) return -1;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD got = 0;
        if (!Noted(ReadFile(AsHandle(handle_), out + done, chunk, &got, nullptr) != 0)) return -1;
        if (got == 0) break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

bool File::WriteAll(const void* buffer, std::size_t size) {
    if (!IsOpen()) return false;
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD put = 0;
        if (!Noted(WriteFile(AsHandle(handle_), in + done, chunk, &put, nullptr) != 0)) return false;
        if (put == 0) {
            lastError = FileError::kOther;
            return false;
        }
        done += put;
    }
    return true;
}

bool File::Flush() { return IsOpen() && Noted(FlushFileBuffers(AsHandle(handle_)) != 0); }

FileError LastFileError() { return lastError; }

bool IsExistingFile(const std::u16string& path) {
    DWORD attributes = GetFileAttributesW(Wide(path));
    if (!Noted(attributes != INVALID_FILE_ATTRIBUTES)) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return true;
    lastError = FileError::kNotRegular;
    return false;
}

bool ClearAttributes(const std::u16string& path) {
    // FILE_ATTRIBUTE_NORMAL is how the API spells "no attributes at all".
    return Noted(SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL) != 0);
}

bool DeleteFilePath(const std::u16string& path) { return Noted(DeleteFileW(Wide(path)) != 0); }

bool ReplaceFilePath(const std::u16string& replacement, const std::u16string& target) {
    return Noted(MoveFileExW(Wide(replacement), Wide(target),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0);
}

std::string LastFileErrorText() {
    const DWORD code = GetLastError();
    wchar_t text[256] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, 256, nullptr);
    std::string reason = Utf8FromUtf16(std::u16string(reinterpret_cast<const char16_t*>(text), length));
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    return reason.empty() ? "system error " + std::to_string(code) : reason;
}

}  // namespace platform
