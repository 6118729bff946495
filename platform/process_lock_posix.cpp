#include "platform/process_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/codepage.h"

namespace platform {

ProcessLock::ProcessLock(const std::u16string& name) : path_(Utf8FromUtf16(name) + ".lock") {}

ProcessLock::~ProcessLock() { Unlock(); }

bool ProcessLock::Lock(int timeoutMs) {
    if (held_) return true;
    if (descriptor_ < 0) {
        descriptor_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        // Where no lock file can be made, no other process can share the files it guards.
        if (descriptor_ < 0)
            return held_ = errno == ENOENT || errno == ENOTDIR || errno == EACCES || errno == EROFS;
    }
    // flock has no time-out of its own: a short nap between tries bounds the wait.
    constexpr int kNapMs = 5;
    for (int waited = 0;; waited += kNapMs) {
        if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) return held_ = true;
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (waited >= timeoutMs) break;
        const timespec nap{0, kNapMs * 1000000L};
        ::nanosleep(&nap, nullptr);
    }
    ::close(descriptor_);
    descriptor_ = -1;
    return false;
}

void ProcessLock::Unlock() {
    if (descriptor_ >= 0) ::close(descriptor_);  // closing releases the flock
    descriptor_ = -1;
    held_ = false;
}

}  // namespace platform
