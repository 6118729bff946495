// Threads that nobody joins: a name lookup left behind at its time-out, a worker that could
// not be stopped in time. On Windows each one keeps the module holding this code loaded
// until it has ended, so none of them ever runs code of an unloaded plug-in.
#pragma once

#include <functional>

namespace platform {

// Runs `work` on a thread of its own; false when no thread could be started. An exception
// that escapes `work` ends only that thread.
bool StartDetachedThread(std::function<void()> work);

// Waits up to `timeoutMs` until every thread started above has ended, module reference
// released; true when none runs any more.
bool WaitForDetachedThreads(int timeoutMs);

}  // namespace platform
