#include "app/FileProperties.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QUrl>

namespace quilto::app {

namespace {

constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";

bool FileManagerAvailable() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QString service = QString::fromLatin1(kFileManagerService);
    if (bus.interface()->isServiceRegistered(service)) return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(service);
}

QString PermissionText(QFile::Permissions p) {
    QString text;
    const std::pair<QFile::Permission, char> bits[] = {
        {QFile::ReadOwner, 'r'}, {QFile::WriteOwner, 'w'}, {QFile::ExeOwner, 'x'},
        {QFile::ReadGroup, 'r'}, {QFile::WriteGroup, 'w'}, {QFile::ExeGroup, 'x'},
        {QFile::ReadOther, 'r'}, {QFile::WriteOther, 'w'}, {QFile::ExeOther, 'x'}};
    for (const auto& [bit, letter] : bits) text += (p & bit) ? QLatin1Char(letter) : QLatin1Char('-');
    return text;
}

}  // namespace

void ShowOwnFileProperties(QWidget* owner, const QString& path) {
    const QFileInfo info(path);
    QDialog dialog(owner);
    dialog.setWindowTitle(QObject::tr("Properties - %1").arg(info.fileName()));
    auto* form = new QFormLayout(&dialog);
    const QLocale locale;
    auto add = [&](const QString& label, const QString& value) {
        auto* field = new QLabel(value, &dialog);
        field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, field);
    };
    add(QObject::tr("Name:"), info.fileName());
    add(QObject::tr("Folder:"), info.absolutePath());
    add(QObject::tr("Size:"), QObject::tr("%1 bytes").arg(locale.toString(info.size())));
    add(QObject::tr("Modified:"), locale.toString(info.lastModified(), QLocale::LongFormat));
    add(QObject::tr("Accessed:"), locale.toString(info.lastRead(), QLocale::LongFormat));
    add(QObject::tr("Owner:"), info.owner() + QLatin1Char(':') + info.group());
    add(QObject::tr("Permissions:"), PermissionText(info.permissions()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    dialog.exec();
}

void ShowFileProperties(QWidget* owner, const QString& path) {
    if (FileManagerAvailable()) {
        QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kFileManagerService),
                                                           QStringLiteral("/org/freedesktop/FileManager1"),
                                                           QString::fromLatin1(kFileManagerService),
                                                           QStringLiteral("ShowItemProperties"));
        call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage) return;
    }
    ShowOwnFileProperties(owner, path);
}

}  // namespace quilto::app
