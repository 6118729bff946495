#include "tags/id3v1.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/files.h"
#include "tags/frame_text.h"
#include "tags/id3v2.h"

namespace tags {
namespace {

constexpr std::int64_t kTagLength = 128;

// Numbers 0 to 79 are the standard's, 80 to 191 the extension most players know.
constexpr std::array<std::string_view, 192> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "Alternative Rock", "Bass", "Soul",
    "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle",
    "Native American", "Cabaret", "New Wave", "Psychedelic", "Rave", "Showtunes", "Trailer",
    "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll",
    "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebop", "Latin",
    "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock",
    "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening",
    "Acoustic", "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony",
    "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba",
    "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock",
    "Drum Solo", "A Cappella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House",
    "Hardcore", "Terror", "Indie", "BritPop", "Afro-Punk", "Polsk Punk", "Beat",
    "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian",
    "Christian Rock", "Merengue", "Salsa", "Thrash Metal", "Anime", "JPop", "Synthpop", "Abstract",
    "Art Rock", "Baroque", "Bhangra", "Big Beat", "Breakbeat", "Chillout", "Downtempo", "Dub",
    "EBM", "Eclectic", "Electro", "Electroclash", "Emo", "Experimental", "Garage", "Global", "IDM",
    "Illbient", "Industro-Goth", "Jam Band", "Krautrock", "Leftfield", "Lounge", "Math Rock",
    "New Romantic", "Nu-Breakz", "Post-Punk", "Post-Rock", "Psytrance", "Shoegaze", "Space Rock",
    "Trop Rock", "World Music", "Neoclassical", "Audiobook", "Audio Theatre", "Neue Deutsche Welle",
    "Podcast", "Indie Rock", "G-Funk", "Dubstep", "Garage Rock", "Psybient",
};

// A fixed-width field: up to its first zero byte, taken as encoding 0 text is.
std::string FieldText(std::string_view tag, std::size_t offset, std::size_t width) {
    std::string_view field = tag.substr(offset, width);
    field = field.substr(0, field.find('\0'));
    return DecodeText(std::string(1, static_cast<char>(kLatin1Encoding)).append(field));
}

}  // namespace

bool ReadVersion1(const std::u16string& path, TID3v2& tag) {
    platform::File file;
    if (!file.OpenShareRead(path)) return false;
    const std::int64_t length = file.Length();
    std::string bytes(kTagLength, '\0');
    if (length < kTagLength || !file.Seek(length - kTagLength) ||
        file.Read(bytes.data(), bytes.size()) != kTagLength || !bytes.starts_with("TAG")) {
        return false;
    }
    tag.Title = FieldText(bytes, 3, 30);
    tag.Artist = FieldText(bytes, 33, 30);
    tag.Album = FieldText(bytes, 63, 30);
    tag.Year = FieldText(bytes, 93, 4);
    tag.Comment = FieldText(bytes, 97, 30);
    // Version 1.1: a zero byte ends the comment two bytes early, and the last holds the track.
    const auto track = static_cast<unsigned char>(bytes[126]);
    if (bytes[125] == '\0' && track != 0) {
        tag.TrackNumber = track;
        tag.TrackText = std::to_string(track);
    }
    // A number beyond the list (255 stands for none) gives no genre.
    const auto genre = static_cast<unsigned char>(bytes[127]);
    if (genre < kGenres.size()) tag.Genre = kGenres[genre];
    return true;
}

}  // namespace tags
