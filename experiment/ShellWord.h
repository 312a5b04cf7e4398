#pragma once
// A word as a shell script or a copied command line needs it.
#include <string>

namespace vk {

// The word itself when a shell takes it as it is, else in single quotes.
std::string shellWord(const std::string& word);

}  // namespace vk
