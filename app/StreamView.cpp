#include "app/StreamView.h"

#include <QAreaSeries>
#include <QBuffer>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/Application.h"
#include "app/ProgressWindow.h"
#include "app/QtText.h"
#include "core/FileAnalysis.h"

namespace quilto::app {

namespace {

// Thousands of marks would hide the line; the CSV still has them all.
constexpr std::size_t kMaxDrawnMarks = 2000;

void HideFromLegend(QChart* chart, QAbstractSeries* series) {
    for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(false);
}

QLineSeries* VerticalLine(double x, double top, const QPen& pen) {
    auto* line = new QLineSeries;
    line->append(x, 0);
    line->append(x, top);
    line->setPen(pen);
    return line;
}

bool SaveBytes(const QString& path, const QByteArray& bytes, QString* error) {
    // QSaveFile writes beside the target and renames only when every write
    // went through.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

}  // namespace

StreamView::StreamView(QWidget* parent, const QString& title, core::FrameSeries series,
                       const core::StreamColumns& columns, const std::vector<core::TrackSpanInput>& tracks,
                       const std::vector<core::CueIndexInput>& cues)
    : QDialog(parent), series_(std::move(series)), plot_(core::MakeStreamPlot(series_, columns, tracks, cues)) {
    setWindowTitle(QStringLiteral("Stream View - ") + title);
    resize(960, 680);

    auto* layout = new QVBoxLayout(this);
    caption_ = new QLabel(caption(), this);
    caption_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    caption_->setWordWrap(true);
    layout->addWidget(caption_);

    rateView_ = new QChartView(this);
    rateView_->setRenderHint(QPainter::Antialiasing);
    histogramView_ = new QChartView(this);
    histogramView_->setRenderHint(QPainter::Antialiasing);
    buildRateChart();
    buildHistogram();
    layout->addWidget(rateView_, 3);
    layout->addWidget(histogramView_, 2);

    auto* buttons = new QHBoxLayout;
    auto* png = new QPushButton(QStringLiteral("Export PNG..."), this);
    auto* csv = new QPushButton(QStringLiteral("Export CSV..."), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(png);
    buttons->addWidget(csv);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(png, &QPushButton::clicked, this, &StreamView::askPng);
    connect(csv, &QPushButton::clicked, this, &StreamView::askCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QString StreamView::caption() const {
    QString text = ToQString(plot_.caption);
    std::size_t resyncs = 0, nonAudio = 0, misses = 0;
    for (const core::StreamMark& mark : plot_.marks) {
        resyncs += mark.kind == core::MarkKind::Resync;
        nonAudio += mark.kind == core::MarkKind::NonAudio;
    }
    for (const core::CueLine& cue : plot_.cues) misses += cue.missesTrack;
    resyncs += series_.gapsNotKept();
    text += QStringLiteral("\nResyncs: %1, non-audio stretches: %2").arg(resyncs).arg(nonAudio);
    if (series_.audioEnd() < series_.scanEnd())
        text += QStringLiteral(", %1 bytes after the audio").arg(series_.scanEnd() - series_.audioEnd());
    if (!plot_.cues.empty()) text += QStringLiteral(", cue indexes off their track: %1").arg(misses);
    return text;
}

void StreamView::buildRateChart() {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Bit rate over time"));
    // Steps of 64 kbps up to the highest rate, 384 for most files.
    const double top = 64.0 * (std::floor(std::max(320.0, plot_.maxKbps) / 64.0) + 1);
    const double end = std::max(plot_.seconds, 1.0);

    auto* xAxis = new QCategoryAxis;
    xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (const auto& [at, label] : core::TimeTicks(end)) xAxis->append(ToQString(label), at);
    xAxis->setRange(0, end);
    xAxis->setTitleText(QStringLiteral("mm:ss"));
    auto* yAxis = new QValueAxis;
    yAxis->setRange(0, top);
    yAxis->setTickCount(static_cast<int>(top / 64) + 1);
    yAxis->setLabelFormat(QStringLiteral("%d"));
    yAxis->setTitleText(QStringLiteral("kbps"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);

    const auto add = [&](QAbstractSeries* series) {
        chart->addSeries(series);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
    };

    // Track bands first, so that the line is drawn over them.
    for (std::size_t i = 0; i < plot_.tracks.size(); ++i) {
        const core::TrackBand& band = plot_.tracks[i];
        auto* upper = new QLineSeries;
        upper->append(band.start, top);
        upper->append(band.end, top);
        auto* lower = new QLineSeries;
        lower->append(band.start, 0);
        lower->append(band.end, 0);
        auto* area = new QAreaSeries(upper, lower);
        area->setName(QStringLiteral("Tracks"));
        area->setColor(i % 2 ? QColor(120, 160, 230, 50) : QColor(120, 200, 140, 50));
        area->setBorderColor(QColor(90, 90, 90, 120));
        add(area);
        if (i > 0) HideFromLegend(chart, area);
    }

    auto* rate = new QLineSeries;
    rate->setName(QStringLiteral("kbps"));
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(plot_.rate.size()));
    for (const core::RatePoint& point : plot_.rate) points.append(QPointF(point.seconds, point.kbps));
    if (!plot_.rate.empty()) points.append(QPointF(plot_.seconds, plot_.rate.back().kbps));
    rate->replace(points);
    rate->setPen(QPen(QColor(30, 60, 160), 1.2));
    add(rate);

    bool firstCue = true;
    for (const core::CueLine& cue : plot_.cues) {
        QPen pen(cue.missesTrack ? QColor(220, 30, 30) : QColor(20, 140, 60), cue.missesTrack ? 2.0 : 1.2,
                 Qt::DashLine);
        auto* line = VerticalLine(cue.seconds, top, pen);
        line->setName(QStringLiteral("Cue index"));
        add(line);
        if (!firstCue) HideFromLegend(chart, line);
        firstCue = false;
    }

    auto* resyncs = new QScatterSeries;
    resyncs->setName(QStringLiteral("Resync"));
    resyncs->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    resyncs->setMarkerSize(7);
    resyncs->setColor(QColor(220, 30, 30));
    auto* nonAudio = new QScatterSeries;
    nonAudio->setName(QStringLiteral("Non-audio"));
    nonAudio->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    nonAudio->setMarkerSize(9);
    nonAudio->setColor(QColor(240, 150, 20));
    std::size_t drawn = 0;
    for (const core::StreamMark& mark : plot_.marks) {
        if (drawn++ >= kMaxDrawnMarks) break;
        if (mark.kind == core::MarkKind::Resync) resyncs->append(mark.seconds, top * 0.96);
        if (mark.kind == core::MarkKind::NonAudio) nonAudio->append(mark.seconds, top * 0.90);
    }
    if (resyncs->count() > 0) add(resyncs); else delete resyncs;
    if (nonAudio->count() > 0) add(nonAudio); else delete nonAudio;

    if (series_.audioEnd() < series_.scanEnd()) {
        auto* endLine = VerticalLine(plot_.seconds, top, QPen(QColor(60, 60, 60), 2.0));
        endLine->setName(QStringLiteral("End of audio"));
        add(endLine);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    rateView_->setChart(chart);
}

void StreamView::buildHistogram() {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Frames per bit rate"));
    auto* set = new QBarSet(QStringLiteral("frames"));
    QStringList categories;
    double most = 1;
    for (const core::RateBar& bar : plot_.histogram) {
        categories << QString::number(bar.kbps);
        *set << static_cast<double>(bar.frames);
        most = std::max(most, static_cast<double>(bar.frames));
    }
    set->setColor(QColor(30, 60, 160));
    set->setLabelColor(Qt::black);
    auto* bars = new QBarSeries;
    bars->append(set);
    bars->setLabelsVisible(true);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    chart->addSeries(bars);
    auto* xAxis = new QBarCategoryAxis;
    xAxis->append(categories);
    xAxis->setTitleText(QStringLiteral("kbps"));
    auto* yAxis = new QValueAxis;
    yAxis->setRange(0, most * 1.15);
    yAxis->setLabelFormat(QStringLiteral("%d"));
    yAxis->setTitleText(QStringLiteral("frames"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    bars->attachAxis(xAxis);
    bars->attachAxis(yAxis);
    chart->legend()->hide();
    histogramView_->setChart(chart);
}

bool StreamView::exportPng(const QString& path, QString* error) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!grab().save(&buffer, "PNG")) {
            if (error) *error = QStringLiteral("The picture could not be encoded");
            return false;
        }
    }
    return SaveBytes(path, bytes, error);
}

bool StreamView::exportCsv(const QString& path, QString* error) {
    const std::string csv = core::FrameSeriesCsv(series_);
    return SaveBytes(path, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())), error);
}

void StreamView::askPng() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export PNG"), QString(),
                                                      QStringLiteral("PNG (*.png)"));
    QString error;
    if (!path.isEmpty() && !exportPng(path, &error)) Application::ShowError(path + QStringLiteral(": ") + error);
}

void StreamView::askCsv() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), QString(),
                                                      QStringLiteral("CSV (*.csv)"));
    QString error;
    if (!path.isEmpty() && !exportCsv(path, &error)) Application::ShowError(path + QStringLiteral(": ") + error);
}

