#include "calibration/CmaesSearch.h"

#include <limits>
#include <map>
#include <stdexcept>

#include <pagmo/algorithm.hpp>
#include <pagmo/algorithms/cmaes.hpp>
#include <pagmo/population.hpp>
#include <pagmo/problem.hpp>

#include "io/RunError.h"

namespace vk {

namespace {

// pagmo sorts by fitness; a failed candidate ranks last without an infinity.
double rankable(double loss) {
  return loss < std::numeric_limits<double>::max() ? loss : std::numeric_limits<double>::max();
}

}  // namespace

struct CmaesSearch::Answers {
  int dimensions = 0;
  bool recording = true;
  std::vector<SearchPoint> recorded;
  std::map<SearchPoint, double> losses;
};

namespace {

// The problem pagmo evolves over: records points, or answers from the batch.
struct BatchProblem {
  std::shared_ptr<CmaesSearch::Answers> answers;

  pagmo::vector_double fitness(const pagmo::vector_double& x) const {
    if (answers->recording) {
      answers->recorded.push_back(x);
      return {0.0};
    }
    const auto found = answers->losses.find(x);
    if (found == answers->losses.end())
      throw RunError("the search asked for a candidate its generation did not hold; its draws are not reproducible");
    return {found->second};
  }

  std::pair<pagmo::vector_double, pagmo::vector_double> get_bounds() const {
    return {pagmo::vector_double(static_cast<std::size_t>(answers->dimensions), 0.0),
            pagmo::vector_double(static_cast<std::size_t>(answers->dimensions), 1.0)};
  }
};

constexpr double kNoTolerance = 0.0;  // the caller's stopping rule decides

}  // namespace

CmaesSearch::CmaesSearch(int dimensions, int generationSize, unsigned seed, double initialStep)
    : answers_(std::make_shared<Answers>()) {
  answers_->dimensions = dimensions;
  const pagmo::problem problem{BatchProblem{answers_}};
  algorithm_ = std::make_unique<pagmo::algorithm>(
      pagmo::cmaes(1, -1, -1, -1, -1, initialStep, kNoTolerance, kNoTolerance, true, true, seed));
  // Drawn while recording: these are the first generation's points.
  const pagmo::population drawn(problem, static_cast<pagmo::population::size_type>(generationSize), seed);
  population_ = std::make_unique<pagmo::population>(problem, 0u, seed);
  asked_ = drawn.get_x();
  answers_->recorded.clear();
}

CmaesSearch::CmaesSearch(const std::vector<SearchPoint>& start, const std::vector<double>& losses, unsigned seed,
                         double initialStep)
    : answers_(std::make_shared<Answers>()) {
  answers_->dimensions = static_cast<int>(start.front().size());
  const pagmo::problem problem{BatchProblem{answers_}};
  algorithm_ = std::make_unique<pagmo::algorithm>(
      pagmo::cmaes(1, -1, -1, -1, -1, initialStep, kNoTolerance, kNoTolerance, true, true, seed));
  population_ = std::make_unique<pagmo::population>(problem, 0u, seed);
  for (std::size_t i = 0; i < start.size(); ++i) population_->push_back(start[i], {rankable(losses[i])});
  started_ = true;
}

CmaesSearch::~CmaesSearch() = default;

std::vector<SearchPoint> CmaesSearch::ask() {
  if (!started_) return asked_;
  pagmo::algorithm dryAlgorithm = *algorithm_;
  pagmo::population dryPopulation = *population_;
  answers_->recording = true;
  answers_->recorded.clear();
  dryAlgorithm.evolve(dryPopulation);
  asked_ = answers_->recorded;
  return asked_;
}

void CmaesSearch::tell(const std::vector<double>& losses) {
  if (!started_) {
    for (std::size_t i = 0; i < asked_.size(); ++i) population_->push_back(asked_[i], {rankable(losses[i])});
    started_ = true;
    return;
  }
  answers_->losses.clear();
  for (std::size_t i = 0; i < asked_.size(); ++i) answers_->losses[asked_[i]] = rankable(losses[i]);
  answers_->recording = false;
  *population_ = algorithm_->evolve(*population_);
}

}  // namespace vk
