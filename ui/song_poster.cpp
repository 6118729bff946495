#include "ui/song_poster.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <exception>
#include <string_view>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/connection.h"
#include "tracker/http/http_client.h"
#include "tracker/utc_time.h"

namespace {

// The user's clock time `delayMs` from now, rounded up to the second, as HH:MM:SS.
std::string LocalClockTimeAfter(std::int64_t delayMs) {
    const platform::LocalDateTime local = platform::LocalNow();
    const std::int64_t ms = ((local.hour * 60 + local.minute) * 60 + local.second) * 1000LL +
                            local.millisecond + std::max<std::int64_t>(delayMs, 0);
    const std::int64_t seconds = (ms + 999) / 1000 % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

// An error's message on one line; some carry the system's text after a line break.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text.empty() ? "no answer" : text;
}

}  // namespace

struct TSongPoster::Client {
    std::atomic<bool> cancelled{false};
    THttpClient http{platform::MakeSystemConnector(&cancelled)};
};

struct TSongPoster::Result {
    bool answered = false;  // a status line came in this exchange
    int code = -1;
    std::string statusLine;
    std::string retryAfter;
    std::string failure;
    std::array<std::string, 3> lines;
};

class TSongPoster::Exchange : public toolkit::Job {
public:
    Exchange(TSongPoster& poster, std::shared_ptr<Client> client, std::string url,
             TMultipartFormStream body, int timeoutMs, TPlay play)
        : poster_(poster), client_(std::move(client)), url_(std::move(url)),
          body_(std::move(body)), timeoutMs_(timeoutMs), play_(std::move(play)) {}

    // Away from the window: touches the client and this job only.
    void Run() override {
        THttpClient& http = client_->http;
        std::string buffer;
        try {
            http.ConnectTimeout = timeoutMs_;
            http.PostForm(url_, body_, buffer);
        } catch (const std::exception& error) {
            result_.failure = OneLine(error.what());
        } catch (...) {
            result_.failure = OneLine("");
        }
        result_.answered = http.LastPostAnswered();
        result_.code = http.LastStatusCode();
        result_.statusLine = http.LastStatusLine();
        result_.retryAfter = http.LastRetryAfter();
        result_.lines = SubmissionResultLines(http, buffer);
    }

    void Finish() override { poster_.Settle(play_, result_); }
    void Dropped() override { poster_.Released(); }
    // Could not run, or its result was lost: a failed try like any other.
    void Failed(std::string_view why) override {
        result_ = Result{};
        result_.failure = OneLine(std::string(why));
        poster_.Settle(play_, result_);
    }
    void Cancel() override { client_->cancelled = true; }

private:
    TSongPoster& poster_;  // alive while the form can deliver this job's outcome
    std::shared_ptr<Client> client_;
    std::string url_;
    TMultipartFormStream body_;
    int timeoutMs_;
    TPlay play_;
    Result result_;
};

TSongPoster::TSongPoster(toolkit::Form& form, toolkit::Memo& log,
                         std::function<Target()> readTarget, std::function<std::int64_t()> utcNow)
    : log_(log), readTarget_(std::move(readTarget)), utcNow_(std::move(utcNow)),
      client_(std::make_shared<Client>()), worker_(form.GetBackend().CreateWorker(form)) {}

TSongPoster::~TSongPoster() = default;

void TSongPoster::Open(const std::u16string& path) {
    if (outbox_) return;
    outbox_.emplace(path, [this](const std::string& line) { log_.AddLine(line); });
    outbox_->Load();
}

void TSongPoster::Poll(const std::u16string& path) {
    Open(path);
    SendNext();
}

void TSongPoster::Record(const TSongFields& song, std::int64_t currentSinceMs,
                         const std::u16string& path) {
    Open(path);
    TSongFields stored = song;
    stored.password.clear();
    outbox_->Append(TPlay{std::move(stored), FormatUtcTimestamp(currentSinceMs), NewPlayId()});
    TryNow();
}

void TSongPoster::TryNow() {
    if (!outbox_ || stopped_) return;
    schedule_.TryNow(Now());
    SendNext();
}

void TSongPoster::SendNext() {
    if (stopped_ || inFlight_ || !outbox_ || !schedule_.Due(Now())) return;
    const Target target = readTarget_();
    // Posting off, or nowhere to post: the plays wait.
    if (!target.enabled || target.url.empty()) return;
    // Another player on this Plugins folder is sending: it sends these plays too.
    if (!outbox_->ClaimSending()) return;
    outbox_->Load();
    if (outbox_->Plays().empty()) return outbox_->EndSending();
    const TPlay& play = outbox_->Plays().front();
    try {
        TSongFields fields = play.song;
        fields.password = target.password;
        TMultipartFormStream body;
        // The texts go as the box says now; the address in the code page, as it always went.
        AddSongFields(body, WireFields(std::move(fields), target.utf8));
        AddPlayFields(body, play.playedAt, play.playId);
        inFlight_ = true;
        worker_->Queue(std::make_unique<Exchange>(*this, client_, platform::AnsiFromUtf8(target.url),
                                                  std::move(body), ConnectTimeout, play));
    } catch (...) {
        // Memory ran out: the play stays in the outbox for the next poll.
        inFlight_ = false;
        outbox_->EndSending();
    }
}

void TSongPoster::Settle(const TPlay& play, const Result& result) {
    inFlight_ = false;
    const std::string name = FileNamePart(play.song.filename);
    const int tries = schedule_.Tries(play.playId);
    const bool exchanged = !result.lines[0].empty();
    if (tries == 0 && exchanged) {
        for (const std::string& line : result.lines) log_.AddLine(line);
    } else {
        log_.AddLine("Try " + std::to_string(tries + 1) + " for " + name + ": " +
                     (result.answered ? result.statusLine : result.failure));
    }
    const TPlayVerdict verdict = JudgeExchange(result.answered, result.code);
    if (verdict == TPlayVerdict::Refused)
        log_.AddLine("Refused by the site, not sent again: " + name + " (Code: " +
                     std::to_string(result.code) + ")");
    if (verdict == TPlayVerdict::Kept) {
        const auto retryAfter = result.answered
                                    ? RetryAfterDelay(result.code, result.retryAfter, Now())
                                    : std::nullopt;
        if (schedule_.Failed(play.playId, Now(), retryAfter, outbox_->Plays().size() > 1))
            outbox_->MoveBehind(play.playId);
    } else {
        outbox_->Remove(play.playId);
        schedule_.Settled(play.playId);
    }
    outbox_->EndSending();
    if (!outbox_->Plays().empty())
        log_.AddLine("Waiting to be sent: " + std::to_string(outbox_->Plays().size()) +
                     " (next try at " + LocalClockTimeAfter(schedule_.NextTryMs() - Now()) + ")");
    SendNext();
}

void TSongPoster::Released() {
    if (!inFlight_) return;
    inFlight_ = false;
    if (outbox_) outbox_->EndSending();
}

bool TSongPoster::Stop(int graceMs) {
    stopped_ = true;
    const bool ended = worker_->Stop(graceMs);
    Released();
    return ended;
}
