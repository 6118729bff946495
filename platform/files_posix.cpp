// POSIX stand-in for the native build. Share modes cannot be enforced here; the Windows
// build is where sharing is proven.
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/regular_file_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace platform {
namespace {

thread_local FileError lastError = FileError::kNone;

// Records errno as the cause of a failed call; passes the call's result on.
template <typename Result>
Result Noted(Result result, bool failed) {
    if (!failed) return result;
    switch (errno) {
        case ENOENT:
        case ENOTDIR: lastError = FileError::kNotFound; break;
        case ENODEV:
        case EISDIR: lastError = FileError::kNotRegular; break;
        case EACCES:
        case EPERM:
        case EROFS: lastError = FileError::kNoAccess; break;
        case ETXTBSY:
        case EBUSY: lastError = FileError::kInUse; break;
        case ENOSPC:
        case EDQUOT: lastError = FileError::kDiskFull; break;
        default: lastError = FileError::kOther;
    }
    return result;
}

bool Noted(bool ok) { return Noted(ok, !ok); }

std::string Native(const std::u16string& path) { return Utf8FromUtf16(path); }

int OpenWith(const std::u16string& path, int flags) {
    const int fd = OpenRegularFile(Native(path), flags);
    return Noted(fd, fd < 0);
}

}  // namespace

// An existing name is checked before the open, so that no device is even opened; the
// non-blocking open and the check after it close the gap between the two.
int OpenRegularFile(const std::string& path, int flags) {
    struct stat before {};
    if ((flags & O_CREAT) == 0 && ::stat(path.c_str(), &before) != 0) return -1;
    // ENODEV tells the callers that look at errno what kind of refusal this is.
    if ((flags & O_CREAT) == 0 && !S_ISREG(before.st_mode)) {
        errno = ENODEV;
        return -1;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = ENODEV;
        return -1;
    }
    return fd;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

bool File::OpenShareRead(const std::u16string& path) {
    Close();
    descriptor_ = OpenWith(path, O_RDONLY);
    return IsOpen();
}

bool File::OpenExclusive(const std::u16string& path) {
    Close();
    descriptor_ = OpenWith(path, O_RDWR);
    return IsOpen();
}

bool File::CreateExclusive(const std::u16string& path) {
    Close();
    // unlink removes a symbolic link itself, never its target. Should the removal fail, or
    // anything take the name again meanwhile, the exclusive create fails and follows nothing.
    ::unlink(Native(path).c_str());
    descriptor_ = OpenWith(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW);
    return IsOpen();
}

bool File::OpenAppend(const std::u16string& path) {
    Close();
    descriptor_ = OpenWith(path, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW);
    return IsOpen();
}

bool File::IsOpen() const { return descriptor_ >= 0; }

bool File::Close() {
    if (descriptor_ < 0) return true;
    const bool closed = Noted(::close(descriptor_) == 0);
    descriptor_ = -1;
    return closed;
}

std::int64_t File::Length() const {
    struct stat info {};
    if (!IsOpen() || ::fstat(descriptor_, &info) != 0) return -1;
    return info.st_size;
}

bool File::Seek(std::int64_t offset) {
    return IsOpen() && offset >= 0 && Noted(::lseek(descriptor_, offset, SEEK_SET) == offset);
}

std::int64_t File::Read(void* buffer, std::size_t size) {
    if (!IsOpen()) return -1;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(descriptor_, out + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Noted(-1, true);
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool File::WriteAll(const void* buffer, std::size_t size) {
    if (!IsOpen()) return false;
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t put = ::write(descriptor_, in + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Noted(false);
        if (put == 0) {
            lastError = FileError::kOther;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool File::Flush() { return IsOpen() && Noted(::fsync(descriptor_) == 0); }

FileError LastFileError() { return lastError; }

bool IsExistingFile(const std::u16string& path) {
    struct stat info {};
    if (!Noted(::stat(Native(path).c_str(), &info) == 0)) return false;
    if (S_ISREG(info.st_mode)) return true;
    lastError = FileError::kNotRegular;
    return false;
}

bool ClearAttributes(const std::u16string& path) {
    struct stat info {};
    std::string native = Native(path);
    return Noted(::stat(native.c_str(), &info) == 0 &&
                 ::chmod(native.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0);
}

bool DeleteFilePath(const std::u16string& path) { return Noted(::unlink(Native(path).c_str()) == 0); }

bool ReplaceFilePath(const std::u16string& replacement, const std::u16string& target) {
    const std::string from = Native(replacement), to = Native(target);
    // The new contents keep who may read the file: a private file stays private.
    struct stat info {};
    if (::stat(to.c_str(), &info) == 0 && ::chmod(from.c_str(), info.st_mode & 07777) != 0)
        return Noted(false);
    return Noted(std::rename(from.c_str(), to.c_str()) == 0);
}

std::string LastFileErrorText() { return std::strerror(errno); }

}  // namespace platform
