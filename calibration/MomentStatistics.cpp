#include "calibration/MomentStatistics.h"

#include <cmath>
#include <limits>

#include "analysis/StylizedFacts.h"
#include "io/RunError.h"

namespace vk {

namespace {

constexpr double kCollinear = 1e-10;
// Loadings of the weakest direction at least this large name a moment as
// part of the collinear set.
constexpr double kCollinearLoading = 0.2;

double upliftForOnePath(int paths) { return 1.0 + 1.0 / paths; }

void refuseWithoutVariance(const MomentMatrix& omega, const std::vector<std::string>& names) {
  for (Eigen::Index i = 0; i < omega.rows(); ++i)
    if (!(omega(i, i) > 0.0))
      throw RunError("the moment " + names[static_cast<std::size_t>(i)] +
                     " does not vary across the simulated paths, so it cannot be weighted; leave it out");
}

}  // namespace

MomentVector momentMeans(const MomentMatrix& paths) { return paths.colwise().mean().transpose(); }

MomentMatrix momentCovariance(const MomentMatrix& paths) {
  if (paths.rows() < 2) throw RunError("the moments' covariance needs two simulated paths at least");
  const MomentMatrix centred = paths.rowwise() - paths.colwise().mean();
  return centred.transpose() * centred / static_cast<double>(paths.rows() - 1);
}

double momentLoss(const MomentVector& simulated, const MomentVector& actual, const MomentMatrix& weights) {
  const MomentVector g = simulated - actual;
  return g.dot(weights * g);
}

MomentMatrix diagonalWeights(const MomentMatrix& omega, const std::vector<std::string>& names) {
  refuseWithoutVariance(omega, names);
  return omega.diagonal().cwiseInverse().asDiagonal();
}

MomentMatrix inverseWeights(const MomentMatrix& omega, const std::vector<std::string>& names) {
  refuseWithoutVariance(omega, names);
  // Judged on the correlations, so that moments of very different scales do
  // not look collinear.
  const MomentVector scale = omega.diagonal().cwiseSqrt().cwiseInverse();
  const MomentMatrix correlation = scale.asDiagonal() * omega * scale.asDiagonal();
  const Eigen::SelfAdjointEigenSolver<MomentMatrix> eigen(correlation);
  const MomentVector values = eigen.eigenvalues();  // ascending
  if (!(values(0) > kCollinear * values(values.size() - 1))) {
    std::string set;
    const MomentVector weakest = eigen.eigenvectors().col(0);
    for (Eigen::Index i = 0; i < weakest.size(); ++i)
      if (std::fabs(weakest(i)) >= kCollinearLoading)
        set += (set.empty() ? "" : ", ") + names[static_cast<std::size_t>(i)];
    throw RunError("the covariance of the moments cannot be inverted: " + set +
                   " are collinear across the simulated paths; leave one of them out");
  }
  return scale.asDiagonal() * eigen.eigenvectors() * values.cwiseInverse().asDiagonal() *
         eigen.eigenvectors().transpose() * scale.asDiagonal();
}

MomentVector jacobianColumn(const MomentVector& above, const MomentVector& below, double up, double down) {
  return (above - below) / (up + down);
}

MomentMatrix jacobianColumnNoise(const MomentMatrix& abovePaths, const MomentMatrix& belowPaths, double up,
                                 double down) {
  const MomentMatrix differences = abovePaths - belowPaths;
  return momentCovariance(differences) / static_cast<double>(differences.rows()) / ((up + down) * (up + down));
}

bool standsOutOfNoise(const MomentVector& column, const MomentMatrix& noise, double level) {
  const Eigen::SelfAdjointEigenSolver<MomentMatrix> eigen(noise);
  const MomentVector values = eigen.eigenvalues();  // ascending
  const MomentVector along = eigen.eigenvectors().transpose() * column;
  double statistic = 0;
  int degrees = 0;
  for (Eigen::Index i = 0; i < values.size(); ++i) {
    if (!(values(i) > kCollinear * values(values.size() - 1))) continue;
    statistic += along(i) * along(i) / values(i);
    ++degrees;
  }
  // Noise in no direction: whatever moved, moved for certain.
  if (degrees == 0) return column.cwiseAbs().maxCoeff() > 0.0;
  return chiSquaredUpperTail(statistic, degrees) < level;
}

SandwichErrors sandwichErrors(const MomentMatrix& jacobian, const MomentMatrix& weights, const MomentMatrix& omega,
                              int paths, const std::vector<double>& ranges, const std::vector<bool>& outOfNoise) {
  const Eigen::Index p = jacobian.cols();
  SandwichErrors result;
  result.identified.assign(static_cast<std::size_t>(p), false);
  result.standardError.assign(static_cast<std::size_t>(p), std::numeric_limits<double>::quiet_NaN());
  std::vector<Eigen::Index> kept;
  for (Eigen::Index k = 0; k < p; ++k) {
    double largest = 0;
    for (Eigen::Index i = 0; i < jacobian.rows(); ++i)
      if (omega(i, i) > 0.0)
        largest =
            std::max(largest, std::fabs(jacobian(i, k)) * ranges[static_cast<std::size_t>(k)] / std::sqrt(omega(i, i)));
    const bool noisy = !outOfNoise.empty() && !outOfNoise[static_cast<std::size_t>(k)];
    if (largest >= kIdentifiedShare && !noisy) kept.push_back(k);
  }
  MomentMatrix d(jacobian.rows(), static_cast<Eigen::Index>(kept.size()));
  for (std::size_t j = 0; j < kept.size(); ++j) d.col(static_cast<Eigen::Index>(j)) = jacobian.col(kept[j]);
  if (kept.empty()) return result;
  const MomentMatrix bread = d.transpose() * weights * d;
  const Eigen::SelfAdjointEigenSolver<MomentMatrix> eigen(bread);
  if (!(eigen.eigenvalues()(0) > kCollinear * eigen.eigenvalues()(eigen.eigenvalues().size() - 1))) return result;
  const MomentMatrix breadInverse = bread.inverse();
  const MomentMatrix meat = d.transpose() * weights * omega * weights * d;
  result.covariance = breadInverse * meat * breadInverse * upliftForOnePath(paths);
  for (std::size_t j = 0; j < kept.size(); ++j) {
    const auto at = static_cast<Eigen::Index>(j);
    result.identified[static_cast<std::size_t>(kept[j])] = true;
    result.standardError[static_cast<std::size_t>(kept[j])] = std::sqrt(result.covariance(at, at));
  }
  return result;
}

FitTest jTest(const MomentVector& simulated, const MomentVector& actual, const MomentMatrix& omega, int paths,
              int identifiedParameters) {
  FitTest test;
  test.degrees = static_cast<int>(simulated.size()) - identifiedParameters;
  const MomentVector g = simulated - actual;
  test.statistic = g.dot(omega.ldlt().solve(g)) / upliftForOnePath(paths);
  test.pValue = chiSquaredUpperTail(test.statistic, test.degrees);
  return test;
}

double momentTRatio(double actual, double simulated, double variance, int paths) {
  if (!(variance > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  return (actual - simulated) / std::sqrt(variance * upliftForOnePath(paths));
}

}  // namespace vk
