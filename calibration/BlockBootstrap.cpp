#include "calibration/BlockBootstrap.h"

#include <algorithm>
#include <cmath>

#include "analysis/StylizedFacts.h"
#include "io/RunError.h"
#include "io/SplitMix.h"

namespace vk {

namespace {

class BlockStarts {
 public:
  explicit BlockStarts(std::uint64_t seed) : counter_(seed) {}
  // A start in 0..count-1, unbiased enough for count far below 2^32.
  std::size_t next(std::size_t count) {
    counter_ += kSplitMixIncrement;
    const unsigned __int128 wide = static_cast<unsigned __int128>(splitMixBits(counter_)) * count;
    return static_cast<std::size_t>(wide >> 64);
  }

 private:
  std::uint64_t counter_;
};

}  // namespace

int bootstrapBlockLength(int weeks) {
  return std::max(1, static_cast<int>(std::lround(std::cbrt(static_cast<double>(weeks)))));
}

BootstrapMoments blockBootstrap(const std::vector<double>& changes, const std::vector<int>& columns,
                                const std::vector<std::string>& names, std::uint64_t seed, int resamples) {
  const std::size_t n = changes.size();
  BootstrapMoments result;
  result.blockLength = bootstrapBlockLength(static_cast<int>(n));
  const std::size_t b = std::min<std::size_t>(static_cast<std::size_t>(result.blockLength), n);
  BlockStarts starts(seed);
  std::vector<std::vector<double>> kept;
  std::vector<int> undefinedCount(columns.size(), 0);
  std::vector<double> series(n);
  for (int r = 0; r < resamples && n > 0; ++r) {
    for (std::size_t filled = 0; filled < n;) {
      const std::size_t start = starts.next(n - b + 1);
      for (std::size_t i = 0; i < b && filled < n; ++i) series[filled++] = changes[start + i];
    }
    const FactRow facts = stylizedFacts(series);
    std::vector<double> row;
    bool defined = true;
    for (std::size_t j = 0; j < columns.size(); ++j) {
      const FactValue v = facts[static_cast<std::size_t>(columns[j])];
      if (!v) ++undefinedCount[j];
      defined = defined && v;
      row.push_back(v ? *v : 0.0);
    }
    if (defined) kept.push_back(row);
  }
  if (kept.size() * 2 < static_cast<std::size_t>(resamples) || kept.size() < 2) {
    const std::size_t worst = static_cast<std::size_t>(std::max_element(undefinedCount.begin(), undefinedCount.end()) -
                                                       undefinedCount.begin());
    throw RunError("the bootstrap of the actual changes leaves " + names[worst] + " undefined in " +
                   std::to_string(undefinedCount[worst]) + " of " + std::to_string(resamples) +
                   " resamples; its covariance cannot be estimated: choose weights = \"simulated\" or leave it out");
  }
  result.resamples = static_cast<int>(kept.size());
  MomentMatrix rows(static_cast<Eigen::Index>(kept.size()), static_cast<Eigen::Index>(columns.size()));
  for (std::size_t r = 0; r < kept.size(); ++r)
    for (std::size_t j = 0; j < columns.size(); ++j)
      rows(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(j)) = kept[r][j];
  result.covariance = momentCovariance(rows);
  for (std::size_t j = 0; j < columns.size(); ++j) {
    std::vector<double> values;
    for (const auto& row : kept) values.push_back(row[j]);
    result.lower.push_back(*percentile(values, 0.025));
    result.upper.push_back(*percentile(values, 0.975));
  }
  return result;
}

}  // namespace vk
