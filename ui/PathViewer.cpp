#include "ui/PathViewer.h"

#include <QFile>
#include <QStringList>

#include "analysis/ResultDirectory.h"
#include "chart/Chart.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {

PathViewer::PathViewer(const ViewerCharts& charts, ViewerControls& controls) : charts_(charts), controls_(controls) {}

// The charts never show another path under the number asked for: a kind of
// file that is missing is shown empty, and the rate chart names the files.
void PathViewer::changePath(const QString& pathText, const std::string& resultDir) {
  int path;
  if (!parseInt(pathText.toStdString(), path))
    throw RunError("'" + pathText.toStdString() + "' is not a valid integer value");
  const std::string dir = QFile::encodeName(QString::fromStdString(resultDir)).toStdString();
  shownPath_ = shownPathKey(pathText, resultDir);
  std::vector<std::string> missing;
  const auto fileOf = [&](char prefix) { return resultFilePath(dir, pathFileName(prefix, path)); };

  if (!readRateTrack(dir, path, track_)) {
    track_ = RateTrack();
    missing.push_back(fileOf(kRatePrefix));
  }
  drawRateChart(true);
  showWhatIsMissing(missing);

  if (!readWeightRows(dir, path, weights_)) {
    weights_ = WeightRows();
    missing.push_back(fileOf(kWeightPrefix));
  }
  // The weights of the week whose schedule (block 1) is shown beside them.
  if (frameCount() > 1)
    drawWeightsOfFrame(1);
  else
    drawWeightsRow(1);

  if (!readSchedule(dir, path, schedule_)) {
    schedule_ = Schedule();
    missing.push_back(fileOf(kSchedulePrefix));
  }
  drawBlock(1);
  showWhatIsMissing(missing);
}

bool PathViewer::shows(const QString& pathText, const std::string& resultDir) const {
  return !shownPath_.empty() && shownPath_ == shownPathKey(pathText, resultDir);
}

std::string PathViewer::shownPathKey(const QString& pathText, const std::string& resultDir) {
  int path;
  if (!parseInt(pathText.toStdString(), path)) return std::string();
  return resultDir + "/" + pathTagOf(path);
}

void PathViewer::showWhatIsMissing(const std::vector<std::string>& missing) {
  QString note;
  if (!missing.empty()) {
    QStringList names;
    for (const std::string& path : missing) names << QFile::decodeName(path.c_str());
    note = (names.size() == 1 ? "No file " : "No files ") + names.join(", ");
  } else if (track_.records.empty()) {
    note = "No week of this path differs from history: nothing to replay";
  }
  charts_.rateChart->setNote(note);
  ++rateChartDrawings_;
}

void PathViewer::drawRateChart(bool withSimulation) {
  if (withSimulation) charts_.rateChart->releaseLeftAxis();
  charts_.actual->clear();
  charts_.simulation->clear();
  for (const RateRecord& r : track_.records) {
    charts_.actual->addPoint(r.week, r.actual);
    if (withSimulation) charts_.simulation->addPoint(r.week, r.simulated);
  }
  charts_.rateChart->replot();
  ++rateChartDrawings_;
}

void PathViewer::drawWeightsRow(int row) {
  charts_.weights->clear();
  const std::vector<WeightRow>& rows = weights_.rows;
  const WeightRow* r = row >= 0 && row < static_cast<int>(rows.size()) ? &rows[row] : nullptr;
  for (int k = 1; k <= weights_.weightCount; ++k) {
    const bool has = r && k <= static_cast<int>(r->means.size());
    charts_.weights->addPoint(k, has ? r->means[k - 1] : 0.0);
  }
  charts_.weightsChart->replot();
}

void PathViewer::drawWeightsOfFrame(int frame) {
  const auto it = weights_.rowOfWeek.find(track_.records[static_cast<std::size_t>(frame)].week);
  if (it != weights_.rowOfWeek.end()) {
    drawWeightsRow(it->second);
  } else {  // a week the weights file does not hold shows no bars
    charts_.weights->clear();
    charts_.weightsChart->replot();
  }
}

void PathViewer::drawBlock(int block) {
  charts_.supply->clear();
  charts_.demand->clear();
  // Every block is drawn with the pair count of the file's last block; a
  // block that holds fewer pairs, or that the file never reached, shows 0.
  const std::vector<ScheduleBlock>& blocks = schedule_.blocks;
  const ScheduleBlock* b = block < static_cast<int>(blocks.size()) ? &blocks[static_cast<std::size_t>(block)] : nullptr;
  const int pairCount = schedule_.pairCount;
  const int middle = (pairCount - 1) / 2;
  for (int k = 1; k <= pairCount; ++k) {
    const bool has = b && k <= static_cast<int>(b->pairs.size());
    const double supply = has ? b->pairs[static_cast<std::size_t>(k - 1)].first : 0.0;
    const double demand = has ? b->pairs[static_cast<std::size_t>(k - 1)].second : 0.0;
    const int x = k - 1 - middle;
    charts_.supply->addPoint(supply, x);
    charts_.supply->addPoint(supply, x + 1);
    charts_.demand->addPoint(demand, x);
    charts_.demand->addPoint(demand, x + 1);
  }
  charts_.supplyDemandChart->replot();
}

void PathViewer::playOrPause() {
  controls_.setPathControlsEnabled(false);
  switch (state_) {
    case ViewerState::Stopped:
      // The axis of the whole path, held while the simulated line grows
      // week by week, so that it does not jump under the user's eyes.
      drawRateChart(true);
      charts_.rateChart->holdLeftAxis();
      drawRateChart(false);
      frameIndex_ = 0;
      if (frameCount() == 0) {  // nothing to replay
        finish();
        return;
      }
      state_ = ViewerState::Playing;
      controls_.setTimerRunning(true);
      controls_.showButtonImage(ButtonImage::Pause);
      break;
    case ViewerState::Playing:
      state_ = ViewerState::Paused;
      controls_.setTimerRunning(false);
      controls_.showButtonImage(ButtonImage::Play);
      break;
    case ViewerState::Paused:
      state_ = ViewerState::Playing;
      controls_.setTimerRunning(true);
      controls_.showButtonImage(ButtonImage::Pause);
      break;
  }
}

void PathViewer::stop() {
  controls_.setPathControlsEnabled(true);
  controls_.showReplayWeek(-1, 0, 0);
  if (state_ == ViewerState::Stopped) return;
  state_ = ViewerState::Stopped;
  controls_.setTimerRunning(false);
  controls_.showButtonImage(ButtonImage::Play);
}

void PathViewer::tick() {
  // Stops before any record past the last: the frame count is that of the
  // records read, whatever weeks they hold.
  if (frameIndex_ >= frameCount()) {
    finish();
    return;
  }
  const RateRecord& r = track_.records[static_cast<std::size_t>(frameIndex_)];
  charts_.simulation->addPoint(r.week, r.simulated);
  charts_.rateChart->replot();
  ++rateChartDrawings_;
  controls_.showReplayWeek(r.week, track_.records.front().week, track_.records.back().week);
  drawWeightsOfFrame(frameIndex_);
  drawBlock(frameIndex_);
  ++frameIndex_;
  if (frameIndex_ >= frameCount()) finish();
}

void PathViewer::finish() {
  // The timer and the controls first: a button image that cannot be read
  // must not leave the replay running past its last frame.
  state_ = ViewerState::Stopped;
  controls_.setTimerRunning(false);
  controls_.setPathControlsEnabled(true);
  controls_.showButtonImage(ButtonImage::Play);
}

}  // namespace vk
