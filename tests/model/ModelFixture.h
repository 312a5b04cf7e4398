#pragma once
// A zeroed run state for the model's tests, with helpers to set up agents.
#include <initializer_list>
#include <memory>

#include <gtest/gtest.h>

#include "model/Display.h"
#include "model/RunState.h"

namespace vk::testing {

class ModelTest : public ::testing::Test {
 protected:
  ModelTest() : state(newRunState(display)), s(*state) {}

  // Agent n's codes in weight order; the rest stay as they were.
  void setGenes(int n, std::initializer_list<int> codes) {
    int g = 1;
    for (int c : codes) s.agents[n].genes[g++] = static_cast<std::int8_t>(c);
  }
  void setFactors(std::initializer_list<int> values) {
    int i = 1;
    for (int v : values) s.factorValue[i++] = v;
  }
  // An agent of the clearing examples: forecast level and order size, position 0.
  void setOrder(int n, int level, double order) {
    s.agents[n].forecast = level * s.delta;
    s.agents[n].position = 0;
    s.agents[n].target = order;
  }

  NullDisplay display;
  std::unique_ptr<RunState> state;
  RunState& s;
};

}  // namespace vk::testing
