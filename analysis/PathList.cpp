#include "analysis/PathList.h"

#include <algorithm>
#include <set>

#include "io/RunError.h"
#include "io/TextReader.h"

namespace vk {

namespace {

[[noreturn]] void failItem(const std::string& item, const std::string& why) {
  throw RunError(quoted(item) + " in the path list " + why);
}

int pathNumberOf(const std::string& text, const std::string& item) {
  int value = 0;
  if (text.empty() || text[0] == '+' || text[0] == '-' || !parseInt(text, value))
    failItem(item, "is not a path number or a range such as 5-9");
  return value;
}

std::string trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

}  // namespace

std::vector<int> parsePathList(const std::string& list) {
  std::vector<int> paths;
  std::set<int> seen;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    const std::string item =
        trimmed(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    const std::size_t dash = item.find('-');
    const int first = pathNumberOf(trimmed(item.substr(0, dash)), item);
    const int last = dash == std::string::npos ? first : pathNumberOf(trimmed(item.substr(dash + 1)), item);
    if (last < first) failItem(item, "is a range that runs downwards");
    if (static_cast<long long>(paths.size()) + (last - first) + 1 > kMaxListedPaths)
      failItem(item, "makes more than " + std::to_string(kMaxListedPaths) + " paths");
    for (long long k = first; k <= last; ++k) {
      if (!seen.insert(static_cast<int>(k)).second)
        failItem(item, "gives path " + std::to_string(k) + " a second time; a summary counts every path once");
      paths.push_back(static_cast<int>(k));
    }
    if (comma == std::string::npos) return paths;
    start = comma + 1;
  }
}

std::vector<ResultFileEntry> entriesOfPaths(const std::vector<int>& paths, char prefix) {
  std::vector<ResultFileEntry> entries;
  entries.reserve(paths.size());
  for (int k : paths) entries.push_back({pathFileName(prefix, k), true});
  return entries;
}

std::vector<int> allPathsOf(const std::string& directory, char prefix) {
  std::vector<int> paths;
  for (const std::string& name : listResultFiles(directory, prefix)) {
    const std::size_t digits = name.size() - 1 - 4;
    int k = 0;
    if (name.compare(name.size() - 4, 4, ".csv") != 0 || name[0] != prefix) continue;
    const std::string tag = name.substr(1, digits);
    if (tag.empty() || tag.find_first_not_of("0123456789") != std::string::npos || !parseInt(tag, k)) continue;
    if (pathFileName(prefix, k) == name) paths.push_back(k);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace vk
