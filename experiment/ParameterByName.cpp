#include "experiment/ParameterByName.h"

#include <map>

#include "model/PathLoop.h"
#include "run/Display.h"
#include "run/InputFiles.h"
#include "run/RunError.h"
#include "run/RunState.h"
#include "run/TextFormat.h"
#include "run/TextReader.h"

namespace vk {

namespace {

struct Member {
  int Parameters::*integer = nullptr;
  double Parameters::*real = nullptr;
};

const std::map<std::string, Member>& members() {
  static const std::map<std::string, Member> table = {
      {"delta", {nullptr, &Parameters::delta}},         {"ndiv", {&Parameters::ndiv, nullptr}},
      {"trend1", {nullptr, &Parameters::trend1}},       {"trend2", {nullptr, &Parameters::trend2}},
      {"trend3", {nullptr, &Parameters::trend3}},       {"popsize", {&Parameters::popsize, nullptr}},
      {"minyear", {&Parameters::minyear, nullptr}},     {"maxyear", {&Parameters::maxyear, nullptr}},
      {"teachyear", {&Parameters::teachyear, nullptr}}, {"pcross1", {nullptr, &Parameters::pcross1}},
      {"pmutation1", {nullptr, &Parameters::pmutation1}}, {"gap1", {nullptr, &Parameters::gap1}},
      {"pcross2", {nullptr, &Parameters::pcross2}},     {"pmutation2", {nullptr, &Parameters::pmutation2}},
      {"gap2", {nullptr, &Parameters::gap2}},           {"simtimes", {&Parameters::simtimes, nullptr}},
      {"nsample", {&Parameters::nsample, nullptr}}};
  return table;
}

}  // namespace

const std::vector<NamedParameter>& namedParameters() {
  static const std::vector<NamedParameter> list = {
      {"delta", false},   {"ndiv", true},        {"trend1", false}, {"trend2", false},     {"trend3", false},
      {"popsize", true},  {"minyear", true},     {"maxyear", true}, {"teachyear", true},   {"pcross1", false},
      {"pmutation1", false}, {"gap1", false},    {"pcross2", false}, {"pmutation2", false}, {"gap2", false},
      {"simtimes", true}, {"nsample", true}};
  return list;
}

const NamedParameter* findNamedParameter(const std::string& name) {
  for (const NamedParameter& p : namedParameters())
    if (name == p.name) return &p;
  return nullptr;
}

std::string parameterText(const NamedParameter& parameter, double value) {
  if (parameter.integer) return plainInt(static_cast<long long>(value));
  const std::string text = fixed(value, 0, 5);
  return text;
}

void setParameterFromText(Parameters& p, const NamedParameter& parameter, const std::string& text) {
  const Member& member = members().at(parameter.name);
  if (parameter.integer) {
    int value = 0;
    if (!parseInt(text, value))
      throw RunError(std::string(parameter.name) + " = '" + text + "' is not a whole number");
    p.*member.integer = value;
  } else {
    double value = 0;
    if (!parseReal(text, value)) throw RunError(std::string(parameter.name) + " = '" + text + "' is not a number");
    p.*member.real = value;
  }
}

double parameterValue(const Parameters& p, const NamedParameter& parameter) {
  const Member& member = members().at(parameter.name);
  return parameter.integer ? p.*member.integer : p.*member.real;
}

const NamedParameter* parameterChangedByFormat(const Parameters& p) {
  for (const NamedParameter& parameter : namedParameters()) {
    const double value = parameterValue(p, parameter);
    double back = 0;
    if (!parseReal(parameterText(parameter, value), back) || back != value) return &parameter;
  }
  return nullptr;
}

void checkRunParameters(const Parameters& p) {
  Display nothing;
  std::unique_ptr<RunState> state = newRunState(nothing);
  static_cast<Parameters&>(*state) = p;
  checkParameterLimits(*state);
  checkGenerationGaps(*state);
}

}  // namespace vk
