#pragma once
// The path viewer: replays one stored path of a finished run in the main
// window's three charts. A path change loads the path's rate, weights and
// supply-and-demand files from the result directory and shows the whole path;
// play then adds the simulated rate week by week with that week's weights and
// schedule, one frame per timer tick, with pause and stop. It reads the
// files through the core's path track readers and never calls the model.
//
// The viewer knows the window only through ViewerCharts and ViewerControls,
// so that tests drive it frame by frame without a timer.
#include <QString>

#include <string>
#include <vector>

#include "analysis/PathTrack.h"

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
  // The week the replay has reached, of the path's first to last; week -1
  // when no replay is under way.
  virtual void showReplayWeek(int week, int first, int last) = 0;
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
  int frameCount() const { return static_cast<int>(track_.records.size()); }
  const std::vector<RateRecord>& rateTrack() const { return track_.records; }
  int trackStart() const { return track_.start; }
  int trackEnd() const { return track_.end; }
  int weightCount() const { return weights_.weightCount; }
  int pairCount() const { return schedule_.pairCount; }
  // How often the viewer has drawn into the rate chart, its lines, note or
  // scale: a run compares it with what it last showed to know whether the
  // chart still shows the run's picture.
  int rateChartDrawings() const { return rateChartDrawings_; }

 private:
  static std::string shownPathKey(const QString& pathText, const std::string& resultDir);
  void showWhatIsMissing(const std::vector<std::string>& missing);
  void drawRateChart(bool withSimulation);
  void drawWeightsRow(int row);
  void drawWeightsOfFrame(int frame);
  void drawBlock(int block);
  void finish();

  ViewerCharts charts_;
  ViewerControls& controls_;
  ViewerState state_ = ViewerState::Stopped;
  int frameIndex_ = 0;
  std::string shownPath_;
  RateTrack track_;
  WeightRows weights_;
  Schedule schedule_;
  int rateChartDrawings_ = 0;
};

}  // namespace vk
