#pragma once
// A word as a shell script or a copied command line needs it.
#include <string>
#include <vector>

namespace vk {

// The word itself when a shell takes it as it is, else in single quotes.
std::string shellWord(const std::string& word);

// The words of a command line as a shell splits it: blanks between words,
// single quotes around literal text and a backslash before one character,
// as shellWord writes them. A quote left open is a RunError; anything a
// shell would expand ($, `, *, ...) is taken as it stands.
std::vector<std::string> shellWords(const std::string& line);

}  // namespace vk
