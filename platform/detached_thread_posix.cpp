#include "platform/detached_thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {
namespace {

// Never destroyed: a detached thread may still use it while the process exits.
struct Running {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};

Running& running() {
    static Running* const instance = new Running;
    return *instance;
}

}  // namespace

bool StartDetachedThread(std::function<void()> work) {
    Running& state = running();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        ++state.count;
    }
    try {
        std::thread([work = std::move(work), &state] {
            try {
                work();
            } catch (...) {
            }
            std::lock_guard<std::mutex> lock(state.mutex);
            --state.count;
            state.ended.notify_all();
        }).detach();
        return true;
    } catch (...) {
        std::lock_guard<std::mutex> lock(state.mutex);
        --state.count;
        return false;
    }
}

bool WaitForDetachedThreads(int timeoutMs) {
    Running& state = running();
    std::unique_lock<std::mutex> lock(state.mutex);
    return state.ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return state.count == 0; });
}

}  // namespace platform
