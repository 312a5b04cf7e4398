#pragma once
// The factor values of a week: the fourteen of the data file, which the run
// has read, and three trend factors on the rate before the week.

namespace vk {

struct RunState;

// factorValue[1..17] of week s.week: 1..14 as dataFactors holds them; 15 the
// trend level of the change into the week before (the actual change up to
// the first week after training, the simulated one after it); 16 of the rate
// over the four weeks before; 17 of the bend of the rate over the three
// weeks before, each divided by its trend divisor. Weeks before the tables
// begin read as rate 0.
void loadWeekFactors(RunState& s);

}  // namespace vk
