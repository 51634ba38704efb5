// Shows the ID3v1 or ID3v2 rows of the current folder: the marks in column 0,
// then the file name and the tag texts.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include "core/FileRows.h"

namespace quilto::app {

class TagListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Version { Id3v1, Id3v2 };

    TagListModel(const core::FolderRows& rows, Version version, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void reset();

private:
    QString cell(std::size_t row, int column) const;

    const core::FolderRows& rows_;
    Version version_;
    QIcon tagPresent_, tagAbsent_, edited_, excluded_;
};

}  // namespace quilto::app
