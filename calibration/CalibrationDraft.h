#pragma once
// A calibration description as a form edits it, and the one writer of its
// TOML text, beside its reader (CalibrationDescription.h). The writer turns
// what was typed into TOML, refusing a value that is not a number where a
// number belongs; every other check is the reader's, which reads the written
// file back before anything runs from it.
#include <string>
#include <vector>

#include "calibration/CalibrationDescription.h"
#include "experiment/DraftText.h"

namespace vk {

// A parameter to estimate and its search range, as typed.
struct EstimateDraft {
  std::string name;
  std::string from;
  std::string to;
};

struct CalibrationDraft : DraftInputs {
  std::vector<EstimateDraft> estimate;  // in the report's order
  std::vector<std::string> moments;     // in the report's order
  WeightKind weights = WeightKind::Simulated;
  std::string seeds = "1";  // a count ("5") or a list ("0, 17, 42")
  std::string budget;
  std::string searchSeed = "0";
  std::string tolerance;  // empty: the search's own
};

// The description's text for a file in `folder`. A value that is no number,
// a budget or seed that is no whole number from 0, and a name that TOML
// cannot hold bare are RunErrors naming the entry.
std::string calibrationText(const CalibrationDraft& draft, const std::string& folder);

// The form's view of a description read from its file: numbers in their
// shortest exact form, files relative to the inputs where they lie below them.
CalibrationDraft calibrationDraftOf(const CalibrationDescription& c);

}  // namespace vk
