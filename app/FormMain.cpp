#include "app/FormMain.h"
#include "app/QtText.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/DriveSelector.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/FolderTree.h"
#include "app/HelpWindow.h"
#include "app/OptionDialogs.h"
#include "app/PackDialogs.h"
#include "app/RenameDialogs.h"
#include "app/RenameModels.h"
#include "app/RenamePage.h"
#include "app/TextCommands.h"
#include "app/Icons.h"
#include "app/FileProperties.h"
#include "app/TagDialogs.h"
#include "app/TagListModel.h"
#include "app/TagPage.h"
#include "app/TrackListPage.h"
#include "core/FileRows.h"
#include "core/StatusText.h"
#include "edit/EditableListView.h"
#include "pack/TrackLists.h"

namespace quilto::app {

namespace {

constexpr int kMarkerColumnWidth = 35;
constexpr int kMinimumColumnWidth = 8;

}  // namespace

FormMain::FormMain(QStringList arguments, QWidget* parent)
    : QMainWindow(parent),
      settings_(std::make_unique<AppSettings>()),
      genres_(std::make_unique<core::GenreTable>()),
      arguments_(std::move(arguments)) {
    setWindowTitle(QStringLiteral("Quiltotrackery"));
    setWindowIcon(icons::Program());
    setMinimumSize(480, 360);
    setAcceptDrops(true);
    buildLayout();
    buildMenus();
    commitEditorsWhenMenusOpen();
    loadSettings();
}

FormMain::~FormMain() {
    // The tag lists ask their models for rows while they are torn down; the
    // rows (rows_) go before the QWidget base deletes its children.
    delete id3v1List_;
    delete id3v2List_;
    delete renamePage_;
}

void FormMain::buildLayout() {
    const QFont listFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    upperPanel_ = new QWidget(this);
    auto* upperLayout = new QVBoxLayout(upperPanel_);
    upperLayout->setContentsMargins(1, 1, 1, 1);
    upperSplitter_ = new QSplitter(Qt::Horizontal, upperPanel_);
    upperSplitter_->setHandleWidth(3);
    upperSplitter_->setChildrenCollapsible(false);
    upperLayout->addWidget(upperSplitter_);

    auto* leftPanel = new QWidget(upperSplitter_);
    leftPanel->setMinimumWidth(100);
    auto* leftLayout = new QVBoxLayout(leftPanel);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(1);
    drives_ = new DriveSelector(leftPanel);
    tree_ = new FolderTree(leftPanel);
    leftLayout->addWidget(drives_);
    leftLayout->addWidget(tree_, 1);

    fileList_ = new FileListView(upperSplitter_);
    fileModel_ = new FileListModel(rows_, sort_, this);
    fileList_->setModel(fileModel_);
    fileList_->setFont(listFont);
    fileList_->verticalHeader()->setDefaultSectionSize(fileList_->fontMetrics().height() + 4);
    fileList_->horizontalHeader()->setMinimumSectionSize(kMinimumColumnWidth);
    fileList_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    fileList_->horizontalHeader()->resizeSection(0, kMarkerColumnWidth);
    fileList_->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    fileList_->setDragUrlProvider([this] { return selectedFileUrls(); });
    upperSplitter_->addWidget(leftPanel);
    upperSplitter_->addWidget(fileList_);
    upperSplitter_->setStretchFactor(1, 1);

    pages_ = new QTabWidget(this);
    pages_->setTabPosition(QTabWidget::South);
    pages_->setMinimumHeight(1);
    const auto genres = [this]() -> const core::GenreTable& { return *genres_; };
    const auto dialogs = [this]() -> TagDialogs& { return tagDialogs(); };
    id3v1Page_ = new TagPage(rows_, TagListModel::Version::Id3v1, genres, dialogs, pages_, listFont);
    id3v2Page_ = new TagPage(rows_, TagListModel::Version::Id3v2, genres, dialogs, pages_, listFont);
    for (TagPage* tagPage : {id3v1Page_, id3v2Page_}) {
        connect(tagPage, &TagPage::rowsChanged, this, &FormMain::refreshStatus);
        const Page page = tagPage == id3v1Page_ ? Id3v1Page : Id3v2Page;
        connect(tagPage, &TagPage::editorRequested, this, [this, page](int column) { editColumnExternally(page, column); });
        connect(tagPage, &TagPage::propertyRequested, this, [this](int row) {
            if (packedFileNodeIsCurrent() || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
            const std::string path = rows_.path(static_cast<std::size_t>(row));
            if (passableToOthers({path})) ShowFileProperties(this, ToQString(path));
        });
    }
    id3v1List_ = id3v1Page_->view();
    id3v2List_ = id3v2Page_->view();
    id3v1Model_ = id3v1Page_->model();
    id3v2Model_ = id3v2Page_->model();
    // Rows dragged from the file list drop onto the Pack and UnPack pages'
    // lists; the tracks of a packed file shown as a folder go to the Pack
    // page only (the UnPack page opens whole files).
    auto fromFileList = [this](const QObject* source) { return source == fileList_ && !packedFileNodeIsCurrent(); };
    packPage_ = new TrackListPage(pack::Page::Pack, pages_);
    packPage_->setDropHandlers([this](const QObject* source) { return source == fileList_; }, [this](TrackListPage::Target target) {
        filesDroppedOnPage(PackPage, static_cast<int>(target));
    });
    unpackPage_ = new TrackListPage(pack::Page::UnPack, pages_);
    unpackPage_->setDropHandlers(fromFileList, [this](TrackListPage::Target target) {
        filesDroppedOnPage(UnPackPage, static_cast<int>(target));
    });
    for (auto* page : {packPage_, unpackPage_}) {
        page->setFont(listFont);  // the lists' font, as on the tag pages
        connect(page, &TrackListPage::listsChanged, this, &FormMain::refreshStatus);
        page->setColumnTools(dialogs, [this]() -> const core::FolderRows* { return &rows_; });
        connect(page, &TrackListPage::editorRequested, this, [this, page](TrackListPage::Target target, int column) {
            editTrackColumnExternally(page, static_cast<int>(target), column);
        });
        const Page shown = page == packPage_ ? PackPage : UnPackPage;
        connect(page, &TrackListPage::cueListEditorRequested, this, [this, shown] { openCueListEditor(shown); });
    }
    connect(packPage_, &TrackListPage::cueCheckChanged, this, [this](int value) { settings_->cueCheck = value; });
    pages_->addTab(packPage_, QStringLiteral("Pack"));
    pages_->addTab(unpackPage_, QStringLiteral("UnPack"));
    pages_->addTab(id3v1List_, QStringLiteral("ID3v1 Tag "));
    pages_->addTab(id3v2List_, QStringLiteral("ID3v2 Tag "));
    renamePage_ = new RenamePage(rows_, pages_, listFont);
    connect(renamePage_, &RenamePage::rowsChanged, this, &FormMain::refreshStatus);
    connect(renamePage_, &RenamePage::propertyRequested, this, [this](int row) {
        if (packedFileNodeIsCurrent() || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
        const std::string path = rows_.path(static_cast<std::size_t>(row));
        if (passableToOthers({path})) ShowFileProperties(this, ToQString(path));
    });
    pages_->addTab(renamePage_, QStringLiteral("ReName"));
    TextCommands textCommands;
    textCommands.askReplace = [this](QWidget* owner, const QString& caption, const QString& preset) {
        return askReplace(owner, caption, preset);
    };
    textCommands.wordDelimiters = [this] { return settings_->rename.wordDelimiters; };
    id3v1Page_->setTextCommands(textCommands);
    id3v2Page_->setTextCommands(textCommands);
    packPage_->setTextCommands(textCommands);
    unpackPage_->setTextCommands(textCommands);

    mainSplitter_ = new QSplitter(Qt::Vertical, this);
    mainSplitter_->setHandleWidth(6);
    mainSplitter_->setChildrenCollapsible(false);
    mainSplitter_->addWidget(upperPanel_);
    mainSplitter_->addWidget(pages_);
    mainSplitter_->setStretchFactor(1, 1);
    setCentralWidget(mainSplitter_);

    for (auto& label : status_) {
        label = new QLabel(this);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
    }
    status_[0]->setFixedWidth(200);
    status_[0]->setAlignment(Qt::AlignCenter);
    status_[1]->setFixedWidth(180);
    status_[1]->setAlignment(Qt::AlignCenter);
    status_[2]->setMinimumWidth(50);
    status_[2]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusBar()->addWidget(status_[0]);
    statusBar()->addWidget(status_[1]);
    statusBar()->addWidget(status_[2], 1);
    statusBar()->setSizeGripEnabled(true);

    // F1 opens the manual where it speaks of the part of the window in use.
    auto* contextHelp = new QShortcut(QKeySequence::HelpContents, this);
    connect(contextHelp, &QShortcut::activated, this, [this] { showHelp(helpContextOfFocus()); });

    connect(drives_, &DriveSelector::volumeChosen, this, [this](const QString& root) {
        if (drives_->volumeOf(currentFolder_) != root) scanFolder(root, true);
        tree_->setFocus();
    });
    connect(tree_, &FolderTree::folderRequested, this, [this](const QByteArray& path) { scanRawFolder(path.toStdString(), true); });
    connect(tree_, &FolderTree::packedFileRequested, this, [this](const QByteArray& path) { showPackedFile(path); });
    connect(pages_, &QTabWidget::currentChanged, this, &FormMain::pageChanged);
    connect(fileList_->horizontalHeader(), &QHeaderView::sectionClicked, this, &FormMain::sortByColumn);
    connect(fileList_->horizontalHeader(), &QHeaderView::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        for (int column = 1; column < fileModel_->columnCount(); ++column) {
            QAction* action = menu.addAction(columnCaption(column).trimmed());
            action->setCheckable(true);
            action->setChecked(!fileList_->isColumnHidden(column));
            connect(action, &QAction::toggled, this, [this, column](bool shown) {
                fileList_->setColumnHidden(column, !shown);
                if (shown && fileList_->columnWidth(column) < 20) fileList_->setColumnWidth(column, 60);
            });
        }
        menu.exec(fileList_->horizontalHeader()->mapToGlobal(at));
    });
    connect(fileList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!filling_) refreshSelectionSummary();
    });
    connect(fileList_, &QAbstractItemView::doubleClicked, this, [this] { play(); });
    connect(fileList_, &QWidget::customContextMenuRequested, this, &FormMain::fileListContextMenu);
}

