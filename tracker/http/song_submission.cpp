#include "tracker/http/song_submission.h"

#include "platform/codepage.h"
#include "platform/text.h"

std::string FileNamePart(const std::string& path) {
    return path.substr(platform::FileNameStart(path));
}

std::string CharsetName(unsigned codePage) {
    if ((codePage >= 1250 && codePage <= 1258) || codePage == 874) return "windows-" + std::to_string(codePage);
    if (codePage == 65001) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

TSongFields WireFields(TSongFields texts, bool utf8) {
    texts.filename = FileNamePart(texts.filename);
    if (utf8) {
        texts.charset = "UTF-8";
        return texts;
    }
    for (std::string* text : {&texts.artist, &texts.album, &texts.title, &texts.track, &texts.year,
                              &texts.genre, &texts.comment, &texts.filename, &texts.password}) {
        *text = platform::AnsiFromUtf8(*text);
    }
    texts.charset = CharsetName(platform::AnsiCodePage());
    return texts;
}

void AddSongFields(TMultipartFormStream& body, const TSongFields& song) {
    body.AddTextField("artist", song.artist);
    body.AddTextField("album", song.album);
    body.AddTextField("title", song.title);
    body.AddTextField("track", song.track);
    body.AddTextField("year", song.year);
    body.AddTextField("genre", song.genre);
    body.AddTextField("comment", song.comment);
    body.AddTextField("filename", song.filename);
    // The comment a second time, after the file name: receivers rely on this order.
    body.AddTextField("comment", song.comment);
    body.AddTextField("password", song.password);
    body.AddTextField("_charset_", song.charset);
}

void AddPlayFields(TMultipartFormStream& body, const std::string& playedAt,
                   const std::string& playId) {
    body.AddTextField("played_at", playedAt);
    body.AddTextField("play_id", playId);
}

std::array<std::string, 3> SubmissionResultLines(const THttpClient& http,
                                                 const std::string& buffer) {
    // The window and the log hold UTF-8; a site may answer in its code page.
    std::string output = "Output: " + platform::Utf8FromUtf8OrAnsi(buffer);
    // The status stands (the site took the play), but what came is not the whole answer.
    if (const auto& cut = http.LastBodyCutShort())
        output += " (cut short: " + std::to_string(cut->received) + " of " +
                  std::to_string(cut->announced) + " bytes)";
    return {"Code: " + std::to_string(http.LastStatusCode()),
            "Message: " + platform::Utf8FromUtf8OrAnsi(http.LastStatusLine()), output};
}
