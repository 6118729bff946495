#include "tools/quillon/post_command.h"

#include <iostream>
#include <map>
#include <optional>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/whole_number.h"
#include "tracker/http/http_client.h"
#include "tracker/http/http_errors.h"
#include "tracker/http/song_submission.h"
#include "tracker/outbox.h"
#include "tracker/utc_time.h"

const char kPostUsage[] =
    "  post URL [--artist A] [--album B] [--title T] [--track N]\n"
    "           [--year Y] [--genre G] [--comment C] [--filename PATH]\n"
    "           [--password P] [--played-at 2026-12-09T07:58:31Z]\n"
    "           [--play-id 32HEX] [--timeout MS] [--count N] [--utf8]\n"
    "                 post the song fields to a web script and print the answer;\n"
    "                 the texts go in the ANSI code page as the plug-in's default,\n"
    "                 or in UTF-8; played-at is now and play-id random unless\n"
    "                 given, and --count posts the same play N times";

namespace {

constexpr int kDefaultTimeoutMs = 30000;  // the plug-in's own default
// Decimal digits only.
constexpr platform::NumberGrammar kTimeoutText{.lowest = 0, .highest = 3600000};
constexpr platform::NumberGrammar kCountText{.lowest = 1, .highest = 1000000};

int Usage(const std::string& problem) {
    std::cerr << "quillon post: " << problem << "\nusage:\n" << kPostUsage << "\n";
    return 2;
}

}  // namespace

int RunPost(const std::vector<std::string>& args) {
    TSongFields song;
    std::string playedAt = FormatUtcTimestamp(platform::UtcNowMilliseconds());
    std::string playId = NewPlayId();
    const std::map<std::string, std::string*> texts = {
        {"--artist", &song.artist},     {"--album", &song.album},
        {"--title", &song.title},       {"--track", &song.track},
        {"--year", &song.year},         {"--genre", &song.genre},
        {"--comment", &song.comment},   {"--filename", &song.filename},
        {"--password", &song.password}, {"--played-at", &playedAt},
        {"--play-id", &playId}};
    std::optional<std::string> url;
    int timeout = kDefaultTimeoutMs;
    int count = 1;
    bool utf8 = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.rfind("--", 0) != 0) {
            if (url) return Usage("more than one URL: " + word);
            // The address goes as the window sends it: in the code page.
            url = platform::AnsiFromUtf8(word);
            continue;
        }
        if (word == "--utf8") {
            utf8 = true;
            continue;
        }
        if (i + 1 == args.size()) return Usage(word + " needs a value");
        const std::string& value = args[++i];
        if (const auto text = texts.find(word); text != texts.end()) {
            *text->second = value;
        } else if (word == "--timeout") {
            const auto number = platform::ParseWholeNumber(value, kTimeoutText);
            if (!number) return Usage("--timeout takes milliseconds: " + value);
            timeout = static_cast<int>(*number);
        } else if (word == "--count") {
            const auto number = platform::ParseWholeNumber(value, kCountText);
            if (!number) return Usage("--count takes a number from 1: " + value);
            count = static_cast<int>(*number);
        } else {
            return Usage("unknown option " + word);
        }
    }
    if (!url) return Usage("no URL");

    THttpClient http;
    http.ConnectTimeout = timeout;
    bool succeeded = false;
    for (int post = 0; post < count; ++post) {
        TMultipartFormStream body;
        AddSongFields(body, WireFields(song, utf8));
        AddPlayFields(body, playedAt, playId);
        std::string buffer;
        try {
            http.PostForm(*url, body, buffer);
            succeeded = !http.LastBodyCutShort();  // the Output line says so
        } catch (const EHttpError& error) {
            succeeded = false;
            std::cerr << "quillon post: " << error.what() << "\n";
        }
        for (const std::string& line : SubmissionResultLines(http, buffer)) std::cout << line << '\n';
    }
    std::cout.flush();
    return succeeded ? 0 : 1;
}
