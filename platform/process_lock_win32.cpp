#include "platform/process_lock.h"

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <set>

namespace platform {
namespace {

// A mutex may be taken again by the thread that holds it; the names held in this process
// keep a second lock object of this process from counting as a second holder.
std::mutex heldMutex;
std::set<std::wstring> heldNames;

// Mutex names allow no backslash: the path, its ASCII letters folded, is hashed.
std::wstring MutexName(const std::u16string& path) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char16_t unit : path) {
        if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - u'a' + u'A');
        hash = (hash ^ unit) * 1099511628211ull;
    }
    wchar_t text[40];
    wsprintfW(text, L"Local\\quillon.%08lx%08lx", static_cast<unsigned long>(hash >> 32),
              static_cast<unsigned long>(hash & 0xffffffffu));
    return text;
}

}  // namespace

ProcessLock::ProcessLock(const std::u16string& name)
    : mutex_(CreateMutexW(nullptr, FALSE, MutexName(name).c_str())), name_(MutexName(name)) {}

ProcessLock::~ProcessLock() {
    Unlock();
    if (mutex_ != nullptr) CloseHandle(static_cast<HANDLE>(mutex_));
}

bool ProcessLock::Lock(int timeoutMs) {
    if (held_) return true;
    if (mutex_ == nullptr) return false;
    {
        std::lock_guard<std::mutex> guard(heldMutex);
        if (heldNames.count(name_) != 0) return false;
    }
    const DWORD waited = WaitForSingleObject(static_cast<HANDLE>(mutex_),
                                             static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs));
    // An abandoned mutex is ours now: its holder died, and the files it guards are read
    // afresh under it anyway.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    std::lock_guard<std::mutex> guard(heldMutex);
    heldNames.insert(name_);
    return held_ = true;
}

void ProcessLock::Unlock() {
    if (!held_) return;
    ReleaseMutex(static_cast<HANDLE>(mutex_));
    std::lock_guard<std::mutex> guard(heldMutex);
    heldNames.erase(name_);
    held_ = false;
}

}  // namespace platform
