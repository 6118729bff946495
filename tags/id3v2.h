// The ID3v2 tag at the start of an audio file: reads versions 2.2, 2.3 and 2.4 (a fixed set
// of 17 frames), or an ID3v1 tag where there is none, and writes version 2.3.0. Texts are
// UTF-8: every character of the tag's Unicode frames is kept, and its ISO-8859-1 frames (and
// an ID3v1 tag) are read in the system's ANSI code page. Nothing here throws or shows
// anything: results are Booleans, a write's failure kind, and fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tags/write_failure.h"

class TID3v2 {
public:
    TID3v2();

    void Clear();
    // `path` in UTF-16. True when the file could be opened and its first 10 bytes read, tag
    // or not; look at TagPresent for the tag. Every field is refilled from the file: from
    // its ID3v1 tag when it has no ID3v2 tag (Version1TagPresent).
    bool ReadTag(const std::u16string& path);
    // Replaces the file's tag by a version 2.3.0 tag of these fields; true when it is in the
    // file, else the failure says why. A field equal to what the file's tag gives now keeps
    // its old frame; a changed one (a cleared one as an empty frame) replaces the frame its
    // value came from. Every other frame is kept, but for unreadable frames of an edited text
    // field's id and the dates a year edit no longer fits. Fails while another program holds
    // the file open. Changes no field.
    TWriteResult WriteTag(const std::u16string& path) const;

    // Store the text without leading and trailing bytes 0x00 to 0x20.
    void SetTitle(std::string_view text);
    void SetArtist(std::string_view text);
    void SetAlbum(std::string_view text);
    void SetYear(std::string_view text);
    void SetGenre(std::string_view text);
    void SetComment(std::string_view text);
    // Keeps the low 16 bits: 70000 becomes 4464, -1 becomes 65535.
    void SetTrackNumber(int number);

    // Read directly by callers. Composer, EncodedBy, RightsNotice, Language and UserUrl have no
    // setters and are written back as read; MajorVersion, TotalSize, TrackText and
    // AudioSizeText are never written.
    bool TagPresent;
    bool Version1TagPresent;
    std::uint8_t MajorVersion;
    std::int32_t TotalSize;
    std::string Title;
    std::string Artist;
    std::string Album;
    std::uint16_t TrackNumber;
    std::string TrackText;
    std::string Year;
    std::string Genre;
    std::string Comment;
    std::string Composer;
    std::string EncodedBy;
    std::string RightsNotice;
    std::string Language;
    std::string UserUrl;
    std::string AudioSizeText;
};
