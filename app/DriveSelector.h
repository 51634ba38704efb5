// The volume selector above the folder tree: the root file system, the home
// folder and the mounted volumes a user keeps files on.
#pragma once

#include <QComboBox>

namespace quilto::app {

class DriveSelector final : public QComboBox {
    Q_OBJECT
public:
    explicit DriveSelector(QWidget* parent = nullptr);

    // Re-reads the mounted volumes, keeping the current choice where possible.
    // Runs by itself every few seconds when volumes come or go.
    void refresh();
    // The entry whose path is the longest prefix of folder (the folder's volume).
    QString volumeOf(const QString& folder) const;
    // Selects the entry of folder's volume without emitting volumeChosen.
    void showVolumeOf(const QString& folder);
    QString currentVolume() const;

signals:
    void volumeChosen(const QString& root);

private:
    struct Entry {
        QString path, label;
        bool isFolder = false;
        bool operator==(const Entry&) const = default;
    };
    static QList<Entry> ListVolumes();
    void refreshIfChanged();

    bool updating_ = false;
    QList<Entry> listed_;
};

}  // namespace quilto::app
