#include "tracker/outbox.h"

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace {

// The version line carries a random mark that each rewrite changes: a file of the length
// this process knows and with its mark is the file as this process left it.
constexpr std::string_view kVersion = "Quillon outbox 1 ";
constexpr std::size_t kVersionLineBytes = kVersion.size() + 32 + 1;
// Another player holds the file only for one change; should it hang, this one goes on
// rather than lose a play.
constexpr int kLockWaitMs = 2000;
constexpr std::size_t kPlayFields = 10;

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\': out += '\\'; break;
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: return std::nullopt;
        }
    }
    return out;
}

// The fields of a play record in the order they are written.
std::array<std::string*, kPlayFields> PlayFields(TPlay& play) {
    TSongFields& s = play.song;
    return {&play.playId, &play.playedAt, &s.artist, &s.album, &s.title,
            &s.track,     &s.year,        &s.genre,  &s.comment, &s.filename};
}

std::string PlayRecord(const TPlay& play) {
    std::string line = "+";
    for (const std::string* field : PlayFields(const_cast<TPlay&>(play))) {
        line += '\t';
        line += Escape(*field);
    }
    return line + '\n';
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) return parts;
        start = tab + 1;
    }
}

bool IsPlayId(std::string_view text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::deque<TPlay>::iterator FindPlay(std::deque<TPlay>& plays, std::string_view playId) {
    return std::find_if(plays.begin(), plays.end(),
                        [&](const TPlay& play) { return play.playId == playId; });
}

std::string NamePart(const std::u16string& path) {
    const std::string text = platform::Utf8FromUtf16(path);
    const std::size_t slash = text.find_last_of("/\\:");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

}  // namespace

std::string NewPlayId() {
    std::random_device random;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = random();
        for (int digit = 0; digit < 8; ++digit, bits >>= 4) id += kHex[bits & 15];
    }
    return id;
}

// One change of the outbox: under the lock, on the file as it is now.
class TOutbox::Change {
public:
    explicit Change(TOutbox& outbox) : outbox_(outbox) {
        if (!outbox_.onDisk_) return;
        outbox_.fileLock_.Lock(kLockWaitMs);
        outbox_.ReadFile();
    }
    ~Change() { outbox_.fileLock_.Unlock(); }
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

private:
    TOutbox& outbox_;
};

TOutbox::TOutbox(std::u16string path, LogLine log)
    : path_(std::move(path)), log_(std::move(log)), fileLock_(path_),
      sending_(path_ + u".sending") {}

void TOutbox::Load() { Change change(*this); }

