// The plays waiting to be sent, kept in a file beside the settings so that none is lost to
// a site that is down, a closed player or a crash. The file is UTF-8 text: a version line,
// then one line per event (a play added, sent, or moved behind the others), appended and
// flushed one at a time, so that whatever happens every earlier line stays readable. It is
// rewritten whole, through a copy and an atomic replace, only to drop what was sent.
//
// Two players may share one file: every change reads the file afresh under a lock that
// both processes see, and only the process that claims the sending sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/process_lock.h"
#include "tracker/http/song_submission.h"

// One play: what the window showed when the song counted, in UTF-8, with an empty password
// (each try reads it from the settings), the moment it became current and its own name.
struct TPlay {
    TSongFields song;
    std::string playedAt;  // "2026-12-09T07:58:31Z"
    std::string playId;    // 32 lowercase hex digits, the same on every try
};

// 128 random bits as 32 lowercase hex digits.
std::string NewPlayId();

class TOutbox {
public:
    using LogLine = std::function<void(const std::string&)>;

    static constexpr std::size_t kMaxPlays = 10000;
    static constexpr std::int64_t kMaxFileBytes = 16 * 1024 * 1024;

    // The outbox kept in `path`; lines for the user go to `log`. Nothing is read yet.
    TOutbox(std::u16string path, LogLine log);

    // Reads the file again (another player may have changed it). A torn last record is
    // skipped; a file over the bounds or not readable as an outbox is set aside as
    // "<path>.bad" and a new one started. Either way with a log line.
    void Load();
    // Adds `play` behind the others; a full outbox drops its oldest play first.
    void Append(const TPlay& play);
    // The play is settled (sent or refused) and goes. The ids are copies: a caller may name
    // a play by the id it holds in Plays().
    void Remove(std::string playId);
    // The play goes behind every other one.
    void MoveBehind(std::string playId);

    // The plays, oldest first, as last read or changed.
    const std::deque<TPlay>& Plays() const { return plays_; }
    // False once the file could not be written: the plays are then kept in memory only.
    bool KeptOnDisk() const { return onDisk_; }

    // Only one process sends at a time: true when this one may send now.
    bool ClaimSending() { return sending_.TryLock(); }
    void EndSending() { sending_.Unlock(); }

    // The line logged for a play that a full outbox dropped.
    static std::string DroppedLine(const std::string& fileName);

private:
    class Change;
    void ReadFile();
    void SetAside(const std::string& why);
    bool AppendLine(const std::string& line);
    bool Rewrite();
    void CompactWhenHalfSent();
    void DropOldest();
    void KeepInMemory(const std::string& reason);

    std::u16string path_;
    LogLine log_;
    platform::ProcessLock fileLock_;
    platform::ProcessLock sending_;
    std::deque<TPlay> plays_;
    std::size_t fileRecords_ = 0;  // lines after the version line
    std::int64_t fileBytes_ = 0;
    std::string versionLine_;
    bool onDisk_ = true;
};