QString FormMain::statusText(int panel) const { return status_.at(static_cast<std::size_t>(panel))->text(); }

QString FormMain::columnCaption(int column) const { return ToQString(sort_.captions.at(static_cast<std::size_t>(column))); }

bool FormMain::packedFileNodeIsCurrent() const {
    return FolderTree::IsPackedFileNode(tree_->currentFolderNode());
}

void FormMain::setBusy(bool busy) {
    fileMenu_->setEnabled(!busy);
    // On this window only: the progress window's Cancel keeps the arrow.
    if (busy) {
        setCursor(Qt::WaitCursor);
        for (QMenu* menu : pageMenus_) menu->setEnabled(false);
    } else {
        unsetCursor();
        pageChanged(pages_->currentIndex());
    }
    optionMenu_->setEnabled(!busy);
    helpMenu_->setEnabled(!busy);
    upperPanel_->setEnabled(!busy);
    pages_->setEnabled(!busy);
}

void FormMain::pageChanged(int page) {
    for (QMenu* menu : pageMenus_) menu->setEnabled(false);
    const int menuIndex = page <= UnPackPage ? page : page <= Id3v2Page ? 2 : 3;
    if (page >= 0) pageMenus_[static_cast<std::size_t>(menuIndex)]->setEnabled(true);
    refreshStatus();
}

