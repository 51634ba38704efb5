// The column tool menu that the tag pages and the Pack and UnPack pages
// share: "Set All", "Copy From" ▸ and "Append From" ▸ with the sources the
// page offers, "Replace", "Convert" ▸, "Editor" and "Clear".
#pragma once

#include <QString>

#include <functional>
#include <vector>

#include "rename/ReplaceConvert.h"

class QMenu;

namespace quilto::app {

struct ColumnMenuItem {
    QString caption;
    int code = 0;  // source × 10 + field; a new source starts a new group
};

struct ColumnMenuCommands {
    std::function<void()> setAll;
    std::vector<ColumnMenuItem> copyItems;
    std::function<void(int code, bool append)> copyFrom;  // none: no Copy/Append From menus
    std::function<void()> replace;                     // none: disabled
    std::function<void(rename::Conversion)> convert;  // none: disabled
    std::function<void()> editor;  // none: no "Editor" item
    std::function<void()> clear;  // none: shown disabled
};

// Fills the menu; each Copy/Append item's data is its three-digit tag
// (100 copies, 200 appends, + its code).
void FillColumnMenu(QMenu& menu, int column, const ColumnMenuCommands& commands);

}  // namespace quilto::app
