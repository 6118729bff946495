#include "platform/host_process.h"

#include <unistd.h>

namespace platform {

std::string HostProcessPath() {
    // readlink gives no sign of truncation but a full buffer; grow it until the name fits.
    for (std::size_t size = 256; size <= 65536; size *= 2) {
        std::string buffer(size, '\0');
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), size);
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < size) {
            buffer.resize(static_cast<std::size_t>(length));
            return buffer;
        }
    }
    return {};
}

}  // namespace platform