// The opened packed file with one band per track it holds and the cue index.
StreamViewInput StreamViewOfPage(const pack::TrackPage& page) {
    StreamViewInput input;
    if (page.tracks.empty()) return input;
    input.path = !page.header.filePath.empty() ? page.header.filePath : page.tracks.front().sourcePath;
    input.title = DisplayName(input.path.substr(input.path.find_last_of('/') + 1));
    for (std::size_t i = 0; i < page.tracks.size(); ++i) {
        const pack::TrackRow& track = page.tracks[i];
        if (track.sourcePath != input.path) continue;
        input.tracks.push_back({track.span.start, track.span.end, std::to_string(i + 1)});
    }
    for (const pack::CueRow& cue : page.cues) input.cues.push_back({cue.index, cue.number + " " + cue.title});
    return input;
}

void OpenStreamView(QWidget* owner, const StreamViewInput& input) {
    core::FrameSeries series;
    std::string error;
    std::optional<core::StreamColumns> columns;
    {
        ProgressWindow progress(owner, QStringLiteral("Frame Scan ..."));
        progress.start();
        progress.setPanelText(0, std::string(input.title.toStdString()));
        columns = core::RecordFileStream(input.path, progress, series, &error);
        if (progress.cancelRequested()) return;
    }
    if (!columns) {
        Application::ShowError(DisplayName(input.path) + QStringLiteral(": ") + ToQString(error));
        return;
    }
    auto* view = new StreamView(owner, input.title, std::move(series), *columns, input.tracks, input.cues);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->show();
}

}  // namespace quilto::app
