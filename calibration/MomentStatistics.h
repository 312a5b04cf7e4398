#pragma once
// The method of simulated moments: the statistics of one candidate's
// simulated moments, the loss, the weighting matrices, and the standard
// errors and fit test at the estimate.
//
// With K moments, P parameters and S simulated paths (every path of every
// seed's run), each path giving a row of K moments:
//   m(theta)  = the mean of the rows                        (simulated moments)
//   Omega     = their covariance across paths, divisor S - 1: the variance of
//               one observed path's moments under the model
//   g         = m(theta) - m_actual
//   loss      = g' W g
//   D         = dm/dtheta, by central differences at the estimate
//   V         = (D'WD)^-1 D'W Omega W D (D'WD)^-1 (1 + 1/S)
//   J         = g' (Omega (1 + 1/S))^-1 g ~ chi-squared(K - P) when W = Omega^-1
// The factor 1 + 1/S counts the noise of the observed path (1) and of the
// mean of S simulated ones (1/S): Lee and Ingram (1991), Duffie and Singleton
// (1993); the sandwich and the J test of the generalised method of moments
// are Hansen's (1982). Franke and Westerhoff (2012) estimate agent-based
// markets this way.
#include <string>
#include <vector>

#include <Eigen/Dense>

namespace vk {

using MomentMatrix = Eigen::MatrixXd;
using MomentVector = Eigen::VectorXd;

// The mean of each column (one row per path).
MomentVector momentMeans(const MomentMatrix& paths);

// The covariance of the columns across the rows, divisor rows - 1. Needs two
// rows at least.
MomentMatrix momentCovariance(const MomentMatrix& paths);

// g' W g.
double momentLoss(const MomentVector& simulated, const MomentVector& actual, const MomentMatrix& weights);

// diag(1 / Omega_ii). A moment without variance is a RunError naming it.
MomentMatrix diagonalWeights(const MomentMatrix& omega, const std::vector<std::string>& names);

// Omega^-1. A moment without variance, or moments so nearly collinear that
// the inverse would be noise (the smallest eigenvalue of their correlation
// matrix below 1e-10 of the largest), is a RunError naming them.
MomentMatrix inverseWeights(const MomentMatrix& omega, const std::vector<std::string>& names);

// The Jacobian's column k from the moments at theta + up_k and theta - down_k
// (one-sided when a step would leave the search range: down or up 0).
MomentVector jacobianColumn(const MomentVector& above, const MomentVector& below, double up, double down);

// The covariance of that column over the simulation's noise, from the paths
// at theta + up_k and theta - down_k taken in pairs: under common random
// numbers the p-th path above and the p-th below share their seed, so the
// mean of their differences carries only the noise the two points do not
// share. In a model where a small change of a parameter sends every path
// elsewhere, that is about twice a mean's noise, and a difference quotient
// over a short step is then mostly noise.
MomentMatrix jacobianColumnNoise(const MomentMatrix& abovePaths, const MomentMatrix& belowPaths, double up,
                                 double down);

// A Jacobian column stands out of its noise when d' V^-1 d, which is
// chi-squared with K degrees of freedom if the parameter moved no moment,
// exceeds that distribution's 1 - level quantile. Directions in which the
// noise does not vary (a moment that never changes) are left out of the test.
bool standsOutOfNoise(const MomentVector& column, const MomentMatrix& noise, double level);

// The chance the Jacobian's tests of one column may take noise for a slope,
// over all the steps it is tried at.
constexpr double kNoiseLevel = 0.05;

// A parameter is identified by the moments when moving it across its whole
// search range shifts some moment by at least this share of one path's
// standard deviation of that moment.
constexpr double kIdentifiedShare = 0.1;

struct SandwichErrors {
  std::vector<bool> identified;       // per parameter
  std::vector<double> standardError;  // NaN where not identified
  MomentMatrix covariance;            // over the identified parameters, in order
};

// V above, over the parameters whose column of D is not near zero and, where
// outOfNoise is given (one flag per parameter), stands out of the
// simulation's noise; ranges are each parameter's search range (to - from).
// When D'WD of the identified columns cannot be inverted, no parameter is
// identified.
SandwichErrors sandwichErrors(const MomentMatrix& jacobian, const MomentMatrix& weights, const MomentMatrix& omega,
                              int paths, const std::vector<double>& ranges, const std::vector<bool>& outOfNoise = {});

struct FitTest {
  double statistic = 0;
  int degrees = 0;
  double pValue = 0;
};

// J above with K - identified parameters degrees of freedom; needs K above
// the identified count and Omega invertible.
FitTest jTest(const MomentVector& simulated, const MomentVector& actual, const MomentMatrix& omega, int paths,
              int identifiedParameters);

// The moment's difference actual - simulated over its standard deviation
// sqrt(Omega_ii (1 + 1/S)); NaN without variance.
double momentTRatio(double actual, double simulated, double variance, int paths);

}  // namespace vk
