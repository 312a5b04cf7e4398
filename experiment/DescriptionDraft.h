#pragma once
// An experiment description as a form edits it, and the one writer of its
// TOML text. What the form holds is what was typed: the writer turns it into
// TOML, refusing a value that is not a number where a number belongs, and
// leaves every other check to the description's reader (Description.h),
// which reads the written file back before anything runs from it.
#include <string>
#include <vector>

#include "experiment/Description.h"
#include "experiment/DraftText.h"

namespace vk {

// One entry of [vary]: a parameter of para.txt by its name, wdata (a list of
// weight structure files) or market (a list of price and data files).
struct DraftEntry {
  std::string name;
  bool isRange = false;
  std::vector<std::string> values;  // a list: numbers as typed, or weight structure files
  std::string from;                 // a range's ends as typed
  std::string to;
  int steps = 0;                     // 0: none, as a sampled design wants
  std::vector<MarketFiles> markets;  // market: absolute files or relative to the inputs
};

struct DescriptionDraft : DraftInputs {
  std::vector<DraftEntry> vary;
  std::string seeds = "1";  // a count ("5") or a list ("0, 17, 42")
  DesignKind design = DesignKind::Grid;
  int samples = 0;
  int trajectories = 0;
  int levels = 0;
  std::string designSeed = "0";
  OutputKeep keep = OutputKeep::All;
};

// The description's text for a file in `folder`: the inputs folder relative
// to it where it lies below it, other files relative to the inputs. A value
// that is no number, a seed that is no whole number from 0 and a name that
// TOML cannot hold bare are RunErrors naming the entry.
std::string descriptionText(const DescriptionDraft& draft, const std::string& folder);

// The form's view of a description read from its file: numbers in their
// shortest exact form, files relative to the inputs where they lie below them.
DescriptionDraft draftOf(const Description& d);

}  // namespace vk
