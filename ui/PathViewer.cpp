#include "ui/PathViewer.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "analysis/ResultLine.h"
#include "chart/Chart.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "io/TextReader.h"

namespace vk {

namespace {

// A missing file is no error: the viewer then keeps what it has.
bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// Calls f(fields, lineNumber) for every line of the file.
template <typename F>
void forEachLine(const std::string& path, F f) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throwFileError("open file for reading", path, errno);
  std::string line;
  std::vector<std::string> fields;
  int number = 0;
  while (std::getline(in, line)) {
    fields = splitResultLine(line);
    f(fields, ++number);
  }
  if (in.bad()) throwFileError("read file", path, errno);
}

std::string pathFile(const std::string& resultDir, const char* prefix, int path) {
  return resultDir + "/" + prefix + pathTagOf(path) + ".csv";
}

}  // namespace

PathViewer::PathViewer(const ViewerCharts& charts, ViewerControls& controls)
    : charts_(charts), controls_(controls), blocks_(1) {}

void PathViewer::changePath(const QString& pathText, const std::string& resultDir) {
  int path;
  if (!parseInt(pathText.toStdString(), path))
    throw RunError("'" + pathText.toStdString() + "' is not a valid integer value");
  const std::string dir = QFile::encodeName(QString::fromStdString(resultDir)).toStdString();

  loadRateFile(pathFile(dir, "r", path));
  drawRateChart(true);

  loadWeightsFile(pathFile(dir, "w", path));
  // The weights of the week whose schedule (block 1) is shown beside them.
  if (frameCount() > 1)
    drawWeightsOfFrame(1);
  else
    drawWeightsRow(1);

  loadScheduleFile(pathFile(dir, "q", path));
  drawBlock(1);
}

void PathViewer::loadRateFile(const std::string& path) {
  if (!fileExists(path)) return;
  rateTrack_.clear();
  double commonRate = 0;
  bool haveCommonRate = false;
  forEachLine(path, [&](const std::vector<std::string>& f, int line) {
    const int week = intField(f, 0, path, line);
    const double simulated = realField(f, 1, path, line);
    const double actual = realField(f, 2, path, line);
    if (rateTrack_.empty()) {
      if (simulated == actual) {
        commonRate = simulated;
        haveCommonRate = true;
      } else {
        // The replay starts at the last week in which both rates agreed. A
        // file that differs from its first line on has no such week; the
        // line's actual rate stands in for it.
        const double start = haveCommonRate ? commonRate : actual;
        rateTrack_.push_back({week - 1, start, start});
        rateTrack_.push_back({week, actual, simulated});
        trackStart_ = week - 1;
      }
    } else {
      rateTrack_.push_back({week, actual, simulated});
    }
    trackEnd_ = week;
  });
}

void PathViewer::loadWeightsFile(const std::string& path) {
  if (!fileExists(path)) return;
  // A new path's rows replace the old ones entirely: a shorter file must not
  // leave rows of another path behind.
  weightRows_.clear();
  rowOfWeek_.clear();
  forEachLine(path, [&](const std::vector<std::string>& f, int line) {
    WeightRow row;
    row.week = realField(f, 0, path, line);
    weightCount_ = (static_cast<int>(f.size()) - 1) / 2;
    for (int k = 1; k <= weightCount_; ++k) row.means.push_back(realField(f, 2 * k - 1, path, line));
    if (row.week == std::floor(row.week) && std::abs(row.week) < 1e9)
      rowOfWeek_[static_cast<int>(row.week)] = static_cast<int>(weightRows_.size());
    weightRows_.push_back(std::move(row));
  });
}

void PathViewer::loadScheduleFile(const std::string& path) {
  if (!fileExists(path)) return;
  blocks_.assign(1, Block());  // as with the weights: no blocks of another path
  int pairs = 0;
  forEachLine(path, [&](const std::vector<std::string>& f, int line) {
    if (f.size() == 1) {
      Block block;
      block.week = realField(f, 0, path, line);
      blocks_.push_back(std::move(block));
      pairs = 0;
    } else {
      const double supply = realField(f, 0, path, line);
      const double demand = realField(f, 1, path, line);
      blocks_.back().pairs.emplace_back(supply, demand);
      ++pairs;
    }
  });
  pairCount_ = pairs;
}

void PathViewer::drawRateChart(bool withSimulation) {
  charts_.actual->clear();
  charts_.simulation->clear();
  for (const RateRecord& r : rateTrack_) {
    charts_.actual->addPoint(r.week, r.actual);
    if (withSimulation) charts_.simulation->addPoint(r.week, r.simulated);
  }
  charts_.rateChart->replot();
}

void PathViewer::drawWeightsRow(int row) {
  charts_.weights->clear();
  const WeightRow* r = row >= 0 && row < static_cast<int>(weightRows_.size()) ? &weightRows_[row] : nullptr;
  for (int k = 1; k <= weightCount_; ++k) {
    const bool has = r && k <= static_cast<int>(r->means.size());
    charts_.weights->addPoint(k, has ? r->means[k - 1] : 0.0);
  }
  charts_.weightsChart->replot();
}

void PathViewer::drawWeightsOfFrame(int frame) {
  const auto it = rowOfWeek_.find(rateTrack_[static_cast<std::size_t>(frame)].week);
  if (it != rowOfWeek_.end()) {
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
  const Block* b = block < static_cast<int>(blocks_.size()) ? &blocks_[static_cast<std::size_t>(block)] : nullptr;
  const int c = (pairCount_ - 1) / 2;
  for (int k = 1; k <= pairCount_; ++k) {
    const bool has = b && k <= static_cast<int>(b->pairs.size());
    const double supply = has ? b->pairs[static_cast<std::size_t>(k - 1)].first : 0.0;
    const double demand = has ? b->pairs[static_cast<std::size_t>(k - 1)].second : 0.0;
    const int x = k - 1 - c;
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
  const RateRecord& r = rateTrack_[static_cast<std::size_t>(frameIndex_)];
  charts_.simulation->addPoint(r.week, r.simulated);
  charts_.rateChart->replot();
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
