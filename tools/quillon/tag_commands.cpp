#include "tools/quillon/tag_commands.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/whole_number.h"
#include "tags/id3v2.h"

const char kReadUsage[] =
    "  read FILE      print the file's tag as one JSON object";
const char kWriteUsage[] =
    "  write FILE [--title T] [--artist A] [--album B] [--track N] [--year Y] [--genre G]\n"
    "             [--comment C]\n"
    "                 change the given fields and write the tag back as ID3v2.3, keeping\n"
    "                 every other frame";

namespace {

int UsageError(const char* message, const char* usage) {
    std::fprintf(stderr, "quillon: %s\nusage: quillon\n%s\n", message, usage);
    return 2;
}

int Failure(const std::string& file, const char* reason) {
    std::fprintf(stderr, "quillon: %s: %s\n", file.c_str(), reason);
    return 1;
}

std::u16string PathFromUtf8(const std::string& file) { return platform::Utf16FromUtf8(file); }

// A tag text as a JSON string literal in UTF-8.
std::string JsonText(const std::string& text) {
    std::u16string escaped;
    for (char16_t unit : platform::Utf16FromUtf8(text)) {
        switch (unit) {
            case u'"': escaped += u"\\\""; break;
            case u'\\': escaped += u"\\\\"; break;
            case u'\n': escaped += u"\\n"; break;
            case u'\r': escaped += u"\\r"; break;
            case u'\t': escaped += u"\\t"; break;
            default:
                if (unit < 0x20) {
                    char code[8];
                    std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(unit));
                    for (const char* c = code; *c; ++c) escaped += static_cast<char16_t>(*c);
                } else {
                    escaped += unit;
                }
        }
    }
    std::string json(1, '"');
    json += platform::Utf8FromUtf16(escaped);
    json += '"';
    return json;
}

std::string TagJson(const TID3v2& tag) {
    std::string json = "{";
    // `value` is already JSON.
    auto add = [&](const char* name, const std::string& value) {
        if (json.size() > 1) json += ", ";
        json += '"';
        json += name;
        json += "\": ";
        json += value;
    };
    add("TagPresent", tag.TagPresent ? "true" : "false");
    add("MajorVersion", std::to_string(tag.MajorVersion));
    add("TotalSize", std::to_string(tag.TotalSize));
    add("Title", JsonText(tag.Title));
    add("Artist", JsonText(tag.Artist));
    add("Album", JsonText(tag.Album));
    add("TrackNumber", std::to_string(tag.TrackNumber));
    add("TrackText", JsonText(tag.TrackText));
    add("Year", JsonText(tag.Year));
    add("Genre", JsonText(tag.Genre));
    add("Comment", JsonText(tag.Comment));
    add("Composer", JsonText(tag.Composer));
    add("EncodedBy", JsonText(tag.EncodedBy));
    add("RightsNotice", JsonText(tag.RightsNotice));
    add("Language", JsonText(tag.Language));
    add("UserUrl", JsonText(tag.UserUrl));
    add("AudioSizeText", JsonText(tag.AudioSizeText));
    json += '}';
    return json;
}

// Why ReadTag could not open the file or read its header.
TWriteFailure WhyNotRead(const std::u16string& path) {
    platform::File file;
    if (!platform::IsExistingFile(path) || !file.OpenShareRead(path)) {
        switch (platform::LastFileError()) {
            case platform::FileError::kNotFound: return TWriteFailure::NoSuchFile;
            case platform::FileError::kNotRegular: return TWriteFailure::NotRegularFile;
            case platform::FileError::kNoAccess: return TWriteFailure::NoAccess;
            case platform::FileError::kInUse: return TWriteFailure::InUse;
            default: return TWriteFailure::CannotOpen;
        }
    }
    return file.Length() < 10 ? TWriteFailure::TooShort : TWriteFailure::NotReadWhole;
}

int ReadFailure(const std::string& file) {
    const char* reason = "could not be read";
    switch (WhyNotRead(PathFromUtf8(file))) {
        case TWriteFailure::NoSuchFile: reason = "no such file"; break;
        case TWriteFailure::NotRegularFile: reason = "not a regular file"; break;
        case TWriteFailure::NoAccess: reason = "access denied"; break;
        case TWriteFailure::InUse: reason = "in use by another program"; break;
        case TWriteFailure::CannotOpen: reason = "could not be opened, perhaps in use by another program"; break;
        case TWriteFailure::TooShort: reason = "too short to hold a tag (under 10 bytes)"; break;
        default: break;
    }
    return Failure(file, reason);
}

int WriteFailure(const std::string& file, TWriteFailure failure) {
    std::fprintf(stderr, "quillon: %s\n", WriteFailureMessage(failure, file).c_str());
    return 1;
}

}  // namespace

int RunRead(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("read takes exactly one FILE", kReadUsage);
    TID3v2 tag;
    if (!tag.ReadTag(PathFromUtf8(args[0]))) return ReadFailure(args[0]);
    std::printf("%s\n", TagJson(tag).c_str());
    return 0;
}

int RunWrite(const std::vector<std::string>& args) {
    if (args.empty() || args[0].rfind("--", 0) == 0) {
        return UsageError("write needs a FILE first", kWriteUsage);
    }
    const std::string& file = args[0];
    // Options are checked before anything is read, so that a usage error touches nothing.
    struct Change {
        void (TID3v2::*setText)(std::string_view);
        std::string value;
    };
    std::vector<Change> changes;
    std::optional<std::int64_t> track;  // a signed 32-bit decimal number
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) {
            return UsageError(("option " + option + " needs a value").c_str(), kWriteUsage);
        }
        const std::string& value = args[i + 1];
        if (option == "--title") changes.push_back({&TID3v2::SetTitle, value});
        else if (option == "--artist") changes.push_back({&TID3v2::SetArtist, value});
        else if (option == "--album") changes.push_back({&TID3v2::SetAlbum, value});
        else if (option == "--year") changes.push_back({&TID3v2::SetYear, value});
        else if (option == "--genre") changes.push_back({&TID3v2::SetGenre, value});
        else if (option == "--comment") changes.push_back({&TID3v2::SetComment, value});
        else if (option == "--track") {
            track = platform::ParseWholeNumber(value, {.sign = true});
            if (!track) {
                return UsageError(("track \"" + value + "\" is not a whole number").c_str(),
                                  kWriteUsage);
            }
        } else {
            return UsageError(("unknown option " + option).c_str(), kWriteUsage);
        }
    }
    const std::u16string path = PathFromUtf8(file);
    TID3v2 tag;
    // The fields not given are written as read, so a file whose tag cannot be read is not
    // written: the fields it could not give would be lost.
    if (!tag.ReadTag(path)) return WriteFailure(file, WhyNotRead(path));
    for (const Change& change : changes) (tag.*change.setText)(change.value);
    if (track) tag.SetTrackNumber(static_cast<std::int32_t>(*track));
    if (const TWriteResult written = tag.WriteTag(path); !written) return WriteFailure(file, written.failure);
    return 0;
}
