#include <gtest/gtest.h>

#include <vector>

#include "calibration/CalibrationDescription.h"
#include "calibration/CmaesSearch.h"

namespace vk {
namespace {

double squaredDistanceFromCentre(const SearchPoint& x) {
  double sum = 0.0;
  for (double v : x) sum += (v - 0.5) * (v - 0.5);
  return sum;
}

std::vector<std::vector<SearchPoint>> threeGenerations(int dimensions) {
  CmaesSearch search(dimensions, generationSize(dimensions), 7, 0.3);
  std::vector<std::vector<SearchPoint>> generations;
  for (int g = 0; g < 3; ++g) {
    generations.push_back(search.ask());
    std::vector<double> losses;
    for (const SearchPoint& x : generations.back()) losses.push_back(squaredDistanceFromCentre(x));
    search.tell(losses);
  }
  return generations;
}

TEST(CmaesSearch, EveryParameterCountFromOneSearchesGenerationsInsideTheBoxTheSameWayTwice) {
  for (int dimensions : {1, 2, 8}) {
    const auto generations = threeGenerations(dimensions);
    for (const auto& generation : generations) {
      ASSERT_EQ(generation.size(), static_cast<std::size_t>(generationSize(dimensions))) << dimensions;
      for (const SearchPoint& x : generation) {
        ASSERT_EQ(x.size(), static_cast<std::size_t>(dimensions));
        for (double v : x) EXPECT_TRUE(v >= 0.0 && v <= 1.0) << v;
      }
    }
    EXPECT_EQ(threeGenerations(dimensions), generations) << dimensions;
  }
}

}  // namespace
}  // namespace vk
