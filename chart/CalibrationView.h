#pragma once
// The charts of a calibration, as calibrate plot draws them and a window
// shows them while the calibration runs:
//   - the loss of every candidate of the searches by evaluation (log scale),
//     and the best so far;
//   - each parameter's candidates by evaluation as a share of its search
//     range, and the estimate with its 95 % interval after the last;
//   - each moment at the estimate and at the start against the actual one
//     and the 95 % band of its block bootstrap, in units of half the band's
//     width, so that moments of any scale share one axis.
//
// CalibrationPanel holds the three charts, the loss and the parameters side
// by side over the moments, and draws them into a picture in the same
// arrangement; CalibrationView fills them from a calibration folder's
// outputs, as often as they change.
#include <QWidget>

#include "chart/ChartExport.h"

namespace vk {

class BandSeries;
class Chart;
class LineSeries;
struct CalibrationOutputs;

class CalibrationPanel : public QWidget {
 public:
  explicit CalibrationPanel(QWidget* parent = nullptr);

  // The picture of the panel as it stands.
  ChartDrawing drawing();

  Chart* LossChart;       // "Loss by evaluation"
  Chart* ParameterChart;  // "Parameters by evaluation"
  Chart* MomentChart;     // "Moments, actual and fitted"
};

class CalibrationView {
 public:
  explicit CalibrationView(CalibrationPanel& panel);
  // Replaces everything drawn by what the outputs hold and draws it at once.
  // A calibration that has not finished shows its evaluations so far and no
  // estimate or fit.
  void show(const CalibrationOutputs& outputs);

  CalibrationPanel& panel;

 private:
  void showLoss(const CalibrationOutputs& outputs);
  void showParameters(const CalibrationOutputs& outputs);
  void showMoments(const CalibrationOutputs& outputs);
};

}  // namespace vk
