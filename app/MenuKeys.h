// Keyboard access to a window's menu bar whose captions have no access keys:
// F10, or Alt pressed and released alone, opens the first menu.
#pragma once

class QMainWindow;

namespace quilto::app {

void InstallMenuKeys(QMainWindow& window);

}  // namespace quilto::app
