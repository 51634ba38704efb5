// Saves a picture of the main window on a folder, for the README:
//   gui_screenshot OUTPUT.png FOLDER [WIDTH HEIGHT]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "app/FileListView.h"
#include "app/FormMain.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: gui_screenshot OUTPUT.png FOLDER [WIDTH HEIGHT]\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A settings folder of its own, so the picture shows the defaults.
    QTemporaryDir settings;
    qputenv("QUILTO_CONFIG_DIR", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    quilto::app::FormMain window({QDir(QString::fromLocal8Bit(argv[2])).absolutePath()});
    const int width = argc > 4 ? QString::fromLocal8Bit(argv[3]).toInt() : 1000;
    const int height = argc > 4 ? QString::fromLocal8Bit(argv[4]).toInt() : 560;
    window.resize(width, height);
    window.show();
    window.runFirstIdle();
    window.fileList()->selectAll();
    QApplication::processEvents();
    const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
    window.close();
    return saved ? 0 : 1;
}
