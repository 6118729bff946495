#include "ui/song_poster.h"

#include <array>
#include <atomic>

#include "platform/connection.h"
#include "tracker/http/http_client.h"
#include "tracker/http/song_submission.h"

struct TSongPoster::Client {
    std::atomic<bool> cancelled{false};
    THttpClient http{platform::MakeSystemConnector(&cancelled)};
};

class TSongPoster::Submission : public toolkit::Job {
public:
    Submission(std::shared_ptr<TSongPoster::Client> client, std::string url,
               std::optional<TMultipartFormStream> body, int timeoutMs, std::string song,
               toolkit::Memo& log)
        : client_(std::move(client)), url_(std::move(url)), body_(std::move(body)),
          timeoutMs_(timeoutMs), song_(std::move(song)), log_(log) {}

    void Run() override {
        THttpClient& http = client_->http;
        std::string buffer;
        try {
            if (body_) {
                http.ConnectTimeout = timeoutMs_;
                http.PostForm(url_, *body_, buffer);
            }
        } catch (...) {
            // Every failure of the exchange: the log lines below are the only report. What
            // fails after it (memory for the lines) the worker reports as the job's failure.
        }
        lines_ = SubmissionResultLines(http, buffer);
        body_.reset();
    }

    void Finish() override {
        for (const std::string& line : lines_) log_.AddLine(line);
    }

    void Dropped() override { log_.AddLine(TSongPoster::DroppedLine(song_)); }

    void Failed(std::string_view why) override { log_.AddLine(TSongPoster::FailedLine(song_, why)); }

    void Cancel() override { client_->cancelled = true; }

private:
    std::shared_ptr<TSongPoster::Client> client_;
    std::string url_;
    std::optional<TMultipartFormStream> body_;
    int timeoutMs_;
    std::string song_;
    toolkit::Memo& log_;
    std::array<std::string, 3> lines_;
};

TSongPoster::TSongPoster(toolkit::Form& form)
    : client_(std::make_shared<Client>()), worker_(form.GetBackend().CreateWorker(form)) {}

TSongPoster::~TSongPoster() = default;

void TSongPoster::Post(std::string url, std::optional<TMultipartFormStream> body,
                       std::string song, toolkit::Memo& log) {
    worker_->Queue(std::make_unique<Submission>(client_, std::move(url), std::move(body),
                                                ConnectTimeout, std::move(song), log));
}

bool TSongPoster::Stop(int graceMs) { return worker_->Stop(graceMs); }

std::string TSongPoster::DroppedLine(const std::string& song) {
    std::string line = "Not sent, ";
    line += std::to_string(toolkit::JobQueue::kMaxWaiting);
    line += " songs were waiting: ";
    line += song;
    return line;
}

std::string TSongPoster::FailedLine(const std::string& song, std::string_view why) {
    std::string line = "Failed (";
    line += why;
    line += "): ";
    line += song;
    return line;
}
