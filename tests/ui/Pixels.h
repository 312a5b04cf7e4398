#pragma once
// How much of a picture a colour covers: the tests' way to tell that a line
// or a bar was really drawn.
#include <QImage>

namespace vk::testing {

inline int countPixels(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) ++n;
  return n;
}

}  // namespace vk::testing
