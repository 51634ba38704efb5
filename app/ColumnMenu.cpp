#include "app/ColumnMenu.h"

#include <QAction>
#include <QMenu>

#include "app/TextCommands.h"

namespace quilto::app {

void FillColumnMenu(QMenu& menu, int column, const ColumnMenuCommands& commands) {
    // The column the commands work on rides with the menu.
    menu.setProperty("column", column);
    menu.addAction(QStringLiteral("Set All"), commands.setAll);
    // A list without sources to copy from (the Cue List Editor) has no
    // Copy/Append menus at all.
    for (const bool append : {false, true}) {
        if (!commands.copyFrom) break;
        QMenu* sub = menu.addMenu(append ? QStringLiteral("Append From") : QStringLiteral("Copy From"));
        int group = -1;
        for (const ColumnMenuItem& item : commands.copyItems) {
            if (group >= 0 && item.code / 10 != group) sub->addSeparator();
            group = item.code / 10;
            const int code = item.code;
            const auto run = commands.copyFrom;
            QAction* action = sub->addAction(item.caption, [run, code, append] { run(code, append); });
            action->setData((append ? 200 : 100) + code);
        }
        sub->setEnabled(!commands.copyItems.empty());
    }
    // A column whose texts must keep a form (a cue time) has no free text
    // commands; they show disabled.
    QAction* replace = menu.addAction(QStringLiteral("Replace"));
    if (commands.replace) {
        QObject::connect(replace, &QAction::triggered, replace, commands.replace);
    } else {
        replace->setEnabled(false);
    }
    const auto convert = commands.convert;
    AddConvertMenu(menu, [convert](rename::Conversion conversion) {
        if (convert) convert(conversion);
    })->setEnabled(static_cast<bool>(convert));
    if (commands.editor) {
        menu.addSeparator();
        menu.addAction(QStringLiteral("Editor"), commands.editor);
    }
    menu.addSeparator();
    QAction* clear = menu.addAction(QStringLiteral("Clear"));
    if (commands.clear) {
        QObject::connect(clear, &QAction::triggered, clear, commands.clear);
    } else {
        clear->setEnabled(false);
    }
}

}  // namespace quilto::app
