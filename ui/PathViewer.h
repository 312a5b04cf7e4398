#pragma once
// The path viewer: replays one stored path of a finished run in the main
// window's three charts. A path change loads the path's rate, weights and
// supply-and-demand files from the result directory and shows the whole path;
// play then adds the simulated rate week by week with that week's weights and
// schedule, one frame per timer tick, with pause and stop. It reads files
// only and never calls the model.
//
// The viewer knows the window only through ViewerCharts and ViewerControls,
// so that tests drive it frame by frame without a timer.
#include <QString>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vk {

class Chart;
class LineSeries;
class BarSeries;

enum class ViewerState { Stopped = 0, Playing = 1, Paused = 2 };
enum class ButtonImage { Play, Pause };

struct ViewerCharts {
  Chart* rateChart;
  LineSeries* actual;
  LineSeries* simulation;
  Chart* supplyDemandChart;
  LineSeries* supply;
  LineSeries* demand;
  Chart* weightsChart;
  BarSeries* weights;
};

class ViewerControls {
 public:
  virtual ~ViewerControls() = default;
  virtual void setPathControlsEnabled(bool enabled) = 0;
  virtual void setTimerRunning(bool running) = 0;
  // Shows the image on the play button; a RunError when it cannot be read.
  virtual void showButtonImage(ButtonImage image) = 0;
};

struct RateRecord {
  int week;
  double actual;
  double simulated;
};

class PathViewer {
 public:
  PathViewer(const ViewerCharts& charts, ViewerControls& controls);

  // Each operation may end with a RunError (a path number that is no whole
  // number, a malformed line, an unreadable button image); what it did up to
  // that point stays.
  void changePath(const QString& pathText, const std::string& resultDir);
  // Whether the charts show that path of that directory (as loaded by the
  // last path change); a run that may have rewritten it calls forget().
  bool shows(const QString& pathText, const std::string& resultDir) const;
  void forget() { shownPath_.clear(); }
  void playOrPause();
  void stop();
  void tick();

  ViewerState state() const { return state_; }
  int frameIndex() const { return frameIndex_; }
  int frameCount() const { return static_cast<int>(rateTrack_.size()); }
  const std::vector<RateRecord>& rateTrack() const { return rateTrack_; }
  int trackStart() const { return trackStart_; }
  int trackEnd() const { return trackEnd_; }
  int weightCount() const { return weightCount_; }
  int pairCount() const { return pairCount_; }

 private:
  struct WeightRow {
    double week = 0;
    std::vector<double> means;  // weights 1..n
  };
  struct Block {
    double week = 0;
    std::vector<std::pair<double, double>> pairs;  // supply and demand, lowest level first
  };

  static std::string shownPathKey(const QString& pathText, const std::string& resultDir);
  bool missing(const std::string& path);
  void showWhatIsMissing();
  void loadRateFile(const std::string& path);
  void loadWeightsFile(const std::string& path);
  void loadScheduleFile(const std::string& path);
  void drawRateChart(bool withSimulation);
  void drawWeightsRow(int row);
  void drawWeightsOfFrame(int frame);
  void drawBlock(int block);
  void finish();

  ViewerCharts charts_;
  ViewerControls& controls_;
  ViewerState state_ = ViewerState::Stopped;
  int frameIndex_ = 0;
  std::vector<RateRecord> rateTrack_;
  int trackStart_ = 0;
  int trackEnd_ = 0;
  std::vector<WeightRow> weightRows_;
  std::unordered_map<int, int> rowOfWeek_;
  int weightCount_ = 0;
  std::vector<Block> blocks_;  // block 0 takes pairs before the first week line
  int pairCount_ = 0;
  std::string shownPath_;
  std::vector<std::string> missing_;  // the files the last path change did not find
};

}  // namespace vk
