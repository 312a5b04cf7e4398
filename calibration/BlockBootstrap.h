#pragma once
// The moving-block bootstrap of the actual weekly changes (Kuensch 1989):
// how far the actual moments may lie from where they are, as far as the one
// observed series can tell.
//
// Blocks of b = max(1, round(n^(1/3))) consecutive weeks, the rate of Hall,
// Horowitz and Jing (1995) for variances, start at uniformly drawn weeks
// 1..n-b+1; ceil(n/b) of them are laid end to end and cut to n weeks. Each of
// kBootstrapResamples such series gives the facts' moments; a resample where
// a moment is undefined is left out. The draws come from splitmix64 counting
// from the seed, so they are the same on every machine.
#include <cstdint>
#include <string>
#include <vector>

#include "calibration/MomentStatistics.h"

namespace vk {

constexpr int kBootstrapResamples = 999;

struct BootstrapMoments {
  int blockLength = 0;
  int resamples = 0;          // the resamples where every moment is defined
  MomentMatrix covariance;    // divisor resamples - 1
  std::vector<double> lower;  // the 2.5 % quantile of each moment
  std::vector<double> upper;  // the 97.5 % quantile
};

int bootstrapBlockLength(int weeks);

// columns: the fact columns of the moments; names for messages. Fewer than
// half the resamples with every moment defined is a RunError naming the
// moment undefined most often.
BootstrapMoments blockBootstrap(const std::vector<double>& changes, const std::vector<int>& columns,
                                const std::vector<std::string>& names, std::uint64_t seed,
                                int resamples = kBootstrapResamples);

}  // namespace vk
