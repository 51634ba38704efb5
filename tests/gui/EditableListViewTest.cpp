// The in-place cell editor of the editable lists, driven by mouse and keys.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>

#include "edit/EditableListView.h"

using quilto::edit::CellEditorKind;
using quilto::edit::EditableListView;

namespace {

enum Column { kCaption, kTitle, kGenre, kIndex, kComment, kPath, kColumns };

class EditableList : public ::testing::Test {
protected:
    void SetUp() override {
        model.setColumnCount(kColumns);
        for (int row = 0; row < 5; ++row) {
            QList<QStandardItem*> items;
            for (const QString& text : {QString::number(row), QStringLiteral("title %1").arg(row),
                                        QStringLiteral("Rock"), QStringLiteral("0%1:00:00").arg(row),
                                        QStringLiteral("note"), QStringLiteral("/music/%1.mp3").arg(row)})
                items << new QStandardItem(text);
            model.appendRow(items);
        }
        view = new EditableListView(&window);
        view->setModel(&model);
        view->setColumnEditor(kTitle, CellEditorKind::Text);
        view->setColumnEditor(kGenre, CellEditorKind::DropDown, {"- User -", "Pop", "Rock"});
        view->setColumnEditor(kIndex, CellEditorKind::Time);
        view->setColumnEditor(kComment, CellEditorKind::MultiLine);
        view->setColumnEditor(kPath, CellEditorKind::ReadOnlyCopy);
        (new QVBoxLayout(&window))->addWidget(view);
        window.resize(700, 300);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QString cell(int row, int column) const { return model.item(row, column)->text(); }

    // Selects the row, then double-clicks the cell: arms the row and opens the editor.
    QWidget* open(int row, int column) {
        const QModelIndex index = model.index(row, column);
        view->setCurrentIndex(index);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        return view->openEditor();
    }

    QList<QAbstractSpinBox*> spinsLeftToRight() const {
        auto spins = view->viewport()->findChildren<QAbstractSpinBox*>();
        std::sort(spins.begin(), spins.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
        return spins;
    }

    QWidget window;
    QStandardItemModel model;
    EditableListView* view = nullptr;
};

TEST_F(EditableList, DoubleClickOpensEnterWritesEscDoesNot) {
    QSignalSpy committed(view, &EditableListView::cellCommitted);
    // A single click on a row that is not armed opens nothing.
    view->setCurrentIndex(model.index(1, kTitle));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(model.index(1, kTitle)).center());
    EXPECT_EQ(view->openEditor(), nullptr);

    auto* edit = qobject_cast<QLineEdit*>(open(1, kTitle));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(view->armedRow(), 1);
    EXPECT_EQ(edit->text(), "title 1");
    EXPECT_TRUE(edit->selectedText().isEmpty());  // no select-all on entry
    edit->setCursorPosition(int(edit->text().size()));
    QTest::keyClicks(edit, "x");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(cell(1, kTitle), "title 1x");
    EXPECT_EQ(view->openEditor(), nullptr);
    EXPECT_EQ(view->armedRow(), -1);
    ASSERT_EQ(committed.size(), 1);
    EXPECT_EQ(committed[0], (QList<QVariant>{1, int(kTitle), true}));

    edit = qobject_cast<QLineEdit*>(open(2, kTitle));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "zz");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(cell(2, kTitle), "title 2");
    EXPECT_EQ(view->openEditor(), nullptr);
    EXPECT_EQ(committed.size(), 1);

    // Focus loss commits as Enter does; an unchanged text reports no change.
    ASSERT_NE(open(3, kTitle), nullptr);
    EXPECT_TRUE(quilto::edit::CommitOpenCellEditor(&window));
    EXPECT_FALSE(quilto::edit::CommitOpenCellEditor(&window));
    ASSERT_EQ(committed.size(), 2);
    EXPECT_EQ(committed[1], (QList<QVariant>{3, int(kTitle), false}));
}

TEST_F(EditableList, HeaderListsArmOnASingleClickAndOpenOnTheNext) {
    view->setArmOnSingleClick(true);
    const QPoint title = view->visualRect(model.index(0, kTitle)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, title);
    EXPECT_EQ(view->armedRow(), 0);
    EXPECT_EQ(view->openEditor(), nullptr);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, title);
    EXPECT_EQ(view->editedIndex(), model.index(0, kTitle));
    // A press on a column without an editor opens nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(model.index(0, kCaption)).center());
    EXPECT_EQ(view->openEditor(), nullptr);
}

