// What one song submission sends and logs, shared by the window and the `quillon post`
// command: the ten form fields in their order, and the three result lines.
#pragma once

#include <array>
#include <string>

#include "tracker/http/http_client.h"
#include "tracker/http/multipart_form_stream.h"

// The texts of a submission, 8-bit ANSI strings as the window's controls hold them.
struct TSongFields {
    std::string artist, album, title, track, year, genre, comment;
    std::string filename;  // the file's full name; only its name part is sent
    std::string password;
};

// The characters after the last "\" or ":", or the whole text when it has neither.
std::string FileNamePart(const std::string& path);

// Adds the ten fields: artist, album, title, track, year, genre, comment, filename (its name
// part), comment again, password. Every value is sent unchanged, an empty one included.
void AddSongFields(TMultipartFormStream& body, const TSongFields& song);

// After the ten: "played_at", when the song became current (UTC, 2026-12-09T07:58:31Z), and
// "play_id", the same on every try of one play, so that a receiver stores each play once.
void AddPlayFields(TMultipartFormStream& body, const std::string& playedAt,
                   const std::string& playId);

// "Code: " and LastStatusCode, "Message: " and LastStatusLine, "Output: " and the buffer as
// text (its line breaks kept); on success and on failure alike. A body cut short is marked
// after it: "Output: hello (cut short: 5 of 100 bytes)".
std::array<std::string, 3> SubmissionResultLines(const THttpClient& http,
                                                 const std::string& buffer);
