#include "analysis/EarlierRun.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "analysis/SummaryFiles.h"
#include "io/AtomicFile.h"
#include "io/ResultLock.h"
#include "io/RunError.h"
#include "io/TextFormat.h"
#include "run/ParameterFile.h"
#include "run/ReportFile.h"

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
  if (n == kReportFileName) return true;
  return std::find(std::begin(kSummaryFileNames), std::end(kSummaryFileNames), n) != std::end(kSummaryFileNames);
}

// The per-path files the run writes anew, by the prefixes its mode writes.
std::set<std::string> namesRewritten(const Parameters& p) {
  std::vector<std::string> prefixes;
  if (p.runMode == "all") prefixes = {"r", "w", "q", "f"};
  if (p.runMode == "write") prefixes = {"r", "rnd"};
  std::set<std::string> names = {kReportFileName};
  for (int path = 0; path < p.simtimes; ++path)
    for (const std::string& prefix : prefixes) names.insert(prefix + pathTagOf(path) + ".csv");
  return names;
}

// The names of the files an earlier run wrote into resultDir, sorted; those
// that keep returns false for are left out.
template <typename Keep>
std::vector<std::string> runFilesIn(const std::string& resultDir, Keep keep) {
  std::vector<std::string> found;
  std::error_code ec;
  fs::directory_iterator it(resultDir, ec);
  if (ec) return found;
  for (const fs::directory_entry& entry : it) {
    std::error_code typeError;
    if (entry.is_directory(typeError)) continue;
    const std::string name = entry.path().filename().string();
    if (isRunFileName(name) && keep(name)) found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Creates a new earlier-run folder in resultDir and moves the named files
// into it; the caller holds the directory's lock.
std::string moveIntoNewFolder(const std::string& resultDir, const std::vector<std::string>& names) {
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

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throwFileError("open file for reading", path, errno);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throwFileError("read file", path, errno);
  return text;
}

}  // namespace

std::vector<std::string> earlierRunFiles(const std::string& resultDir, const Parameters& p) {
  if (p.runMode != "all" && p.runMode != "write") return {};
  const std::set<std::string> rewritten = namesRewritten(p);
  return runFilesIn(resultDir, [&rewritten](const std::string& name) { return rewritten.count(name) == 0; });
}

std::vector<std::string> wholeRunFiles(const std::string& resultDir) {
  return runFilesIn(resultDir, [](const std::string&) { return true; });
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
  return moveIntoNewFolder(resultDir, names);
}

MovedRun moveEarlierRun(const std::string& resultDir) {
  ResultLock lock(resultDir, ResultLock::Use::Run);
  MovedRun moved;
  const std::vector<std::string> names = wholeRunFiles(resultDir);
  moved.files = names.size();
  moved.folder = moveIntoNewFolder(resultDir, names);
  // The run goes with its marks: the path it cut, so that its summaries
  // still refuse that path, and the record of the paths it wrote, so that
  // they take exactly those. The directory it left holds no run any more.
  if (lock.unfinished() || lock.writtenPaths()) {
    const std::string mark = fileText((fs::path(resultDir) / kLockFileName).string());
    writeFileAtomically((fs::path(resultDir) / moved.folder / kLockFileName).string(), mark);
    lock.clearMarks();
  }
  return moved;
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
