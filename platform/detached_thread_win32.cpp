#include "platform/detached_thread.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct Start {
    std::function<void()> work;
    HMODULE module;
};

std::mutex threadsMutex;
// Closed once seen ended: at each start, each wait and each thread's end. A thread's own
// handle outlives its end, since only the handle shows that its module reference is gone.
// At unload every thread of ours has dropped its reference: the rest are closed then.
struct ThreadHandles : std::vector<HANDLE> {
    ThreadHandles() = default;
    ThreadHandles(const ThreadHandles&) = delete;
    ThreadHandles& operator=(const ThreadHandles&) = delete;
    ~ThreadHandles() {
        for (HANDLE thread : *this) CloseHandle(thread);
    }
};
ThreadHandles threads;

// Forgets the threads that have ended; called with the mutex held.
void CloseEnded() {
    std::erase_if(threads, [](HANDLE thread) {
        if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0) return false;
        CloseHandle(thread);
        return true;
    });
}

DWORD WINAPI ThreadMain(void* parameter) {
    HMODULE module = nullptr;
    {
        std::unique_ptr<Start> start(static_cast<Start*>(parameter));
        module = start->module;
        try {
            start->work();
        } catch (...) {
        }
    }
    {
        std::lock_guard<std::mutex> lock(threadsMutex);
        CloseEnded();
    }
    // Drops this thread's reference and ends it without returning into the module, which
    // may be unloaded by this very call.
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool StartDetachedThread(std::function<void()> work) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&ThreadMain), &module))
        return false;
    auto start = std::make_unique<Start>(Start{std::move(work), module});
    std::lock_guard<std::mutex> lock(threadsMutex);
    CloseEnded();
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, start.get(), 0, nullptr);
    if (!thread) {
        FreeLibrary(module);
        return false;
    }
    (void)start.release();
    threads.push_back(thread);
    return true;
}

bool WaitForDetachedThreads(int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        HANDLE next = nullptr;
        {
            std::lock_guard<std::mutex> lock(threadsMutex);
            CloseEnded();
            if (threads.empty()) return true;
            if (!DuplicateHandle(GetCurrentProcess(), threads.front(), GetCurrentProcess(), &next,
                                 SYNCHRONIZE, FALSE, 0))
                return false;
        }
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        const DWORD waited = WaitForSingleObject(next, left);
        CloseHandle(next);
        if (waited != WAIT_OBJECT_0) return false;
    }
}

}  // namespace platform
