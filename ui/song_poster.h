// The plays' side of the window. Each play is written to the outbox before any network
// work, then sent, oldest first and one at a time, by a worker with the one HTTP client
// `http`, which only the worker's thread uses, so its cookies and its last status line carry
// from one exchange to the next. A play the site has not taken is tried again later: the
// window's poll timer asks when, so waiting costs no thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "toolkit/edits.h"
#include "toolkit/form.h"
#include "toolkit/worker.h"
#include "tracker/http/song_submission.h"
#include "tracker/outbox.h"
#include "tracker/retry_schedule.h"

class TSongPoster {
public:
    // What each try reads afresh, so that corrected settings apply to plays already waiting.
    struct Target {
        std::string url;
        std::string password;
        bool enabled = false;  // "Post song data"
        bool utf8 = false;     // "Send text as UTF-8"
    };

    // `log` receives every line; `readTarget` and `utcNow` (milliseconds since 1970 UTC)
    // are asked at each try.
    TSongPoster(toolkit::Form& form, toolkit::Memo& log, std::function<Target()> readTarget,
                std::function<std::int64_t()> utcNow);
    ~TSongPoster();
    TSongPoster(const TSongPoster&) = delete;
    TSongPoster& operator=(const TSongPoster&) = delete;

    // Milliseconds, set by the settings; each exchange takes the value it has when it starts.
    int ConnectTimeout = 0;

    // Reads the outbox at `path` (the first poll) and tries what waits there when due.
    void Poll(const std::u16string& path);
    // Writes down the play of `song` (the window's UTF-8 texts; the password is left out), current
    // since `currentSinceMs`, then tries at once unless the site asked to wait.
    void Record(const TSongFields& song, std::int64_t currentSinceMs, const std::u16string& path);
    // Apply: tries again at once unless the site asked to wait.
    void TryNow();

    // Ends the exchange in flight (its play stays in the outbox) and waits up to `graceMs`
    // for the worker; true when no thread of ours runs any more. Nothing is sent after,
    // and a play recorded after goes to the outbox only.
    bool Stop(int graceMs);

    // The plays waiting (for tests and the log).
    std::size_t Waiting() const { return outbox_ ? outbox_->Plays().size() : 0; }

private:
    struct Client;
    class Exchange;
    struct Result;

    void Open(const std::u16string& path);
    void SendNext();
    void Settle(const TPlay& play, const Result& result);
    void Released();
    std::int64_t Now() const { return utcNow_(); }

    toolkit::Memo& log_;
    std::function<Target()> readTarget_;
    std::function<std::int64_t()> utcNow_;
    std::shared_ptr<Client> client_;  // shared with the jobs, which may outlive the window
    std::unique_ptr<toolkit::Worker> worker_;
    std::optional<TOutbox> outbox_;
    TRetrySchedule schedule_;
    bool inFlight_ = false;
    bool stopped_ = false;
};
