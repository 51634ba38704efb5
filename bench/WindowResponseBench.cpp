// The main window under load: listing a folder of 10,000 small files (first
// filled rows shown, whole fill, peak resident memory) and the "Frame Scan"
// command over those files and over one file of about 1 GB, run to the end
// and cancelled part-way by a click on the progress window's Cancel, with the
// longest wait between event-loop turns and between repaints.
// A plain program: QT_QPA_PLATFORM=offscreen build/bench/window_response_bench
// QUILTO_BENCH_SMOKE=1 shrinks the data to a few files and one round.
#include <QAction>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/FileListView.h"
#include "app/FormMain.h"
#include "app/ProgressWindow.h"
#include "bench/SyntheticMp3.h"
#include "core/NumberText.h"

using namespace quilto;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration span) { return std::chrono::duration<double, std::milli>(span).count(); }

bool Smoke() {
    const char* smoke = std::getenv("QUILTO_BENCH_SMOKE");
    return smoke != nullptr && std::string(smoke) == "1";
}

struct Data {
    fs::path smallFolder;
    fs::path bigFolder;
    unsigned smallCount = 0;
    std::uint64_t bigSeconds = 0;
};

Data Plan(bool smoke) {
    Data data;
    data.smallCount = smoke ? 12 : 10000;
    // CBR 320 kbps: 40,000 bytes a second, so 25,000 s is 1.0 GB.
    data.bigSeconds = smoke ? 60 : 25000;
    const fs::path root = bench::ScratchDirectory();
    data.smallFolder = root / ("window-small-" + std::to_string(data.smallCount));
    data.bigFolder = root / ("window-big-" + std::to_string(data.bigSeconds));
    return data;
}

// A stamp beside the files says they were all written; the data is
// deterministic, so a complete folder is reused as it is.
bool Stamped(const fs::path& folder) { return fs::exists(folder / "complete.txt"); }
void Stamp(const fs::path& folder) { std::ofstream(folder / "complete.txt") << "written\n"; }

void Generate(const Data& data) {
    if (!Stamped(data.smallFolder)) {
        fs::create_directories(data.smallFolder);
        bench::Random random(20261209);
        for (unsigned i = 0; i < data.smallCount; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "%05u.mp3", i);
            bench::WriteIfMissing(data.smallFolder / name, bench::MakeSmallFile(i, random, 24000).bytes);
        }
        Stamp(data.smallFolder);
    }
    if (!Stamped(data.bigFolder)) {
        fs::create_directories(data.bigFolder);
        bench::Random random(20261210);
        bench::WriteIfMissing(data.bigFolder / "long_cbr320.mp3",
                              bench::MakeCbrFile(data.bigSeconds, 14, true, random).bytes);
        Stamp(data.bigFolder);
    }
}

// The data is made in a child process, so that the gigabyte held while
// writing it does not count in this process's peak resident memory.
bool GenerateApart(const Data& data) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        try {
            Generate(data);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Reads every file once, so that every round finds them in the page cache.
void Warm(const fs::path& folder) {
    std::vector<char> buffer(1 << 20);
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
        }
    }
}

long PeakResidentKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool RowFilled(const core::FolderRows& rows, std::size_t row) {
    const core::FileRecord& record = rows.files[row];
    return !record.text(core::FileColumn::Tag).empty() && !record.text(core::FileColumn::Time).empty();
}

// Watches every paint of the main window and of the progress window, and
// turns of the event loop through a 10 ms timer; clicks Cancel when asked.
class Watch final : public QObject {
public:
    explicit Watch(app::FormMain*& window) : window_(window) {
        ticker_.setTimerType(Qt::PreciseTimer);
        ticker_.setInterval(10);
        QObject::connect(&ticker_, &QTimer::timeout, this, [this] { tick(); });
        ticker_.start();
    }

    // Listing: the first paint of the file list after which row 0 is filled.
    void watchListing(Clock::time_point start) {
        start_ = start;
        firstRows_ = -1;
        rowsAtFirst_ = 0;
        listing_ = true;
    }
    void endListing() { listing_ = false; }
    double firstRowsMs() const { return firstRows_; }
    std::size_t rowsFilledAtFirst() const { return rowsAtFirst_; }

