// The settings the main window holds while it runs: the file as read (so keys
// of other sections survive the store at close) and the sections it uses.
#pragma once

#include "app/Settings.h"
#include "core/IniFile.h"

namespace quilto::app {

struct AppSettings {
    SettingsLocation location;
    core::IniFile file;
    WindowSettings window;
    GeneralOptions general;
    RenameOptions rename;
    RenamePageSettings renamePage;
    int cueCheck = 1;
};

}  // namespace quilto::app
