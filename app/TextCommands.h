// The column commands "Replace" and "Convert" that several lists share: what
// the window lends the pages for them (the replace question with its
// histories, the word delimiters) and the Convert submenu.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rename/ReplaceConvert.h"

class QMenu;
class QWidget;

namespace quilto::app {

struct TextCommands {
    // The replace page for the column captioned `caption`, From preset with
    // `preset`; nothing after Cancel. The window keeps the histories.
    std::function<std::optional<rename::ReplaceRequest>(QWidget* owner, const QString& caption, const QString& preset)>
        askReplace;
    std::function<std::string()> wordDelimiters;
};

// "UpperCase/LowerCase", "Beginning of a Word UpperCase" and "Trimming" with
// their items; each item's data is its menu tag.
QMenu* AddConvertMenu(QMenu& menu, const std::function<void(rename::Conversion)>& run);

// Applies the operation to the texts; true per text whose cell counts as
// changed.
std::vector<bool> ApplyToTexts(const rename::TextOperation& operation, std::span<std::string> texts);

}  // namespace quilto::app
