#include "analysis/EarlierRun.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

#include "analysis/SummaryFiles.h"
#include "io/ResultLock.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "run/ParameterFile.h"

namespace fs = std::filesystem;

namespace vk {

namespace {

// Every per-path file a run may write: the prefix before the path tag.
const char* const kPerPathPrefixes[] = {"r", "w", "q", "f", "rnd", "fo.", "sc", "frq"};
const char* const kFolderStem = "earlier-run-";

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool allDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Names such as r0012.csv, rnd0003.csv or all7.dat.250, in any letter case.
bool isRunFileName(const std::string& name) {
  const std::string n = lowerCase(name);
  for (const char* prefix : kPerPathPrefixes) {
    const std::string p = prefix;
    if (n.size() > p.size() + 4 && n.compare(0, p.size(), p) == 0 && endsWith(n, ".csv") &&
        allDigits(n.substr(p.size(), n.size() - p.size() - 4)))
      return true;
  }
  // The agent snapshots of a detailed replay: "all" + path + ".dat." + week.
  const std::size_t dat = n.find(".dat.");
  if (n.compare(0, 3, "all") == 0 && dat != std::string::npos)
    return allDigits(n.substr(3, dat - 3)) && allDigits(n.substr(dat + 5));
  return std::find(std::begin(kSummaryFileNames), std::end(kSummaryFileNames), n) != std::end(kSummaryFileNames);
}

// The per-path files the run writes anew, by the prefixes its mode writes.
std::set<std::string> namesRewritten(const Parameters& p) {
  std::vector<std::string> prefixes;
  if (p.runMode == "all") prefixes = {"r", "w", "q", "f"};
  if (p.runMode == "write") prefixes = {"r", "rnd"};
  std::set<std::string> names;
  for (int path = 0; path < p.simtimes; ++path)
    for (const std::string& prefix : prefixes) names.insert(prefix + pathTagOf(path) + ".csv");
  return names;
}

}  // namespace

std::vector<std::string> earlierRunFiles(const std::string& resultDir, const Parameters& p) {
  std::vector<std::string> found;
  if (p.runMode != "all" && p.runMode != "write") return found;
  std::error_code ec;
  fs::directory_iterator it(resultDir, ec);
  if (ec) return found;
  const std::set<std::string> rewritten = namesRewritten(p);
  for (const fs::directory_entry& entry : it) {
    std::error_code typeError;
    if (entry.is_directory(typeError)) continue;
    const std::string name = entry.path().filename().string();
    if (isRunFileName(name) && rewritten.count(name) == 0) found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string nextEarlierRunFolder(const std::string& resultDir) {
  for (int n = 1;; ++n) {
    const std::string name = kFolderStem + std::to_string(n);
    std::error_code ec;
    if (!fs::exists(fs::path(resultDir) / name, ec) && !ec) return name;
  }
}

std::string moveEarlierRunFiles(const std::string& resultDir, const std::vector<std::string>& names) {
  // Moving files is writing the directory: not while a run of another
  // process writes it, nor a summary reads it.
  const ResultLock lock(resultDir, ResultLock::Use::Run);
  // The folder is created here, not taken as found: files are never moved
  // into a folder that may already hold some of the same names.
  std::string folder;
  for (;;) {
    folder = nextEarlierRunFolder(resultDir);
    std::error_code ec;
    if (fs::create_directory(fs::path(resultDir) / folder, ec)) break;
    if (ec) throwFileError("create folder", (fs::path(resultDir) / folder).string(), ec.value());
  }
  for (const std::string& name : names) {
    const fs::path from = fs::path(resultDir) / name;
    std::error_code ec;
    fs::rename(from, fs::path(resultDir) / folder / name, ec);
    if (ec) throw RunError("Cannot move '" + from.string() + "' into '" + folder + "': " + ec.message());
  }
  return folder;
}

std::string fileCount(std::size_t count) { return count == 1 ? "1 file" : std::to_string(count) + " files"; }

std::string describeEarlierRunFiles(const std::string& resultDir, const std::vector<std::string>& names) {
  if (names.empty()) return std::string();
  std::string which = names.front();
  if (names.size() == 2) which += ", " + names.back();
  if (names.size() > 2) which += " ... " + names.back();
  return fileCount(names.size()) + " of an earlier run (" + which + ") " + (names.size() == 1 ? "is" : "are") + " in " +
         resultDir + " and will not be rewritten by this run.";
}

}  // namespace vk