void TOutbox::ReadFile() {
    if (!platform::IsExistingFile(path_)) {
        plays_.clear();
        fileRecords_ = 0;
        fileBytes_ = 0;
        return;
    }
    platform::File file;
    // Held open elsewhere for a moment (a virus scanner): the plays as last known stand.
    if (!file.OpenShareRead(path_)) return;
    const std::int64_t length = file.Length();
    // Windows renames no file that is open: each way out closes it first.
    if (length < 0 || length > kMaxFileBytes) {
        file.Close();
        return SetAside("it is larger than 16 MiB");
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    // Appends only lengthen the file and rewrites change its mark: with both as this
    // process left them, the plays in memory are the file's.
    const std::size_t markBytes = std::min(text.size(), kVersionLineBytes);
    if (file.Read(text.data(), markBytes) != static_cast<std::int64_t>(markBytes)) {
        const std::string reason = platform::LastFileErrorText();
        file.Close();
        return SetAside("it cannot be read: " + reason);
    }
    if (length == fileBytes_ && text.compare(0, markBytes, versionLine_) == 0) return;
    const std::size_t rest = text.size() - markBytes;
    const bool read = file.Read(text.data() + markBytes, rest) == static_cast<std::int64_t>(rest);
    file.Close();
    if (!read) return SetAside("it cannot be read: " + platform::LastFileErrorText());

    // A crash during an append leaves the last line without its end: that record is lost,
    // every earlier one is whole.
    const std::size_t end = text.rfind('\n') + 1;  // 0 when no line is whole
    const bool torn = end != text.size();
    std::string_view whole = std::string_view(text).substr(0, end);
    if (!whole.empty() && (whole.size() < kVersionLineBytes || !whole.starts_with(kVersion) ||
                           whole[kVersionLineBytes - 1] != '\n'))
        return SetAside("it is no outbox of this version");
    const std::string versionLine(whole.substr(0, std::min(whole.size(), kVersionLineBytes)));
    whole.remove_prefix(versionLine.size());

    std::deque<TPlay> plays;
    std::unordered_set<std::string> ids;
    std::size_t records = 0;
    for (std::size_t start = 0; start < whole.size(); ++records) {
        const std::size_t lineEnd = whole.find('\n', start);
        const std::vector<std::string_view> parts = SplitTabs(whole.substr(start, lineEnd - start));
        start = lineEnd + 1;
        const std::string damaged = "record " + std::to_string(records + 1) + " is damaged";
        const bool event = parts.size() == 2 && IsPlayId(parts[1]);
        if (parts[0] == "+" && parts.size() == kPlayFields + 1) {
            TPlay play;
            const auto fields = PlayFields(play);
            for (std::size_t i = 0; i < kPlayFields; ++i) {
                auto value = Unescape(parts[i + 1]);
                if (!value) return SetAside(damaged);
                *fields[i] = std::move(*value);
            }
            if (!IsPlayId(play.playId)) return SetAside(damaged);
            if (ids.insert(play.playId).second) plays.push_back(std::move(play));
        } else if (parts[0] == "-" && event) {
            if (ids.erase(std::string(parts[1])) != 0) plays.erase(FindPlay(plays, parts[1]));
        } else if (parts[0] == ">" && event) {
            if (auto found = FindPlay(plays, parts[1]); found != plays.end()) {
                TPlay moved = std::move(*found);
                plays.erase(found);
                plays.push_back(std::move(moved));
            }
        } else {
            return SetAside(damaged);
        }
        if (plays.size() > kMaxPlays) return SetAside("it holds more than 10000 plays");
    }
    plays_ = std::move(plays);
    fileRecords_ = records;
    fileBytes_ = static_cast<std::int64_t>(text.size());
    versionLine_ = versionLine;
    if (torn || versionLine.empty()) {
        if (torn) log_("The last play in the outbox was cut off and is skipped.");
        Rewrite();
    }
}

void TOutbox::SetAside(const std::string& why) {
    plays_.clear();
    fileRecords_ = 0;
    fileBytes_ = 0;
    versionLine_.clear();
    const std::u16string aside = path_ + u".bad";
    if (!platform::ReplaceFilePath(path_, aside)) return KeepInMemory(platform::LastFileErrorText());
    log_("The outbox was set aside as " + NamePart(aside) + " (" + why + "); a new one is started.");
}

bool TOutbox::AppendLine(const std::string& line) {
    if (!onDisk_) return false;
    // A file that is new, or set aside meanwhile, starts with its version line.
    // The plays in memory already hold the change that the line records.
    if (fileBytes_ == 0) return Rewrite();
    platform::File file;
    if (!file.OpenAppend(path_) || !file.WriteAll(line.data(), line.size()) || !file.Flush() ||
        !file.Close()) {
        KeepInMemory(platform::LastFileErrorText());
        return false;
    }
    fileBytes_ += static_cast<std::int64_t>(line.size());
    ++fileRecords_;
    return true;
}

bool TOutbox::Rewrite() {
    if (!onDisk_) return false;
    std::string bytes = std::string(kVersion) + NewPlayId() + "\n";
    for (const TPlay& play : plays_) bytes += PlayRecord(play);
    const std::u16string copy = path_ + u".new";
    platform::File file;
    if (!file.CreateExclusive(copy) || !file.WriteAll(bytes.data(), bytes.size()) ||
        !file.Flush() || !file.Close() || !platform::ReplaceFilePath(copy, path_)) {
        const std::string reason = platform::LastFileErrorText();
        file.Close();
        platform::DeleteFilePath(copy);
        KeepInMemory(reason);
        return false;
    }
    fileRecords_ = plays_.size();
    fileBytes_ = static_cast<std::int64_t>(bytes.size());
    versionLine_ = bytes.substr(0, kVersionLineBytes);
    return true;
}

void TOutbox::CompactWhenHalfSent() {
    // A sent play holds two lines (its own and the one that settles it), a waiting one one.
    if (fileRecords_ > 3 * plays_.size()) Rewrite();
}

void TOutbox::DropOldest() {
    const TPlay& oldest = plays_.front();
    log_(DroppedLine(FileNamePart(oldest.song.filename)));
    const std::string line = "-\t" + oldest.playId + "\n";
    plays_.pop_front();
    AppendLine(line);
}

void TOutbox::KeepInMemory(const std::string& reason) {
    if (!onDisk_) return;
    onDisk_ = false;
    log_("Plays cannot be kept on disk (" + reason + "); they are kept until the player closes.");
}

void TOutbox::Append(const TPlay& play) {
    Change change(*this);
    if (plays_.size() >= kMaxPlays) DropOldest();
    const std::string record = PlayRecord(play);
    const auto size = static_cast<std::int64_t>(record.size());
    if (onDisk_ && fileBytes_ + size > kMaxFileBytes) {
        // Only what waits is kept; should even that not fit, the oldest plays make room.
        auto live = static_cast<std::int64_t>(kVersionLineBytes);
        for (const TPlay& waiting : plays_) live += static_cast<std::int64_t>(PlayRecord(waiting).size());
        while (!plays_.empty() && live + size > kMaxFileBytes) {
            live -= static_cast<std::int64_t>(PlayRecord(plays_.front()).size());
            log_(DroppedLine(FileNamePart(plays_.front().song.filename)));
            plays_.pop_front();
        }
        Rewrite();
    }
    plays_.push_back(play);
    AppendLine(record);
}

void TOutbox::Remove(std::string playId) {
    Change change(*this);
    const auto found = FindPlay(plays_, playId);
    if (found == plays_.end()) return;  // another player settled it meanwhile
    plays_.erase(found);
    if (AppendLine("-\t" + playId + "\n")) CompactWhenHalfSent();
}

void TOutbox::MoveBehind(std::string playId) {
    Change change(*this);
    const auto found = FindPlay(plays_, playId);
    if (found == plays_.end()) return;
    TPlay moved = std::move(*found);
    plays_.erase(found);
    plays_.push_back(std::move(moved));
    if (AppendLine(">\t" + playId + "\n")) CompactWhenHalfSent();
}

std::string TOutbox::DroppedLine(const std::string& fileName) {
    return "Not sent, " + std::to_string(kMaxPlays) + " songs were waiting: " + fileName;
}