void FormMain::refreshStatus() {
    const int page = pages_->currentIndex();
    std::size_t total = rows_.size();
    std::string line;
    switch (page) {
        case Id3v1Page:
        case Id3v2Page: {
            std::size_t tagged = 0;
            std::size_t edited = 0;
            for (std::size_t i = 0; i < total; ++i) {
                const int mark = page == Id3v1Page ? rows_.id3v1[i].tagMark : rows_.id3v2[i].tagMark;
                const int image = page == Id3v1Page ? rows_.id3v1[i].image : rows_.id3v2[i].image;
                tagged += mark == 1;
                edited += image == core::kEditedImage;
            }
            line = core::TagCountLine(tagged, edited, total);
            break;
        }
        case ReNamePage: {
            std::size_t errors = 0;
            std::size_t edited = 0;
            for (const core::RenameRow& row : rows_.rename) {
                errors += row.stateImage == 3;
                edited += row.image == core::kEditedImage;
            }
            line = core::RenameCountLine(errors, edited, total);
            break;
        }
        case PackPage:
        case UnPackPage:
            line = pack::PageCountLine(trackPage(static_cast<Page>(page))->data());
            break;
        default:
            break;
    }
    status_[1]->setText(ToQString(line));
}

void FormMain::syncSelectionToRows() {
    for (auto& record : rows_.files) record.selected = false;
    for (const int row : fileList_->selectedRowsInOrder()) rows_.files[static_cast<std::size_t>(row)].selected = true;
}

void FormMain::syncSelectionFromRows() {
    std::vector<int> selected;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_.files[i].selected) selected.push_back(static_cast<int>(i));
    }
    fileList_->selectRows(selected);
}

void FormMain::refreshSelectionSummary() {
    syncSelectionToRows();
    status_[0]->setText(ToQString(core::SelectionSummary(rows_)));
}

QList<QUrl> FormMain::selectedFileUrls() const {
    QList<QUrl> urls;
    if (packedFileNodeIsCurrent()) return urls;
    for (const int row : fileList_->selectedRowsInOrder()) {
        urls << RawFileUrl(rows_.path(static_cast<std::size_t>(row)));
    }
    return urls;
}

int FormMain::helpContextOfFocus() const {
    static constexpr int kPageContexts[] = {304, 305, 306, 306, 307};
    const QWidget* focus = QApplication::focusWidget();
    if (focus && upperPanel_->isAncestorOf(focus)) return 303;
    if (focus && pages_->isAncestorOf(focus) && pages_->currentIndex() >= 0) return kPageContexts[pages_->currentIndex()];
    return 101;
}

void FormMain::showHelp(int context) { ShowHelp(this, context); }

}  // namespace quilto::app
