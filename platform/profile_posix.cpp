// POSIX stand-in for the profile calls: reads and rewrites the INI text itself, the way the
// Windows calls treat it for what the settings store uses. Section and key lines are trimmed
// of blanks, names compare without regard to case, a value in matching quotes loses them, and
// the first of two equal keys counts. Lines the stand-in adds end in CR LF.
#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/text.h"

namespace platform {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Opens a regular file only; O_NONBLOCK keeps a FIFO under the name from blocking the open.
int OpenRegular(const std::string& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kProfileFileLimit) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The whole file, or false when it cannot be read or grew past the limit meanwhile.
bool ReadAll(int fd, std::string& text) {
    text.clear();
    char chunk[16384];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > static_cast<std::size_t>(kProfileFileLimit)) return false;
    }
}

bool WriteAllAt(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::pwrite(fd, text.data() + done, text.size() - done,
                               static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return ::ftruncate(fd, static_cast<off_t>(text.size())) == 0;
}

constexpr std::string_view kBlanks = " \t";

struct Line {
    std::string_view text;  // without its line break
    std::size_t next;       // offset just past its line break
};

// Splits at LF; a CR before the LF belongs to the break.
Line LineAt(std::string_view file, std::size_t offset) {
    std::size_t end = file.find('\n', offset);
    std::size_t next = end == std::string_view::npos ? file.size() : end + 1;
    if (end == std::string_view::npos) end = file.size();
    std::size_t stop = end > offset && file[end - 1] == '\r' ? end - 1 : end;
    return {file.substr(offset, stop - offset), next};
}

std::optional<std::string_view> SectionName(std::string_view trimmed) {
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    std::size_t close = trimmed.find(']');
    std::string_view inside =
        trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    return Trim(inside, kBlanks);
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> EntryOf(std::string_view trimmed) {
    if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
    std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return Entry{Trim(trimmed.substr(0, equals), kBlanks),
                 Trim(trimmed.substr(equals + 1), kBlanks)};
}

// Where a key stands in the file, or where it would be added.
struct Place {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t lineStart = 0;  // the key's line, when found
    std::size_t lineNext = 0;   // just past the key's line, or past the section's last entry
    std::string_view key;       // as the file spells it
    std::string_view value;
};

Place Find(std::string_view file, std::string_view section, std::string_view key) {
    Place place;
    bool inSection = false;
    for (std::size_t offset = 0; offset < file.size();) {
        Line line = LineAt(file, offset);
        std::string_view trimmed = Trim(line.text, kBlanks);
        if (auto name = SectionName(trimmed)) {
            if (inSection) break;  // the first section of that name is the one used
            inSection = EqualNoCase(*name, section);
            if (inSection) {
                place.sectionFound = true;
                place.lineNext = line.next;
            }
        } else if (inSection) {
            if (auto entry = EntryOf(trimmed)) {
                place.lineNext = line.next;
                if (EqualNoCase(entry->key, key)) {
                    place.keyFound = true;
                    place.lineStart = offset;
                    place.key = entry->key;
                    place.value = entry->value;
                    return place;
                }
            }
        }
        offset = line.next;
    }
    return place;
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// What ends the line before `at` so that a line can follow: nothing after a whole break, an
// LF after a CR that lacks it (else the CR would end up inside the new line's value).
std::string_view BreakBefore(std::string_view text, std::size_t at) {
    if (at == 0 || text[at - 1] == '\n') return "";
    return text[at - 1] == '\r' ? "\n" : "\r\n";
}

std::string Updated(std::string_view file, const std::string& section, const std::string& key,
                    const std::string& value) {
    const std::string entryLine = key + "=" + value + "\r\n";
    Place place = Find(file, section, key);
    std::string result;
    if (place.keyFound) {
        // The old line keeps its own break, so the rest of the file is untouched.
        std::size_t oldEnd = place.lineStart + LineAt(file, place.lineStart).text.size();
        result.append(file.substr(0, place.lineStart));
        result.append(place.key);
        result.append("=" + value);
        result.append(file.substr(oldEnd));
    } else if (place.sectionFound) {
        result.append(file.substr(0, place.lineNext));
        result.append(BreakBefore(file, place.lineNext));
        result.append(entryLine);
        result.append(file.substr(place.lineNext));
    } else {
        result.append(file);
        result.append(BreakBefore(file, file.size()));
        result.append("[" + section + "]\r\n");
        result.append(entryLine);
    }
    return result;
}

}  // namespace

std::optional<std::string> ReadProfileText(const std::string& path, const std::string& section,
                                           const std::string& key) {
    Descriptor file(OpenRegular(path, O_RDONLY));
    std::string text;
    if (file.get() < 0 || !ReadAll(file.get(), text)) return std::nullopt;
    Place place = Find(text, section, key);
    if (!place.keyFound) return std::nullopt;
    return std::string(Unquoted(place.value).substr(0, kProfileValueLimit));
}

bool WriteProfileText(const std::string& path, const std::string& section,
                      const std::string& key, const std::string& value) {
    Descriptor file(OpenRegular(path, O_RDWR | O_CREAT));
    std::string text;
    if (file.get() < 0 || !ReadAll(file.get(), text)) return false;
    return WriteAllAt(file.get(), Updated(text, section, key, value));
}

// Each write above reaches the file at once; there is no cache to flush.
void FlushProfileCache(const std::string&) {}

}  // namespace platform