TEST_F(EditableList, UpDownWriteTheRowAndMoveTheEditor) {
    QSignalSpy moved(view, &EditableListView::cellWrittenByMove);
    auto* edit = qobject_cast<QLineEdit*>(open(1, kTitle));
    ASSERT_NE(edit, nullptr);
    edit->setText("new 1");
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(cell(1, kTitle), "new 1");
    EXPECT_EQ(view->editedIndex(), model.index(2, kTitle));
    EXPECT_EQ(view->currentIndex().row(), 2);
    EXPECT_EQ(edit->text(), "title 2");
    QTest::keyClick(edit, Qt::Key_Up);  // unchanged text: nothing written
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(view->editedIndex(), model.index(0, kTitle));
    QTest::keyClick(edit, Qt::Key_Up);  // first row: stays open where it is
    EXPECT_EQ(view->editedIndex(), model.index(0, kTitle));
    EXPECT_EQ(moved.size(), 1);

    // A time cell is written on every move, normalised as on Enter.
    EXPECT_EQ(qobject_cast<QLineEdit*>(open(2, kIndex))->displayText(), "002:00:00");  // 8 characters: a leading "0"
    model.item(3, kIndex)->setText("");
    auto* time = qobject_cast<QLineEdit*>(open(3, kIndex));
    ASSERT_NE(time, nullptr);
    time->setCursorPosition(2);
    QTest::keyClicks(time, "17580");
    EXPECT_EQ(time->displayText(), "  1:75:80");
    QTest::keyClick(time, Qt::Key_Down);
    EXPECT_EQ(cell(3, kIndex), "02:16:05");
    QTest::keyClick(time, Qt::Key_Up);
    EXPECT_EQ(cell(4, kIndex), "04:00:00");
    EXPECT_EQ(moved.size(), 3);
    QTest::keyClick(time, Qt::Key_Down);
    QTest::keyClick(time, Qt::Key_Down);
    QTest::keyClick(time, Qt::Key_Down);  // last row
    EXPECT_EQ(view->editedIndex(), model.index(4, kIndex));
}

TEST_F(EditableList, MovingOntoAnExcludedRowClosesTheEditor) {
    model.item(2, 0)->setData(true, quilto::edit::kExcludedRowRole);
    auto* edit = qobject_cast<QLineEdit*>(open(1, kTitle));
    ASSERT_NE(edit, nullptr);
    edit->setText("kept");
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(cell(1, kTitle), "kept");
    EXPECT_EQ(view->openEditor(), nullptr);
    EXPECT_EQ(cell(2, kTitle), "title 2");
    EXPECT_EQ(open(2, kTitle), nullptr);  // nor does it open there
}

TEST_F(EditableList, TimeEditorTakesDigitsOnlyAndSpinsWithinRange) {
    auto* time = qobject_cast<QLineEdit*>(open(1, kIndex));
    ASSERT_NE(time, nullptr);
    time->setCursorPosition(0);
    QTest::keyClicks(time, "a-9");
    QTest::keyClick(time, Qt::Key_Backspace);
    QTest::keyClick(time, Qt::Key_Delete);
    EXPECT_EQ(time->displayText(), "901:00:00");

    const auto spins = spinsLeftToRight();
    ASSERT_EQ(spins.size(), 2);
    QAbstractSpinBox* seconds = spins[0];
    QAbstractSpinBox* frames = spins[1];
    EXPECT_TRUE(seconds->isVisible() && frames->isVisible());
    const struct {
        const char* text;
        QAbstractSpinBox* spin;
        bool up;
        const char* result;
    } steps[] = {
        {"999:59:74", frames, true, "999:59:74"},  {"999:59:00", seconds, true, "999:59:74"},
        {"000:00:00", frames, false, "000:00:00"}, {"000:00:10", seconds, false, "000:00:00"},
        {"   :  :  ", frames, true, "000:00:01"},  {"000:59:74", frames, true, "001:00:00"},
        {"  0:01:02", seconds, true, "000:02:02"},
    };
    for (const auto& step : steps) {
        time->setText(step.text);
        step.up ? step.spin->stepUp() : step.spin->stepDown();
        EXPECT_EQ(time->displayText(), step.result) << step.text;
        EXPECT_TRUE(time->hasFocus()) << step.text;  // spinning is not leaving the cell
    }
    time->setText("999:59:99");
    QTest::keyClick(time, Qt::Key_Enter);
    EXPECT_EQ(cell(1, kIndex), "999:59:74");
    EXPECT_FALSE(seconds->isVisible() || frames->isVisible());
}

// A mouse press on a spin arrow goes to whatever child lies under it, as a
// real click does; that must step the time and keep its editor open.
TEST_F(EditableList, ClickingSpinArrowsStepsTimeAndKeepsEditorOpen) {
    auto* time = qobject_cast<QLineEdit*>(open(1, kIndex));
    ASSERT_NE(time, nullptr);
    const auto spins = spinsLeftToRight();
    ASSERT_EQ(spins.size(), 2);
    auto click = [](QAbstractSpinBox* spin, bool up) {
        const QPoint at(spin->width() / 2, up ? 3 : spin->height() - 4);
        QWidget* target = spin->childAt(at) != nullptr ? spin->childAt(at) : spin;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(spin, at));
    };
    const struct {
        int spin;
        bool up;
        const char* result;
    } clicks[] = {{0, true, "001:01:00"}, {1, false, "001:00:74"}, {1, true, "001:01:00"}, {0, false, "001:00:00"}};
    for (const auto& step : clicks) {
        click(spins[step.spin], step.up);
        EXPECT_EQ(view->openEditor(), time) << step.result;
        EXPECT_EQ(time->displayText(), step.result);
    }
    EXPECT_EQ(cell(1, kIndex), "01:00:00");
}

