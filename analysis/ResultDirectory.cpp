#include "analysis/ResultDirectory.h"

#include <dirent.h>

#include <cctype>
#include <cerrno>
#include <memory>

#include "analysis/ResultLine.h"
#include "analysis/SummaryFiles.h"
#include "io/RunError.h"
#include "io/TextFormat.h"

namespace vk {

namespace {

bool sameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool matchesPathFilePattern(const std::string& name, char prefix) {
  static const std::string extension = ".csv";
  if (name.size() < 1 + extension.size() || !sameLetter(name[0], prefix)) return false;
  const std::size_t tail = name.size() - extension.size();
  for (std::size_t i = 0; i < extension.size(); ++i)
    if (!sameLetter(name[tail + i], extension[i])) return false;
  return true;
}

std::string selectionLine(TextReader& text) {
  const int line = text.line();
  if (text.atEnd())
    throw RunError("Unexpected end of file: '" + text.name() + "' has no line " + std::to_string(line) +
                   (line > 1 ? "; its first line announces more paths" : ""));
  return text.readLineText();
}

int selectionNumber(TextReader& text) {
  const int line = text.line();
  return intFromText(selectionLine(text), text.name() + ", line " + std::to_string(line));
}

}  // namespace

std::string resultFilePath(const std::string& directory, const std::string& name) { return directory + "/" + name; }

std::string pathFileName(char prefix, int pathNumber) { return prefix + pathTagOf(pathNumber) + ".csv"; }

std::vector<std::string> listResultFiles(const std::string& directory, char prefix) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && matchesPathFilePattern(name, prefix)) names.push_back(name);
  }
  return names;
}

std::string writtenPathsText(const WrittenPaths& written) {
  if (written.count == 0) return "no path";
  if (written.count == 1) return "path 0";
  return "paths 0-" + plainInt(written.count - 1);
}

std::string selectionTextOf(const std::string& fileName, char prefix) {
  const std::vector<std::string> pieces = splitDelimited(fileName, '.');
  if (pieces.size() < 2) throw RunError("The file name '" + fileName + "' has no extension; it names no path");
  std::string text;
  for (char c : pieces[pieces.size() - 2])
    if (!sameLetter(c, prefix)) text += c;
  return text;
}

void writeSelectionFile(const std::string& directory, const std::vector<ResultFileEntry>& entries, char prefix) {
  std::string text;
  int checked = 0;
  for (const ResultFileEntry& e : entries) {
    if (!e.checked) continue;
    ++checked;
    text += selectionTextOf(e.name, prefix) + "\n";
  }
  OutputFile file;
  file.createReplacing(resultFilePath(directory, kSelectionFileName));
  file.write(plainInt(checked) + "\n" + text);
  file.commit();
}

PathSelection::PathSelection(const std::string& directory)
    : directory_(directory), unfinished_(readUnfinishedRun(directory)), written_(readWrittenPaths(directory)) {}

int PathSelection::nextPath() {
  const int path = readPath();
  if (!seen_.insert(path).second)
    throw RunError("Path " + plainInt(path) + " is selected twice (" + whereLast() +
                   "); a summary counts every path once");
  if (unfinished_ && unfinished_->cutPath == path)
    throw RunError("Path " + plainInt(path) + " cannot be summarised (" + whereLast() + "). " +
                   unfinishedRunNote(directory_, *unfinished_));
  if (written_ && path >= written_->count)
    throw RunError("Path " + plainInt(path) + " cannot be summarised (" + whereLast() + "): the last run in " +
                   quoted(directory_, std::string::npos) + " wrote " + writtenPathsText(*written_) +
                   ", so its file is left from an earlier run, and a summary takes only the last run's paths");
  return path;
}

SelectionReader::SelectionReader(const std::string& directory) : PathSelection(directory) {}

void SelectionReader::begin() {
  text_ = TextReader::open(resultFilePath(directory_, kSelectionFileName));
  count_ = selectionNumber(text_);
  if (count_ < 0)
    throw RunError("The path count " + plainInt(count_) + " cannot be negative (" + text_.name() + ", line 1)");
}

int SelectionReader::readPath() {
  lastLine_ = text_.line();
  return selectionNumber(text_);
}

std::string SelectionReader::whereLast() const { return text_.name() + ", line " + plainInt(lastLine_); }

ListedPaths::ListedPaths(const std::string& directory, std::vector<int> paths)
    : PathSelection(directory), paths_(std::move(paths)) {}

std::string ListedPaths::whereLast() const {
  return "item " + plainInt(static_cast<long long>(next_)) + " of the path list";
}

SummaryHeader::SummaryHeader(OutputFile& file, int pathCount) : file_(file) {
  file_.write("# Number of path " + plainInt(pathCount) + "\n# Paths ");
}

void SummaryHeader::addPath(int pathNumber) { file_.write("\"" + plainInt(pathNumber) + "\","); }

void SummaryHeader::endPathList() { file_.write("\n"); }

}  // namespace vk
