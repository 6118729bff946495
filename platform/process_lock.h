// A lock that every process of the machine sees: one holder at a time per name, and a holder
// that dies releases it. Win32: a named mutex, so Lock and Unlock belong on one thread;
// POSIX: flock on a file of that name (none where no file can be made: nothing else can
// share that folder either).
#pragma once

#include <string>

namespace platform {

class ProcessLock {
public:
    // The lock named by `name`, a path beside which the POSIX stand-in keeps its file.
    explicit ProcessLock(const std::u16string& name);
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    // Takes the lock if no one holds it, without waiting.
    bool TryLock() { return Lock(0); }
    // Waits up to `timeoutMs` for the lock.
    bool Lock(int timeoutMs);
    void Unlock();
    bool Held() const { return held_; }

private:
#ifdef _WIN32
    void* mutex_ = nullptr;
    std::wstring name_;
#else
    std::string path_;
    int descriptor_ = -1;
#endif
    bool held_ = false;
};

}  // namespace platform
