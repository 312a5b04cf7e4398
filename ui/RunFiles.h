#pragma once
// The three names a run needs and its seed, held by the main window and set
// by the parameter dialog. Relative names are taken from the working
// directory.
#include <QString>

namespace vk {

struct RunFiles {
  QString resultDir = "result";
  QString priceFileName = "price.txt";
  QString dataFileName = "data.txt";
  // As velquin-cli run --seed takes it; empty for the fixed seed.
  QString seed;
};

}  // namespace vk
