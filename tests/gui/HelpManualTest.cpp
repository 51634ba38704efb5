// The manual the Help menu and F1 open: every place the program can open it
// at has its anchor, so no help request lands at the top of the page.
#include <gtest/gtest.h>

#include <QFile>
#include <QString>

// The manual is a resource of the window's static library.
static void LoadManualResource() { Q_INIT_RESOURCE(app); }

namespace {

TEST(HelpManual, HasAnAnchorForEveryHelpContext) {
    LoadManualResource();
    QFile file(QStringLiteral(":/help/index.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the manual is not among the resources";
    const QString manual = QString::fromUtf8(file.readAll());
    // Main window, upper panel, the five pages, the option dialogs, the
    // pack, extract and cue list dialogs, the five set-all pages, the about box.
    for (const int context :
         {101, 303, 304, 305, 306, 307, 201, 202, 203, 3081, 3082, 3083, 3084, 3085, 3086, 3087, 3088, 902}) {
        EXPECT_TRUE(manual.contains(QStringLiteral("<a name=\"ctx-%1\">").arg(context))) << context;
    }
    // Links inside the manual lead somewhere.
    qsizetype at = 0;
    while ((at = manual.indexOf(QStringLiteral("href=\"#"), at)) >= 0) {
        at += 7;
        const QString target = manual.mid(at, manual.indexOf(QLatin1Char('"'), at) - at);
        EXPECT_TRUE(manual.contains(QStringLiteral("<a name=\"%1\">").arg(target))) << target.toStdString();
    }
}

}  // namespace
