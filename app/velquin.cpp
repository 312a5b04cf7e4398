// The desktop program. It works in the current directory: para.txt,
// wdata.txt and filename.txt are found there, and relative names of the
// result directory and the input files are taken from there.
#include <QApplication>
#include <QPushButton>

#include <csignal>

#include "ui/ContourPlotWindow.h"
#include "ui/ExperimentsWindow.h"
#include "ui/FactsPlotWindow.h"
#include "ui/MainWindow.h"
#include "ui/ParametersDialog.h"
#include "ui/PathPlotWindow.h"
#include "ui/WeightsPlotWindow.h"

int main(int argc, char** argv) {
  // Beyond a file-size limit a write fails with EFBIG and the run's message
  // box names the file, instead of the kernel ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName("VELQUIN KRA");

  // The main window first, then the windows it opens, each hidden; they live
  // as long as the main window, whose closing ends the program.
  vk::MainWindow mainWindow;
  auto* parametersDialog = new vk::ParametersDialog(&mainWindow, mainWindow.runFiles);
  mainWindow.setParametersDialog(parametersDialog);
  auto* pathPlot = new vk::PathPlotWindow(&mainWindow);
  auto* weightsPlot = new vk::WeightsPlotWindow(&mainWindow);
  auto* contourPlot = new vk::ContourPlotWindow(&mainWindow);
  auto* factsPlot = new vk::FactsPlotWindow(&mainWindow);
  mainWindow.setAnalyzerAction(mainWindow.pathsPlotButton, [pathPlot](const QString& dir) { pathPlot->openWith(dir); });
  mainWindow.setAnalyzerAction(mainWindow.contourPlotButton,
                               [contourPlot](const QString& dir) { contourPlot->openWith(dir); });
  mainWindow.setAnalyzerAction(mainWindow.weightsPlotButton,
                               [weightsPlot](const QString& dir) { weightsPlot->openWith(dir); });
  mainWindow.setAnalyzerAction(mainWindow.factsPlotButton,
                               [factsPlot](const QString& dir) { factsPlot->openWith(dir); });

  // The Experiments window opens a run's result folder in the main window's
  // viewer, which its analysis windows follow, or in one analysis window.
  auto* experiments = new vk::ExperimentsWindow(&mainWindow);
  experiments->setRunViewer([&mainWindow](const QString& dir, const QString& what) {
    mainWindow.viewFolder(dir, what);
    mainWindow.raise();
    mainWindow.activateWindow();
  });
  experiments->addResultAction("Paths plot", [pathPlot](const QString& dir) { pathPlot->openWith(dir); });
  experiments->addResultAction("Contour plot", [contourPlot](const QString& dir) { contourPlot->openWith(dir); });
  experiments->addResultAction("Weights plot", [weightsPlot](const QString& dir) { weightsPlot->openWith(dir); });
  experiments->addResultAction("Facts plot", [factsPlot](const QString& dir) { factsPlot->openWith(dir); });
  QObject::connect(mainWindow.experimentsButton, &QPushButton::clicked, experiments, [experiments] {
    experiments->show();
    experiments->raise();
    experiments->activateWindow();
  });

  // An open analysis window of the directory a run wrote lists its files
  // anew; each shows the folder the main window views.
  for (vk::ResultFrame* window :
       std::initializer_list<vk::ResultFrame*>{pathPlot, weightsPlot, contourPlot, factsPlot}) {
    mainWindow.whenRunEnds([window](const QString& dir) { window->runEnded(dir); });
    mainWindow.whenViewChanges([window](const QString& dir) { window->follow(dir); });
  }

  mainWindow.show();
  return app.exec();
}
