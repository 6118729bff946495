#include "platform/host_process.h"

#include <windows.h>

namespace platform {

std::string HostProcessPath() {
    // Long-path-aware systems can exceed MAX_PATH; the call truncates silently, so grow the
    // buffer until the name fits. Windows paths end at 32767 characters.
    for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
        std::string buffer(size, '\0');
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) return {};
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
    }
    return {};
}

}  // namespace platform
