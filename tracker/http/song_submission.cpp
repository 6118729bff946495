#include "tracker/http/song_submission.h"

#include "platform/text.h"

std::string FileNamePart(const std::string& path) {
    return path.substr(platform::FileNameStart(path));
}

void AddSongFields(TMultipartFormStream& body, const TSongFields& song) {
    body.AddTextField("artist", song.artist);
    body.AddTextField("album", song.album);
    body.AddTextField("title", song.title);
    body.AddTextField("track", song.track);
    body.AddTextField("year", song.year);
    body.AddTextField("genre", song.genre);
    body.AddTextField("comment", song.comment);
    body.AddTextField("filename", FileNamePart(song.filename));
    // The comment a second time, after the file name: receivers rely on this order.
    body.AddTextField("comment", song.comment);
    body.AddTextField("password", song.password);
}

void AddPlayFields(TMultipartFormStream& body, const std::string& playedAt,
                   const std::string& playId) {
    body.AddTextField("played_at", playedAt);
    body.AddTextField("play_id", playId);
}

std::array<std::string, 3> SubmissionResultLines(const THttpClient& http,
                                                 const std::string& buffer) {
    std::string output = "Output: " + buffer;
    // The status stands (the site took the play), but what came is not the whole answer.
    if (const auto& cut = http.LastBodyCutShort())
        output += " (cut short: " + std::to_string(cut->received) + " of " +
                  std::to_string(cut->announced) + " bytes)";
    return {"Code: " + std::to_string(http.LastStatusCode()),
            "Message: " + http.LastStatusLine(), output};
}
