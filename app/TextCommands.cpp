#include "app/TextCommands.h"

#include <QAction>
#include <QMenu>

#include "app/QtText.h"

namespace quilto::app {

QMenu* AddConvertMenu(QMenu& menu, const std::function<void(rename::Conversion)>& run) {
    QMenu* convert = menu.addMenu(QStringLiteral("Convert"));
    QMenu* group = nullptr;
    std::string_view groupCaption;
    for (const rename::ConversionInfo& info : rename::Conversions()) {
        if (group == nullptr || info.groupCaption != groupCaption) {
            groupCaption = info.groupCaption;
            group = convert->addMenu(ToQString(std::string(groupCaption)));
        }
        const rename::Conversion conversion = info.conversion;
        QAction* action = group->addAction(ToQString(std::string(info.caption)), [run, conversion] { run(conversion); });
        action->setData(info.menuTag);
    }
    return convert;
}

std::vector<bool> ApplyToTexts(const rename::TextOperation& operation, std::span<std::string> texts) {
    std::vector<std::string*> cells;
    cells.reserve(texts.size());
    for (std::string& text : texts) cells.push_back(&text);
    return rename::ApplyToColumn(operation, cells);
}

}  // namespace quilto::app
