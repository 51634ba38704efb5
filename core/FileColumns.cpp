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
    if (analysis.id3v2) {
        const Id3v2Record& v2 = *analysis.id3v2;
        set(FileColumn::Artist, v2.artist);
        set(FileColumn::Title, v2.title);
        set(FileColumn::Album, v2.album);
        set(FileColumn::Track, v2.track);
        set(FileColumn::Year, v2.year);
        set(FileColumn::Genre, v2.genre);
    } else if (analysis.id3v1) {
        const Id3v1Record& v1 = *analysis.id3v1;
        set(FileColumn::Artist, v1.artist);
        set(FileColumn::Title, v1.title);
        set(FileColumn::Album, v1.album);
        set(FileColumn::Track, v1.track);
        set(FileColumn::Year, v1.year);
        set(FileColumn::Genre, v1.genre);
    }
    for (std::size_t i = 0; i < kStreamColumnCount; ++i) {
        texts[static_cast<std::size_t>(FileColumn::Time) + i] = analysis.stream.texts[i];
    }
    return texts;
}

}  // namespace quilto::core