    // A scan: gaps are measured from start until the click (or the end);
    // clickAfter < 0: no click; 0: as soon as the progress window shows.
    void watchScan(Clock::time_point start, double clickAfterMs) {
        start_ = start;
        lastTick_ = lastPaint_ = start;
        tickGap_ = paintGap_ = 0;
        clickAfter_ = clickAfterMs;
        clicked_ = false;
        progressShown_ = false;
        scanning_ = true;
    }
    void endScan(Clock::time_point end) {
        if (!clicked_) closeGaps(end);
        scanning_ = false;
    }
    bool clicked() const { return clicked_; }
    Clock::time_point clickTime() const { return clickTime_; }
    double longestTickGapMs() const { return tickGap_; }
    double longestPaintGapMs() const { return paintGap_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget != nullptr && window_ != nullptr) painted(*widget);
        } else if (event->type() == QEvent::Show && scanning_ && qobject_cast<app::ProgressWindow*>(watched)) {
            progressShown_ = true;
            progress_ = qobject_cast<app::ProgressWindow*>(watched);
            // Queued: the window's own start runs the events once before the
            // work begins, which is where an immediate click lands.
            if (clickAfter_ == 0) QTimer::singleShot(0, this, [this] { click(); });
        }
        return false;
    }

private:
    void painted(QWidget& widget) {
        const auto now = Clock::now();
        if (listing_ && firstRows_ < 0 && &widget == window_->fileList()->viewport() && !window_->rows().files.empty() &&
            RowFilled(window_->rows(), 0)) {
            firstRows_ = Ms(now - start_);
            const core::FolderRows& rows = window_->rows();
            while (rowsAtFirst_ < rows.size() && RowFilled(rows, rowsAtFirst_)) ++rowsAtFirst_;
        }
        if (scanning_ && !clicked_ && (widget.window() == window_ || qobject_cast<app::ProgressWindow*>(widget.window()))) {
            paintGap_ = std::max(paintGap_, Ms(now - lastPaint_));
            lastPaint_ = now;
        }
    }
    void tick() {
        const auto now = Clock::now();
        if (!scanning_ || clicked_) return;
        tickGap_ = std::max(tickGap_, Ms(now - lastTick_));
        lastTick_ = now;
        if (clickAfter_ > 0 && progressShown_ && Ms(now - start_) >= clickAfter_) click();
    }
    void click() {
        if (clicked_ || progress_ == nullptr || !progress_->isVisible()) return;
        auto* cancel = progress_->findChild<QPushButton*>();
        if (cancel == nullptr) return;
        clickTime_ = Clock::now();
        closeGaps(clickTime_);
        clicked_ = true;
        cancel->click();
    }
    void closeGaps(Clock::time_point at) {
        tickGap_ = std::max(tickGap_, Ms(at - lastTick_));
        paintGap_ = std::max(paintGap_, Ms(at - lastPaint_));
    }

    app::FormMain*& window_;
    QTimer ticker_;
    Clock::time_point start_, lastTick_, lastPaint_, clickTime_;
    bool listing_ = false;
    double firstRows_ = -1;
    std::size_t rowsAtFirst_ = 0;
    bool scanning_ = false;
    bool progressShown_ = false;
    bool clicked_ = false;
    double clickAfter_ = -1;
    double tickGap_ = 0, paintGap_ = 0;
    QPointer<app::ProgressWindow> progress_;  // gone once the command returns
};

QAction* FrameScanAll(app::FormMain& window) {
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        if (menu->title() != QStringLiteral("Frame Scan")) continue;
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("All")) return action;
    }
    return nullptr;
}

struct ScanFigures {
    double totalMs = 0;      // trigger to return
    double tickGapMs = 0;    // longest wait between event-loop turns before the click
    double paintGapMs = 0;   // longest wait between repaints before the click
    double cancelMs = 0;     // click to return (cancelled runs)
    std::size_t scannedRows = 0;
    bool ok = true;
};

std::size_t Count(const core::FolderRows& rows, std::string_view marker) {
    return static_cast<std::size_t>(std::count_if(rows.files.begin(), rows.files.end(),
                                                   [&](const core::FileRecord& r) { return r.marker == marker; }));
}

