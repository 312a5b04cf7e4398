#pragma once
// The search: the covariance matrix adaptation evolution strategy (CMA-ES,
// Hansen 2006) of pagmo2, taken as it is, driven one generation at a time so
// that a generation's candidates can run as one batch.
//
// pagmo's cmaes evaluates each candidate as it samples it and offers no hook
// for a batch; but it samples a whole generation before any of its fitness
// values are used. So a generation is asked for by evolving copies of the
// algorithm and the population over a problem that only records the points
// it is given, and told by evolving the real ones over a problem that answers
// with the batch's losses for exactly those points. The search works in the
// unit box [0, 1]^P; every draw comes from the seed, so the same losses give
// the same candidates.
#include <memory>
#include <vector>

namespace pagmo {
class population;
class algorithm;
}  // namespace pagmo

namespace vk {

using SearchPoint = std::vector<double>;

class CmaesSearch {
 public:
  // A search whose first generation is drawn uniformly from the box.
  CmaesSearch(int dimensions, int generationSize, unsigned seed, double initialStep);
  // A search starting from points whose losses are known already.
  CmaesSearch(const std::vector<SearchPoint>& start, const std::vector<double>& losses, unsigned seed,
              double initialStep);
  ~CmaesSearch();

  // The next generation's points.
  std::vector<SearchPoint> ask();
  // Their losses, in the order asked; +inf for a failed candidate.
  void tell(const std::vector<double>& losses);

  // What the problem pagmo evolves over records or answers.
  struct Answers;

 private:
  std::shared_ptr<Answers> answers_;
  std::unique_ptr<pagmo::algorithm> algorithm_;
  std::unique_ptr<pagmo::population> population_;
  std::vector<SearchPoint> asked_;
  bool started_ = false;
};

}  // namespace vk
