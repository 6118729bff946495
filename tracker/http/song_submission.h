// What one song submission sends and logs, shared by the window and the `quillon post`
// command: the ten form fields in their order, and the three result lines.
#pragma once

#include <array>
#include <string>

#include "tracker/http/http_client.h"
#include "tracker/http/multipart_form_stream.h"

// The texts of a submission, as they go on the wire.
struct TSongFields {
    std::string artist, album, title, track, year, genre, comment;
    std::string filename;  // the file's full name; WireFields keeps only its name part
    std::string password;
    std::string charset;  // what the receiver is to read the texts in
};

// The name PHP's iconv knows for a Windows code page: windows-1250 to windows-1258,
// windows-874, CP932, CP936, CP949, CP950, UTF-8 for 65001, else CP and the number.
std::string CharsetName(unsigned codePage);
// The window's UTF-8 texts as sent: as they are, or (for receivers that expect it) each in
// the ANSI code page, where a missing character becomes the code page's default character.
// The file name is cut to its name part before that: in a double-byte code page a "\" byte
// may be half of a character.
TSongFields WireFields(TSongFields texts, bool utf8);

// The characters after the last "\" or ":", or the whole text when it has neither.
std::string FileNamePart(const std::string& path);

// Adds the ten fields: artist, album, title, track, year, genre, comment, filename, comment
// again, password; then `_charset_` (the form-data name for the body's
// character set). Every value is sent unchanged, an empty one included.
void AddSongFields(TMultipartFormStream& body, const TSongFields& song);

// After the ten: "played_at", when the song became current (UTC, 2026-12-09T07:58:31Z), and
// "play_id", the same on every try of one play, so that a receiver stores each play once.
void AddPlayFields(TMultipartFormStream& body, const std::string& playedAt,
                   const std::string& playId);

// "Code: " and LastStatusCode, "Message: " and LastStatusLine, "Output: " and the buffer as
// UTF-8 text (its line breaks kept; an answer that is not UTF-8 read in the code
// page); on success and on failure alike. A body cut short is marked
// after it: "Output: hello (cut short: 5 of 100 bytes)".
std::array<std::string, 3> SubmissionResultLines(const THttpClient& http,
                                                 const std::string& buffer);
