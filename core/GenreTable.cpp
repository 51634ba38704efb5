#include "core/GenreTable.h"

#include <algorithm>

#include "core/AsciiCase.h"

namespace quilto::core {

namespace {

constexpr std::array<std::string_view, kStandardGenreCount> kStandardNames = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop",
    "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game",
    "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative",
    "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial",
    "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40",
    "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave",
    "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical",
    "Rock & Roll", "Hard Rock", "Folk", "Folk/Rock", "National Folk", "Swing", "Fast-Fusion", "Bebob",
    "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock",
    "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic",
    "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad",
    "Phythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A Cappella", "Euro-House", "Dance Hall",
    "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk",
    "Beat", "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian",
    "Christian Rock", "Merengue", "Salsa", "Thrash Metal", "Anime", "JPop", "Synthpop",
};

constexpr std::array<std::string_view, 8> kJapaneseNames = {
    "Heavy Rock(J)", "Doom Rock(J)", "J-POP(J)", "Seiyu(J)", "Tecno Ambient(J)", "Moemoe(J)", "Tokusatsu(J)", "Anime(J)",
};

constexpr std::array<std::string_view, kGenreCount> MakeBuiltIn() {
    std::array<std::string_view, kGenreCount> names{};
    for (std::size_t i = 0; i < kGenreCount; ++i) names[i] = kUserGenre;
    for (std::size_t i = 0; i < kStandardNames.size(); ++i) names[i] = kStandardNames[i];
    for (std::size_t i = 0; i < kJapaneseNames.size(); ++i) names[248 + i] = kJapaneseNames[i];
    return names;
}

constexpr std::array<std::string_view, kGenreCount> kBuiltIn = MakeBuiltIn();

}  // namespace

const std::array<std::string_view, kGenreCount>& BuiltInGenreNames() { return kBuiltIn; }

GenreTable::GenreTable(bool extended, const std::map<int, std::string>& customNames) : extended_(extended) {
    const std::size_t count = extended ? kGenreCount : kStandardGenreCount;
    for (std::size_t i = 0; i < count; ++i) {
        const auto custom = customNames.find(static_cast<int>(i));
        id3v2Names_.push_back(custom != customNames.end() ? custom->second : std::string(kBuiltIn[i]));
    }
    id3v1Names_ = id3v2Names_;
    if (extended) id3v1Names_[kGenreCount - 1].clear();
}

std::string GenreTable::id3v1Genre(unsigned number) const {
    if (number >= id3v1Names_.size() || id3v1Names_[number] == kUserGenre) return {};
    return id3v1Names_[number];
}

unsigned GenreTable::id3v1Number(std::string_view name) const {
    for (std::size_t i = 0; i < id3v1Names_.size(); ++i) {
        if (EqualIgnoringCase(id3v1Names_[i], name)) return static_cast<unsigned>(i);
    }
    return 255;
}

}  // namespace quilto::core
