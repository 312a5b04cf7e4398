// The desktop program. It works in the current directory: para.txt,
// wdata.txt and filename.txt are found there, and relative names of the
// result directory and the input files are taken from there.
#include <QApplication>

#include "ui/AgeForm.h"
#include "ui/paraset.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("VELQUIN KRA");

  // The main window first, then the windows it opens, each hidden; they live
  // as long as the main window, whose closing ends the program.
  vk::TForm1 form1;
  auto* parametersDlg = new vk::TParametersDlg(form1);
  form1.setParametersDialog(parametersDlg);

  form1.show();
  return app.exec();
}
