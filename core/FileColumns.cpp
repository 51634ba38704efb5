#include "core/FileColumns.h"

#include "core/FileDate.h"
#include "core/NumberText.h"

namespace quilto::core {

std::string_view FileColumnCaption(FileColumn column) { return kFileColumnCaptions[static_cast<std::size_t>(column)]; }

FileColumnTexts MakeFileColumnTexts(const FileAnalysis& analysis) {
    FileColumnTexts texts;
    auto set = [&texts](FileColumn column, std::string text) { texts[static_cast<std::size_t>(column)] = std::move(text); };
    set(FileColumn::FileName, analysis.fileName);
    if (!analysis.opened) return texts;
    set(FileColumn::FileSize, GroupThousands(analysis.fileSize));
    set(FileColumn::FileDate, FormatFileDate(analysis.modificationTime));
    set(FileColumn::Tag, std::string(analysis.id3v1 ? "v1" : "") + (analysis.id3v2 ? "v2" : ""));
    // Artist to Genre from ID3v2 when the file has that tag, even where it is empty.
    auto setTags = [&set](const std::string& artist, const std::string& title, const std::string& album,
                          const std::string& track, const std::string& year, const std::string& genre) {
        set(FileColumn::Artist, artist);
        set(FileColumn::Title, title);
        set(FileColumn::Album, album);
        set(FileColumn::Track, track);
        set(FileColumn::Year, year);
        set(FileColumn::Genre, genre);
    };
    if (const auto& v2 = analysis.id3v2) {
        setTags(v2->artist, v2->title, v2->album, v2->track, v2->year, v2->genre);
    } else if (const auto& v1 = analysis.id3v1) {
        setTags(v1->artist, v1->title, v1->album, v1->track, v1->year, v1->genre);
    }
    for (std::size_t i = 0; i < kStreamColumnCount; ++i) {
        texts[static_cast<std::size_t>(FileColumn::Time) + i] = analysis.stream.texts[i];
    }
    return texts;
}

}  // namespace quilto::core
