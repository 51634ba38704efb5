// GoogleTest entry for the window tests: one QApplication for all of them,
// on the offscreen platform unless the caller chose another.
#include <gtest/gtest.h>

#include "app/Application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    quilto::app::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
