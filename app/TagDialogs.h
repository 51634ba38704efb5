// The questions the ID3v1 and ID3v2 tag pages ask the user: the Set All
// dialog, what to do with the other tag's unsaved edits, whether an external
// editor is done, and the closing messages. The window asks them through this
// interface so that tests can answer without dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "tags/TagEdits.h"

class QWidget;

namespace quilto::app {

struct SetAllRequest {
    enum class Page { Text, Genre, Comment, Number, Replace };
    Page page = Page::Text;
    QString caption;        // the column's caption; the title is "Set All - " + caption
    bool id3v1 = false;     // the ID3v1 page: limits, no Forward/Backward, Zero fixed
    QString text;           // the selected row's cell, the field's first text
    int maxLength = 0;      // text page: characters allowed, 0 none
    QStringList genres;     // genre page: the active page's genre list
    // Replace page (title "Replace - " + caption): text presets From.
    QStringList fromHistory, toHistory;
    bool matchCase = false;  // "U/L Case"
};

struct SetAllAnswer {
    QString text;            // text, genre and comment pages
    bool append = false;
    tags::Numbering numbering;  // number page
    QString to;              // replace page: text is From
    bool matchCase = false;
};

// Saving one tag while the other has unsaved edits.
enum class OtherEditsAnswer { SaveBoth, Discard, Cancel };

class TagDialogs {
public:
    virtual ~TagDialogs() = default;

    // Nothing after Cancel.
    virtual std::optional<SetAllAnswer> setAll(QWidget* owner, const SetAllRequest& request) = 0;
    // `saving` is "ID3v1" or "ID3v2", `other` the tag that has edits.
    virtual OtherEditsAnswer askOtherEdits(QWidget* owner, const QString& saving, const QString& other) = 0;
    // The editor ended at once and the file is unchanged: is the user done?
    virtual bool finishedEditing(QWidget* owner) = 0;

    virtual void showError(QWidget* owner, const QString& message, const QString& caption) = 0;
    virtual void showInformation(QWidget* owner, const QString& message, const QString& caption) = 0;
};

// The real dialogs.
std::unique_ptr<TagDialogs> MakeQtTagDialogs();

}  // namespace quilto::app