// One "Frame Scan > All" over the folder's rows, read afresh first (a row
// already scanned is skipped by a second run).
ScanFigures RunScan(app::FormMain& window, Watch& watch, const fs::path& folder, double clickAfterMs) {
    window.scanFolder(QString::fromStdString(folder.string()), true);
    ScanFigures figures;
    QAction* all = FrameScanAll(window);
    if (all == nullptr) {
        std::fprintf(stderr, "no Frame Scan > All action\n");
        figures.ok = false;
        return figures;
    }
    const auto start = Clock::now();
    watch.watchScan(start, clickAfterMs);
    all->trigger();
    const auto end = Clock::now();
    watch.endScan(end);
    figures.totalMs = Ms(end - start);
    figures.tickGapMs = watch.longestTickGapMs();
    figures.paintGapMs = watch.longestPaintGapMs();
    const core::FolderRows& rows = window.rows();
    figures.scannedRows = Count(rows, core::kMarkerScanned);
    if (clickAfterMs < 0) {
        // Run to the end: every row scanned, and the frames counted.
        figures.ok = figures.scannedRows == rows.size() &&
                     std::all_of(rows.files.begin(), rows.files.end(),
                                 [](const core::FileRecord& r) { return r.stream.frames > 0; });
        if (!figures.ok) std::fprintf(stderr, "%s: the scan left rows unscanned\n", folder.c_str());
    } else {
        figures.cancelMs = watch.clicked() ? Ms(end - watch.clickTime()) : -1;
        // A cancelled scan clears every marker; one that ran out marks them scanned.
        figures.ok = watch.clicked() && Count(rows, "") == rows.size();
        if (!figures.ok) std::fprintf(stderr, "%s: the scan was not cancelled (clicked: %d)\n", folder.c_str(), watch.clicked());
    }
    return figures;
}

struct Round {
    double builtMs = 0;  // the window built on the listed folder and shown, rows not yet filled
    double firstRowsMs = 0;
    double rowsAtFirst = 0;
    double fillMs = 0;
    double peakMiB = 0;
    ScanFigures smallFull, smallCancel, bigFull, bigCancel;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

template <typename Get>
double MedianOf(const std::vector<Round>& rounds, Get get) {
    std::vector<double> values;
    for (const Round& round : rounds) values.push_back(get(round));
    return Median(values);
}

// Cancel about a second in, or a third of the way through work too short
// for that (the click lands at the next event-loop turn after it). Work of a
// few event-loop turns (about 50 ms each) may end before a later click lands,
// so there the click comes at the first turn.
double ClickAfter(double fullMs, bool smoke) {
    constexpr double kFewTurnsMs = 200;
    return smoke || fullMs < kFewTurnsMs ? 0 : std::min(1000.0, fullMs / 3);
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = Smoke();
    const Data data = Plan(smoke);
    if (!GenerateApart(data)) {
        std::fprintf(stderr, "could not write the data into %s\n", bench::ScratchDirectory().c_str());
        return 1;
    }
    Warm(data.smallFolder);
    Warm(data.bigFolder);

    QTemporaryDir settings, runtime;
    if (!settings.isValid() || !runtime.isValid()) return 1;
    qputenv("QUILTO_CONFIG_DIR", settings.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    app::Application application(argc, argv);
    // The offscreen platform cannot raise windows and says so each time.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (!message.contains(QStringLiteral("does not support raise"))) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
        if (type == QtFatalMsg) std::abort();
    });
    core::UseLocaleThousandsSeparator();

    app::FormMain* window = nullptr;
    Watch watch(window);
    application.installEventFilter(&watch);

