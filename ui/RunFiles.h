#pragma once
// The three names a run needs, held by the main window and set by the
// parameter dialog. Relative names are taken from the working directory.
#include <QString>

namespace vk {

struct RunFiles {
  QString resultDir = "result";
  QString priceFileName = "price.txt";
  QString dataFileName = "data.txt";
};

}  // namespace vk
