#include "app/DriveSelector.h"

#include <QDir>
#include <QSet>
#include <QAbstractItemView>
#include <QStorageInfo>
#include <QTimer>

#include "app/Icons.h"

namespace quilto::app {

namespace {

constexpr int kPollMs = 2500;

bool IsUnder(const QString& folder, const QString& root) {
    if (root == QLatin1String("/")) return folder.startsWith(QLatin1Char('/'));
    return folder == root || folder.startsWith(root + QLatin1Char('/'));
}

// Real storage: a device behind it, and not one of the system's own mounts.
bool IsUserVolume(const QStorageInfo& volume) {
    if (!volume.isValid() || !volume.isReady()) return false;
    const QString root = volume.rootPath();
    if (root == QLatin1String("/")) return true;
    static const QStringList kSystemPrefixes = {
        QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"), QStringLiteral("/run/user"),
        QStringLiteral("/boot"), QStringLiteral("/snap"), QStringLiteral("/var/snap"), QStringLiteral("/etc")};
    for (const QString& prefix : kSystemPrefixes) {
        if (IsUnder(root, prefix)) return false;
    }
    if (root.startsWith(QLatin1String("/run/")) && !root.startsWith(QLatin1String("/run/media/"))) return false;
    return volume.device().startsWith("/dev/") || volume.fileSystemType() == "nfs" ||
           volume.fileSystemType() == "nfs4" || volume.fileSystemType() == "cifs" ||
           volume.fileSystemType() == "fuse.sshfs";
}

}  // namespace

DriveSelector::DriveSelector(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!updating_ && index >= 0) emit volumeChosen(itemData(index).toString());
    });
    refresh();
    // Mounts give no signal a program can watch (inotify ignores /proc), so
    // the list is compared now and then.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &DriveSelector::refreshIfChanged);
    poll->start(kPollMs);
}

QList<DriveSelector::Entry> DriveSelector::ListVolumes() {
    QList<Entry> entries;
    QSet<QString> seen;
    auto add = [&](const QString& path, const QString& label, bool isFolder) {
        if (seen.contains(path)) return;
        seen.insert(path);
        entries.push_back(Entry{path, label, isFolder});
    };
    add(QStringLiteral("/"), QStringLiteral("/"), false);
    add(QDir::homePath(), tr("Home (%1)").arg(QDir::homePath()), true);
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!IsUserVolume(volume)) continue;
        const QString name = volume.displayName();
        const QString root = volume.rootPath();
        add(root, name == root || name.isEmpty() ? root : QStringLiteral("%1 (%2)").arg(name, root), false);
    }
    return entries;
}

void DriveSelector::refreshIfChanged() {
    // Not under the user's hand: an open list stays as it is.
    if (view()->isVisible()) return;
    if (ListVolumes() != listed_) refresh();
}

void DriveSelector::refresh() {
    const QString previous = currentVolume();
    updating_ = true;
    clear();
    listed_ = ListVolumes();
    const QIcon driveIcon = icons::Drive();
    const QIcon folderIcon = icons::Folder();
    for (const Entry& entry : listed_) addItem(entry.isFolder ? folderIcon : driveIcon, entry.label, entry.path);
    const int index = findData(previous);
    setCurrentIndex(index >= 0 ? index : 0);
    updating_ = false;
}

QString DriveSelector::volumeOf(const QString& folder) const {
    const QString cleaned = QDir::cleanPath(folder);
    QString best = QStringLiteral("/");
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (IsUnder(cleaned, root) && root.size() > best.size()) best = root;
    }
    return best;
}

void DriveSelector::showVolumeOf(const QString& folder) {
    const int index = findData(volumeOf(folder));
    updating_ = true;
    if (index >= 0) setCurrentIndex(index);
    updating_ = false;
}

QString DriveSelector::currentVolume() const { return currentIndex() >= 0 ? currentData().toString() : QString(); }

}  // namespace quilto::app