    const int roundCount = smoke ? 1 : 3;
    std::vector<Round> rounds;
    bool ok = true;
    for (int r = 0; r < roundCount && ok; ++r) {
        Round round;
        const QString small = QString::fromStdString(data.smallFolder.string());
        // As the program starts: the window reads the folder while it is
        // built, and fills the rows at its first idle moment once shown.
        const auto start = Clock::now();
        watch.watchListing(start);
        auto owned = std::make_unique<app::FormMain>(QStringList{small});
        window = owned.get();
        window->resize(1000, 700);
        window->show();
        round.builtMs = Ms(Clock::now() - start);
        window->runFirstIdle();
        round.fillMs = Ms(Clock::now() - start);
        // A fill that never pumped shows its rows at the next paint.
        while (watch.firstRowsMs() < 0 && Clock::now() - start < std::chrono::seconds(5)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        watch.endListing();
        round.firstRowsMs = watch.firstRowsMs();
        round.rowsAtFirst = static_cast<double>(watch.rowsFilledAtFirst());
        round.peakMiB = static_cast<double>(PeakResidentKiB()) / 1024.0;
        const core::FolderRows& rows = window->rows();
        std::size_t filled = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) filled += RowFilled(rows, i) ? 1 : 0;
        if (rows.size() != data.smallCount || filled != rows.size() || round.firstRowsMs < 0) {
            std::fprintf(stderr, "listing: %zu rows, %zu filled, first rows %s\n", rows.size(), filled,
                         round.firstRowsMs < 0 ? "never shown" : "shown");
            ok = false;
            break;
        }

        round.smallFull = RunScan(*window, watch, data.smallFolder, -1);
        round.smallCancel = RunScan(*window, watch, data.smallFolder, ClickAfter(round.smallFull.totalMs, smoke));
        round.bigFull = RunScan(*window, watch, data.bigFolder, -1);
        round.bigCancel = RunScan(*window, watch, data.bigFolder, ClickAfter(round.bigFull.totalMs, smoke));
        ok = round.smallFull.ok && round.smallCancel.ok && round.bigFull.ok && round.bigCancel.ok;
        window = nullptr;
        owned.reset();
        rounds.push_back(round);
        std::printf("round %d: shown %.0f ms, first rows %.0f ms (%.0f rows filled), fill %.0f ms, peak %.1f MiB; "
                    "small scan %.0f ms, cancel %.1f ms; big scan %.0f ms, cancel %.1f ms\n",
                    r + 1, round.builtMs, round.firstRowsMs, round.rowsAtFirst, round.fillMs, round.peakMiB, round.smallFull.totalMs,
                    round.smallCancel.cancelMs, round.bigFull.totalMs, round.bigCancel.cancelMs);
    }
    if (rounds.empty()) return 1;

    std::printf("\n%u small files (24 KB) in %s; %.2f GB file in %s; median of %zu rounds\n", data.smallCount,
                data.smallFolder.c_str(),
                static_cast<double>(fs::file_size(data.bigFolder / "long_cbr320.mp3")) / 1e9, data.bigFolder.c_str(),
                rounds.size());
    std::printf("| listing | window shown | first filled rows shown | rows filled by then | whole fill | peak resident |\n");
    std::printf("| --- | --- | --- | --- | --- | --- |\n");
    std::printf("| %u files | %.0f ms | %.0f ms | %.0f | %.0f ms | %.1f MiB |\n\n", data.smallCount,
                MedianOf(rounds, [](const Round& x) { return x.builtMs; }),
                MedianOf(rounds, [](const Round& x) { return x.firstRowsMs; }),
                MedianOf(rounds, [](const Round& x) { return x.rowsAtFirst; }),
                MedianOf(rounds, [](const Round& x) { return x.fillMs; }),
                rounds.front().peakMiB);
    std::printf("| Frame Scan > All | whole run | longest loop gap | longest repaint gap | Cancel to idle |\n");
    std::printf("| --- | --- | --- | --- | --- |\n");
    const auto line = [&](const char* what, ScanFigures Round::*member, bool cancelled) {
        char cancel[32] = "-";
        if (cancelled) {
            std::snprintf(cancel, sizeof cancel, "%.1f ms",
                          MedianOf(rounds, [&](const Round& x) { return (x.*member).cancelMs; }));
        }
        std::printf("| %s | %.0f ms | %.0f ms | %.0f ms | %s |\n", what,
                    MedianOf(rounds, [&](const Round& x) { return (x.*member).totalMs; }),
                    MedianOf(rounds, [&](const Round& x) { return (x.*member).tickGapMs; }),
                    MedianOf(rounds, [&](const Round& x) { return (x.*member).paintGapMs; }), cancel);
    };
    line("small files, to the end", &Round::smallFull, false);
    line("small files, cancelled", &Round::smallCancel, true);
    line("long file, to the end", &Round::bigFull, false);
    line("long file, cancelled", &Round::bigCancel, true);
    if (!ok) std::fprintf(stderr, "a result was wrong\n");
    return ok ? 0 : 1;
}
