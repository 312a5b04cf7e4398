#pragma once
// Which parameters matter: variance-based (Sobol) and elementary-effects
// (Morris) sensitivity indices from the values of a metric at the points of
// a saltelli or morris design (Design.h), each with a bootstrap 95 %
// interval.
//
// Sobol, from the values at A_j, AB_j^1..AB_j^k and B_j of the N samples,
// with V the variance (divisor 2N) of all f(A_j) and f(B_j):
//   first order  S1_i = mean_j f(B_j) (f(AB_j^i) - f(A_j)) / V
//                (A. Saltelli et al. 2010, Comput. Phys. Commun. 181, 259-270, table 2 (b));
//   total        ST_i = mean_j (f(A_j) - f(AB_j^i))^2 / (2 V)
//                (M. J. W. Jansen 1999, Comput. Phys. Commun. 117, 35-43; Saltelli 2010 table 2 (f)).
// Morris, from r trajectories of k + 1 points, each step moving one factor
// by +-delta in the unit cube: the elementary effect of the step is
// (f(after) - f(before)) / (x_after - x_before), so an effect is per whole
// range of the parameter; mu is the mean of a factor's r effects, mu* the
// mean of their absolute values (F. Campolongo et al. 2007, Environ. Model.
// Softw. 22, 1509-1518) and sigma their standard deviation (divisor r - 1;
// M. D. Morris 1991, Technometrics 33, 161-174).
//
// The intervals are percentile bootstrap intervals (2.5 % and 97.5 %,
// quantiles as R's type 7): the N samples, or the r trajectories, are drawn
// with replacement `resamples` times by a generator of its own seeded by
// `seed`, so the same input gives the same bytes everywhere.
#include <cstdint>
#include <optional>
#include <vector>

namespace vk {

// An estimate and its bootstrap 95 % interval; empty where the index is
// undefined (a metric with no variance, fewer than two trajectories for
// sigma).
struct IndexEstimate {
  double value = 0;
  double low = 0;
  double high = 0;
};
using Index = std::optional<IndexEstimate>;

struct SobolFactor {
  Index first;
  Index total;
};

// values: N (k + 2) values in the saltelli design's order. N >= 2.
std::vector<SobolFactor> sobolIndices(const std::vector<double>& values, int factors, int resamples,
                                      std::uint64_t seed);

struct MorrisFactor {
  Index mu;
  Index muStar;
  Index sigma;
};

// units: the design's r (k + 1) points in the unit cube, trajectory by
// trajectory; values: the metric at each. Consecutive points of a
// trajectory must differ in exactly one coordinate (a RunError otherwise).
std::vector<MorrisFactor> morrisIndices(const std::vector<std::vector<double>>& units,
                                        const std::vector<double>& values, int factors, int resamples,
                                        std::uint64_t seed);

}  // namespace vk
