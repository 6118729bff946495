#include "tools/quillon/post_command.h"

#include <iostream>
#include <map>
#include <optional>

#include "platform/codepage.h"
#include "tracker/http/http_client.h"
#include "tracker/http/http_errors.h"
#include "tracker/http/song_submission.h"

const char kPostUsage[] =
    "  post URL [--artist A] [--album B] [--title T] [--track N]\n"
    "           [--year Y] [--genre G] [--comment C] [--filename PATH]\n"
    "           [--password P] [--timeout MS] [--count N]\n"
    "                 post the song fields to a web script and print the answer";

namespace {

constexpr int kDefaultTimeoutMs = 30000;  // the plug-in's own default

int Usage(const std::string& problem) {
    std::cerr << "quillon post: " << problem << "\nusage:\n" << kPostUsage << "\n";
    return 2;
}

// The texts of the plug-in are in the ANSI code page; the command line gives UTF-8.
std::string Ansi(const std::string& utf8) {
    return platform::AnsiFromUtf16(platform::Utf16FromUtf8(utf8));
}

std::optional<int> WholeNumber(const std::string& text, int lowest, int highest) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

}  // namespace

int RunPost(const std::vector<std::string>& args) {
    TSongFields song;
    const std::map<std::string, std::string*> texts = {
        {"--artist", &song.artist},     {"--album", &song.album},
        {"--title", &song.title},       {"--track", &song.track},
        {"--year", &song.year},         {"--genre", &song.genre},
        {"--comment", &song.comment},   {"--filename", &song.filename},
        {"--password", &song.password}};
    std::optional<std::string> url;
    int timeout = kDefaultTimeoutMs;
    int count = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.rfind("--", 0) != 0) {
            if (url) return Usage("more than one URL: " + word);
            url = Ansi(word);
            continue;
        }
        if (i + 1 == args.size()) return Usage(word + " needs a value");
        const std::string& value = args[++i];
        if (const auto text = texts.find(word); text != texts.end()) {
            *text->second = Ansi(value);
        } else if (word == "--timeout") {
            const auto number = WholeNumber(value, 0, 3600000);
            if (!number) return Usage("--timeout takes milliseconds: " + value);
            timeout = *number;
        } else if (word == "--count") {
            const auto number = WholeNumber(value, 1, 1000000);
            if (!number) return Usage("--count takes a number from 1: " + value);
            count = *number;
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
        AddSongFields(body, song);
        std::string buffer;
        try {
            http.PostForm(*url, body, buffer);
            succeeded = true;
        } catch (const EHttpError& error) {
            succeeded = false;
            std::cerr << "quillon post: " << error.what() << "\n";
        }
        for (const std::string& line : SubmissionResultLines(http, buffer)) std::cout << line << '\n';
    }
    std::cout.flush();
    return succeeded ? 0 : 1;
}
