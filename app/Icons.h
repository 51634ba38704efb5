// The program's icons: the desktop theme's where it has one, else drawn here,
// so they stay crisp at any scale and need no image files.
#pragma once

#include <QIcon>

namespace quilto::app::icons {

QIcon PackedFile();   // a packed or bound file
QIcon CannotOpen();   // a file that could not be read
QIcon CueMark();      // the file carries an embedded cue sheet
QIcon PackedWithCue();
QIcon CannotOpenWithCue();
QIcon TagPresent();   // tag mark 1
QIcon TagAbsent();    // tag mark 0
QIcon Edited();       // edit mark 2
QIcon Excluded();     // a row no command touches
QIcon Folder();
QIcon OpenFolder();
QIcon Drive();
QIcon Program();

}  // namespace quilto::app::icons
