#include "app/HelpWindow.h"

#include <QApplication>
#include <QDialog>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

namespace quilto::app {

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent), browser_(new QTextBrowser(this)) {
    setWindowTitle(tr("Quiltotrackery Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 600);
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QStringLiteral(":/help")});
    setCentralWidget(browser_);
    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setMovable(false);
    bar->addAction(tr("Contents"), this, [this] { showContext(0); });
    bar->addAction(tr("Back"), browser_, &QTextBrowser::backward);
    bar->addAction(tr("Forward"), browser_, &QTextBrowser::forward);
}

void HelpWindow::showContext(int context) {
    QUrl url(QStringLiteral("qrc:/help/index.html"));
    if (context != 0) url.setFragment(QStringLiteral("ctx-%1").arg(context));
    browser_->setSource(url);
    if (context != 0) browser_->scrollToAnchor(url.fragment());
    show();
    raise();
    activateWindow();
}

QString HelpWindow::currentSource() const { return browser_->source().toString(); }

void ShowHelp(QWidget* from, int context) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = from->window();
    auto* help = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!help) help = new HelpWindow(owner);
    help->showContext(context);
}

void EnableContextHelp(QDialog* dialog, int context) {
    auto* f1 = new QShortcut(QKeySequence::HelpContents, dialog);
    QObject::connect(f1, &QShortcut::activated, dialog, [dialog, context] { ShowHelp(dialog, context); });
}

}  // namespace quilto::app
