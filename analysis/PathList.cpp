#include "analysis/PathList.h"

#include <algorithm>
#include <set>

#include "analysis/EarlierRun.h"
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

std::optional<int> pathNumberOfFile(const std::string& name, char prefix) {
  if (name.size() < 1 + 4 || name[0] != prefix || name.compare(name.size() - 4, 4, ".csv") != 0) return std::nullopt;
  const std::string tag = name.substr(1, name.size() - 1 - 4);
  int k = 0;
  if (tag.empty() || tag.find_first_not_of("0123456789") != std::string::npos || !parseInt(tag, k)) return std::nullopt;
  if (pathFileName(prefix, k) != name) return std::nullopt;
  return k;
}

std::vector<int> allPathsOf(const std::string& directory, char prefix) {
  std::vector<int> paths;
  for (const std::string& name : listResultFiles(directory, prefix))
    if (const std::optional<int> k = pathNumberOfFile(name, prefix)) paths.push_back(*k);
  std::sort(paths.begin(), paths.end());
  return paths;
}

namespace {

// "2 files (w0003.csv, w0004.csv) are left out: "
std::string leftOutText(const std::vector<std::string>& names) {
  std::string which = names.front();
  if (names.size() == 2) which += ", " + names.back();
  if (names.size() > 2) which += " ... " + names.back();
  return fileCount(names.size()) + " (" + which + ") " + (names.size() == 1 ? "is" : "are") + " left out: ";
}

}  // namespace

std::string noRecordNote(const std::string& directory, char prefix) {
  return quoted(directory, std::string::npos) +
         " holds no record of the paths its last run wrote (it was made by an earlier version, or by hand), so "
         "every path file is taken; a file left from another run is refused only where its weeks differ from "
         "those of " +
         pathFileName(prefix, kReferencePath) + ".";
}

LastRunPaths lastRunPathsOf(const std::string& directory, char prefix) {
  LastRunPaths chosen;
  const std::vector<int> all = allPathsOf(directory, prefix);
  const std::optional<WrittenPaths> written = readWrittenPaths(directory);
  if (!written) {
    chosen.paths = all;
    return chosen;
  }
  chosen.recorded = true;
  if (written->count == 0)
    throw RunError("The last run in " + quoted(directory, std::string::npos) +
                   " completed no path, so its path files, " + pathFileName(kRatePrefix, kReferencePath) +
                   " among them, are left from an earlier run; there is nothing of the last run to summarise");
  std::vector<std::string> beyond, otherKind;
  for (int path : all) {
    if (path >= written->count)
      beyond.push_back(pathFileName(prefix, path));
    else if (!written->holds(std::string(1, prefix), path))
      otherKind.push_back(pathFileName(prefix, path));
    else
      chosen.paths.push_back(path);
  }
  const std::string in = quoted(directory, std::string::npos);
  if (!beyond.empty())
    chosen.note = leftOutText(beyond) + "the last run in " + in + " wrote " + writtenPathsText(*written) + ", and " +
                  (beyond.size() == 1 ? "this is" : "these are") + " left from an earlier run.";
  if (!otherKind.empty())
    chosen.note += std::string(chosen.note.empty() ? "" : " ") + leftOutText(otherKind) + "the last run in " + in +
                   " wrote no such file for " + (otherKind.size() == 1 ? "its path" : "their paths") +
                   ", nor did a replay since, so " + (otherKind.size() == 1 ? "it is" : "they are") +
                   " left from an earlier run.";
  return chosen;
}

}  // namespace vk
