// The desktop program. It works in the current directory: para.txt,
// wdata.txt and filename.txt are found there, and relative names of the
// result directory and the input files are taken from there.
#include <QApplication>

#include <csignal>

#include "ui/MainWindow.h"
#include "ui/ContourPlotWindow.h"
#include "ui/FactsPlotWindow.h"
#include "ui/PathPlotWindow.h"
#include "ui/WeightsPlotWindow.h"
#include "ui/ParametersDialog.h"

int main(int argc, char** argv) {
  // Beyond a file-size limit a write fails with EFBIG and the run's message
  // box names the file, instead of the kernel ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName("VELQUIN KRA");

  // The main window first, then the windows it opens, each hidden; they live
  // as long as the main window, whose closing ends the program.
  vk::TForm1 form1;
  auto* parametersDlg = new vk::TParametersDlg(&form1, form1.runFiles);
  form1.setParametersDialog(parametersDlg);
  auto* pathForm = new vk::TPathForm(&form1);
  auto* wPlotForm = new vk::TWPlotForm(&form1);
  auto* contPlotForm = new vk::TContPlotForm(&form1);
  auto* factsForm = new vk::TFactsForm(&form1);
  form1.setAnalyzerAction(form1.PathPlotBtn, [pathForm](const QString& dir) { pathForm->openWith(dir); });
  form1.setAnalyzerAction(form1.ContPlotBtn, [contPlotForm](const QString& dir) { contPlotForm->openWith(dir); });
  form1.setAnalyzerAction(form1.WPlotBtn, [wPlotForm](const QString& dir) { wPlotForm->openWith(dir); });
  form1.setAnalyzerAction(form1.FactsPlotBtn, [factsForm](const QString& dir) { factsForm->openWith(dir); });

  form1.show();
  return app.exec();
}
