// The three lists of the Pack and UnPack pages shown over one pack::TrackPage:
// the one-row CueHeader, the CueList and the track list. The page owns the
// data; the models only show it and write edited cells back.
#pragma once

#include <QAbstractTableModel>

#include "pack/TrackLists.h"

namespace quilto::app {

// What the CueHeader's "Cue" cell draws besides its text.
inline constexpr int kCueCheckRole = Qt::UserRole + 40;       // int: -1 none, 0, 1
inline constexpr int kCueNotFittingRole = Qt::UserRole + 41;  // bool: the fit mark

class PageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    PageListModel(pack::TrackPage& page, QObject* parent) : QAbstractTableModel(parent), page_(page) {}
    // After the engine changed the page's rows.
    void refresh();
    // Every cell's text may have changed; the rows are the same.
    void textsChanged();

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

protected:
    // The captions and the editable columns of the list.
    virtual QString caption(int column) const = 0;
    virtual bool editable(int column) const = 0;
    virtual bool rightAligned(int column) const = 0;
    // The text a cell shows, and the field an edit writes (nullptr: none).
    virtual QString text(std::size_t row, int column) const = 0;
    virtual std::string* field(std::size_t row, int column) = 0;
    QVariant cellData(const QModelIndex& index, int role) const;

    pack::TrackPage& page_;
};

class CueHeaderModel final : public PageListModel {
    Q_OBJECT
public:
    enum Column { Cue, Title, Performer, Time, Frames, Kbps, Hz, File, FilePath };
    using PageListModel::PageListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    QString caption(int column) const override;
    bool editable(int column) const override;
    bool rightAligned(int column) const override;
    QString text(std::size_t row, int column) const override;
    std::string* field(std::size_t row, int column) override;
};

class CueListModel final : public PageListModel {
    Q_OBJECT
public:
    enum Column { Length, Number, Title, Performer, Index };
    using PageListModel::PageListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    QString caption(int column) const override;
    bool editable(int column) const override;
    bool rightAligned(int column) const override;
    QString text(std::size_t row, int column) const override;
    std::string* field(std::size_t row, int column) override;
};

class TrackListModel final : public PageListModel {
    Q_OBJECT
public:
    enum Column { Number, FileName, Tag, Artist, Title, Time, Frames, Kbps, CV, Hz, Mode, BitStream, Xing };
    using PageListModel::PageListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    QString caption(int column) const override;
    bool editable(int column) const override;
    bool rightAligned(int column) const override;
    QString text(std::size_t row, int column) const override;
    std::string* field(std::size_t row, int column) override;
};

}  // namespace quilto::app
