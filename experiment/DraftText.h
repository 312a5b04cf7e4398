#pragma once
// Typed form values turned into the TOML text of a description, shared by the
// experiment and the calibration descriptions' writers. A form's text is
// never written raw: each value is parsed and written anew, so no typed
// character can change the file's structure.
#include <string>
#include <utility>
#include <vector>

#include "experiment/Description.h"

namespace vk {

// The inputs every description names: the folder and what is taken from it.
struct DraftInputs {
  std::string inputs;  // absolute, or relative to the description's folder
  std::string mode;    // empty: para.txt's
  // Empty: the inputs folder's price.txt, data.txt and wdata.txt.
  std::string price;
  std::string data;
  std::string wdata;
};

// The description's first lines for a file in `folder`: the inputs folder
// relative to it where it lies below it, the files relative to the inputs.
// An empty inputs folder is a RunError.
std::string inputsText(const DraftInputs& draft, const std::string& folder);

// The form's view of the inputs a reader resolved: inputs absolute, each file
// empty where it is the folder's own, else relative to it where it lies below.
DraftInputs draftInputsOf(const std::string& inputs, const std::string& mode, const std::string& price,
                          const std::string& data, const std::string& wdata);

// A typed number as TOML, in its shortest exact form; text that is no finite
// number is a RunError naming `what`.
std::string numberText(const std::string& typed, const std::string& what);
// A typed whole number from 0 to 2^63 - 1 as TOML.
std::string wholeText(const std::string& typed, const std::string& what);
// Typed seeds, a count ("5") or a list ("0, 17, 42", brackets optional).
std::string seedsText(const std::string& typed);
// Seeds as the form shows them: a count where they are 0 to n - 1.
std::string typedSeeds(const std::vector<ExperimentSeed>& seeds);

// The shortest text that reads back as the same double ("0.003", "50").
std::string shortestNumber(double value);
// file relative to folder where it lies below it, else as it is.
std::string relativeBelow(const std::string& file, const std::string& folder);
// name as a path from folder, unless it is absolute.
std::string absoluteIn(const std::string& name, const std::string& folder);
// "[a, b]"
std::string tomlList(const std::vector<std::string>& items);
// The text with blanks and tabs cut from both ends.
std::string trimmedText(const std::string& text);

// The lines of a description's text (1-based, each with its text) that
// `written`, the text a form would save for it, does not hold as they stand:
// comments, and values in a layout other than the form's.
std::vector<std::pair<int, std::string>> linesNotKept(const std::string& text, const std::string& written);

}  // namespace vk
