#include "model/Parameters.h"

namespace vk {

int gapCountOf(int popsize, double gap) {
  const double product = popsize * gap;
  if (!(product >= 0)) return -1;
  int count = product > popsize ? popsize + 1 : static_cast<int>(product);
  if (count % 2 != 0) count = count + 1;
  return count;
}

}  // namespace vk
