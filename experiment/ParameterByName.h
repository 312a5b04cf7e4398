#pragma once
// The parameters of para.txt that an experiment sets by name, from the text
// para.txt holds, with the limits a run checks.
#include <string>
#include <vector>

#include "run/Parameters.h"

namespace vk {

struct NamedParameter {
  const char* name;
  bool integer;
};

// Every numeric parameter of para.txt, in the file's order.
const std::vector<NamedParameter>& namedParameters();
// Null for a name that is not one of them.
const NamedParameter* findNamedParameter(const std::string& name);

// The text para.txt holds for the value: a plain integer, or a real in the
// file's fixed format with five decimals, trimmed.
std::string parameterText(const NamedParameter& parameter, double value);

// Sets the parameter from its text; a text that is not a number of its kind
// is a RunError.
void setParameterFromText(Parameters& p, const NamedParameter& parameter, const std::string& text);

double parameterValue(const Parameters& p, const NamedParameter& parameter);

// The first parameter whose value para.txt's format would change (a real
// with more than five decimals), or null.
const NamedParameter* parameterChangedByFormat(const Parameters& p);

// The checks a run makes of its parameters before it starts: each limit of
// the run state, and the generation gaps against popsize.
void checkRunParameters(const Parameters& p);

}  // namespace vk
