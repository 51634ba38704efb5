// Shows the ID3v1 or ID3v2 rows of the current folder: the marks in column 0,
// then the file name and the tag texts. Committed cells go to the engine,
// which fits and stores them and marks the row.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>

#include "core/FileRows.h"
#include "core/GenreTable.h"
#include "tags/TagEdits.h"

namespace quilto::app {

// Column 0's two marks, drawn side by side by the tag lists' delegate.
inline constexpr int kTagMarkRole = Qt::UserRole + 40;   // QIcon: tag mark 1 or 0
inline constexpr int kEditMarkRole = Qt::UserRole + 41;  // QIcon or nothing: edit mark 2, excluded row

class TagListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Version { Id3v1, Id3v2 };

    // genres: the table as it is now (the settings may replace it).
    TagListModel(core::FolderRows& rows, Version version, std::function<const core::GenreTable&()> genres,
                 QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    tags::TagList list() const { return version_ == Version::Id3v1 ? tags::TagList::Id3v1 : tags::TagList::Id3v2; }
    QString caption(int column) const;
    void reset();
    // The rows' texts or marks changed behind the model.
    void rowsChanged();

signals:
    // A committed cell changed its row (marks set).
    void cellChanged(int row, int column);

private:
    core::FolderRows& rows_;
    Version version_;
    std::function<const core::GenreTable&()> genres_;
    QIcon tagPresent_, tagAbsent_, edited_, excluded_;
};

}  // namespace quilto::app