TEST_F(EditableList, SpinButtonsStayInsideAListNarrowerThanItsColumns) {
    view->resize(view->columnViewportPosition(kIndex) + view->columnWidth(kIndex) / 2 + view->frameWidth() * 2,
                 view->height());
    QApplication::processEvents();
    ASSERT_NE(open(1, kIndex), nullptr);
    for (QAbstractSpinBox* spin : spinsLeftToRight()) {
        EXPECT_TRUE(view->viewport()->rect().contains(spin->geometry())) << spin->geometry().x();
    }
}

TEST_F(EditableList, DropDownUserItemMeansEmpty) {
    auto* box = qobject_cast<QComboBox*>(open(1, kGenre));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), "Rock");
    box->setCurrentIndex(0);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(cell(1, kGenre), "");

    // A text outside the list shows no item; leaving without a choice keeps it.
    model.item(2, kGenre)->setText("Polka");
    box = qobject_cast<QComboBox*>(open(2, kGenre));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentIndex(), -1);
    QTest::keyClick(box, Qt::Key_Down);  // moves the editor, not the choice
    EXPECT_EQ(cell(2, kGenre), "Polka");
    EXPECT_EQ(view->editedIndex(), model.index(3, kGenre));
}

TEST_F(EditableList, MultiLineNeedsShiftAndCopyFieldNeverWrites) {
    auto* memo = qobject_cast<QPlainTextEdit*>(open(1, kComment));
    ASSERT_NE(memo, nullptr);
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "two");
    QTest::keyClick(memo, Qt::Key_Down);
    EXPECT_EQ(view->editedIndex(), model.index(1, kComment));
    QTest::keyClick(memo, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(cell(1, kComment), "note\ntwo");

    auto* copy = qobject_cast<QLineEdit*>(open(1, kPath));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isReadOnly());
    EXPECT_EQ(copy->text(), "/music/1.mp3");
    QTest::keyClick(copy, Qt::Key_Return);
    EXPECT_EQ(view->openEditor(), nullptr);
    EXPECT_EQ(cell(1, kPath), "/music/1.mp3");
}

TEST_F(EditableList, ModelChangesCommitFirstIntoTheEditedRow) {
    QSignalSpy committed(view, &EditableListView::cellCommitted);
    // Removing a row above: the text lands in the item it was typed for.
    auto* edit = qobject_cast<QLineEdit*>(open(2, kTitle));
    ASSERT_NE(edit, nullptr);
    QStandardItem* edited = model.item(2, kTitle);
    edit->setText("typed");
    model.removeRow(0);
    EXPECT_EQ(view->openEditor(), nullptr);
    EXPECT_EQ(edited->text(), "typed");
    EXPECT_EQ(committed.size(), 1);

    // A sort commits before the rows change places.
    edit = qobject_cast<QLineEdit*>(open(1, kTitle));
    ASSERT_NE(edit, nullptr);
    edited = model.item(1, kTitle);
    edit->setText("a first");
    model.sort(kTitle);
    EXPECT_EQ(edited->text(), "a first");
    EXPECT_EQ(view->armedRow(), -1);

    // A refill: the new row at the same place keeps its own text.
    edit = qobject_cast<QLineEdit*>(open(1, kTitle));
    ASSERT_NE(edit, nullptr);
    edit->setText("stale");
    model.clear();
    model.appendRow({new QStandardItem("0"), new QStandardItem("fresh 0")});
    model.appendRow({new QStandardItem("1"), new QStandardItem("fresh 1")});
    EXPECT_EQ(view->openEditor(), nullptr);
    EXPECT_EQ(cell(1, kTitle), "fresh 1");
    EXPECT_FALSE(view->commitOpenEditor());
}

TEST_F(EditableList, OwnRowDragDropRequestsAMove) {
    view->setRowsMovable(true);
    QSignalSpy requested(view, &EditableListView::rowsMoveRequested);
    view->selectionModel()->select(model.index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QPoint onRow3 = view->visualRect(model.index(3, kTitle)).center();

    QMimeData foreign;
    foreign.setData(quilto::edit::kRowDragMimeType, "1");  // another list's drag
    QMimeData own;
    own.setData(quilto::edit::kRowDragMimeType, QByteArray::number(reinterpret_cast<quintptr>(view)));
    for (QMimeData* mime : {&foreign, &own}) {
        // The enter makes the list the drag's target, as a real drag does.
        QDragEnterEvent enter(onRow3, Qt::MoveAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &enter);
        QDropEvent drop(onRow3, Qt::MoveAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &drop);
    }
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested[0][0].value<QList<int>>(), QList<int>{1});
    EXPECT_EQ(requested[0][1].toInt(), 3);
}

}  // namespace
