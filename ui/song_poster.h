// The submissions' side of the window: a worker that posts them one after another with the
// one HTTP client `http`, which only the worker's thread uses, so its cookies and its last
// status line carry from one submission to the next. The player's thread never waits for
// the network: it hands each submission over and gets its log lines back later.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "toolkit/edits.h"
#include "toolkit/form.h"
#include "toolkit/worker.h"
#include "tracker/http/multipart_form_stream.h"

class TSongPoster {
public:
    explicit TSongPoster(toolkit::Form& form);
    ~TSongPoster();
    TSongPoster(const TSongPoster&) = delete;
    TSongPoster& operator=(const TSongPoster&) = delete;

    // Milliseconds, set by the settings; each submission takes the value it has when queued.
    int ConnectTimeout = 0;

    // Queues the post of `body` to `url`. Its three result lines are added to `log` on the
    // form's thread, in the order of the submissions; a body that could not be built
    // (nullopt) is not posted, and logs what `http` holds. A full queue drops its oldest
    // waiting submission, and logs one line naming `song` in place of its three.
    void Post(std::string url, std::optional<TMultipartFormStream> body, std::string song,
              toolkit::Memo& log);

    // Ends the exchange in flight, drops the waiting submissions and waits up to `graceMs`
    // for the worker; true when no thread of ours runs any more. Nothing is posted after.
    bool Stop(int graceMs);

    // The line logged for a song that a full queue dropped.
    static std::string DroppedLine(const std::string& song);
    // The line logged, in place of its three, for a song whose submission could not run or
    // whose result was lost: `why`.
    static std::string FailedLine(const std::string& song, std::string_view why);

private:
    struct Client;
    class Submission;

    std::shared_ptr<Client> client_;  // shared with the jobs, which may outlive the window
    std::unique_ptr<toolkit::Worker> worker_;
};
