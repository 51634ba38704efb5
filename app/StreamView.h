// The "Stream View" window: where a file spends its bits, drawn with Qt
// Charts from the recorded frame scan — bit rate over time with its marks and
// track bands, frames per bit rate — and exported as PNG or CSV.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "core/FrameSeries.h"
#include "core/StreamPlot.h"
#include "pack/TrackLists.h"

class QChartView;
class QLabel;

namespace quilto::core {
class Progress;
}

namespace quilto::app {

struct StreamViewInput {
    QString title;             // the file's name
    std::string path;          // the file scanned
    std::vector<core::TrackSpanInput> tracks;
    std::vector<core::CueIndexInput> cues;
};

class StreamView final : public QDialog {
    Q_OBJECT
public:
    StreamView(QWidget* parent, const QString& title, core::FrameSeries series, const core::StreamColumns& columns,
               const std::vector<core::TrackSpanInput>& tracks = {}, const std::vector<core::CueIndexInput>& cues = {});

    // Both write beside the target and rename into place; false, with the
    // reason in error, when anything failed (the target is then untouched).
    bool exportPng(const QString& path, QString* error = nullptr);
    bool exportCsv(const QString& path, QString* error = nullptr);

    const core::StreamPlot& plot() const { return plot_; }
    QString caption() const;
    QChartView* rateView() const { return rateView_; }
    QChartView* histogramView() const { return histogramView_; }

private:
    void buildRateChart();
    void buildHistogram();
    void askPng();
    void askCsv();

    core::FrameSeries series_;
    core::StreamPlot plot_;
    QLabel* caption_ = nullptr;
    QChartView* rateView_ = nullptr;
    QChartView* histogramView_ = nullptr;
};

// The UnPack page's packed file, a band for each of its tracks and a line
// for each cue index.
StreamViewInput StreamViewOfPage(const pack::TrackPage& page);

// Scans input.path under a progress window and opens the view; reports a
// file that cannot be read and does nothing when the scan was cancelled.
void OpenStreamView(QWidget* owner, const StreamViewInput& input);

}  // namespace quilto::app
