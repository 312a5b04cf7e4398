#include "calibration/BatchRecord.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "io/AtomicFile.h"
#include "io/RunError.h"

namespace vk {

namespace {

void appendNumbers(std::string& line, const std::vector<double>& values) {
  for (double v : values) line += " " + exactNumber(v);
}

class RecordReader {
 public:
  RecordReader(const std::string& file, std::istream& in) : file_(file), in_(in) {}

  // The next line's words; false at the end.
  bool next(std::vector<std::string>& words) {
    std::string line;
    if (!std::getline(in_, line)) return false;
    ++line_;
    words.clear();
    std::istringstream split(line);
    for (std::string w; split >> w;) words.push_back(w);
    if (words.empty()) fail("an empty line");
    return true;
  }

  double number(const std::string& word) const {
    if (word == "inf") return HUGE_VAL;
    double v = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (error != std::errc() || end != word.data() + word.size()) fail("'" + word.substr(0, 40) + "' is no number");
    return v;
  }

  std::vector<double> numbers(const std::vector<std::string>& words, std::size_t from) const {
    std::vector<double> values;
    for (std::size_t i = from; i < words.size(); ++i) values.push_back(number(words[i]));
    return values;
  }

  [[noreturn]] void fail(const std::string& what) const {
    throw RunError(file_ + ", line " + std::to_string(line_) + ": " + what +
                   "; the batch record is damaged: remove it and its batch runs again");
  }

 private:
  std::string file_;
  std::istream& in_;
  int line_ = 0;
};

}  // namespace

std::string exactNumber(double value) {
  if (std::isinf(value) && value > 0) return "inf";
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

std::string batchRecordFile(const std::string& dir, int batch) {
  char name[32];
  std::snprintf(name, sizeof name, "/batches/b%04d.txt", batch);
  return dir + name;
}

void writeBatchRecord(const std::string& file, const BatchRecord& record) {
  std::string text = "batch " + record.step + " " + std::to_string(record.generation) + "\n";
  if (record.moments.haveActual) {
    text += "actual";
    for (const FactValue& v : record.moments.actual) text += " " + (v ? exactNumber(*v) : std::string("none"));
    text += "\nchanges";
    appendNumbers(text, record.moments.actualChanges);
    text += "\n";
  }
  for (std::size_t i = 0; i < record.candidates.size(); ++i) {
    const CandidateMoments& m = record.moments.candidates[i];
    text += std::string("candidate ") + (m.done ? "done" : "failed");
    appendNumbers(text, record.candidates[i].values);
    text += "\n";
    if (!m.done) text += "reason " + m.reason + "\n";
    for (Eigen::Index p = 0; m.done && p < m.paths.rows(); ++p) {
      text += "path";
      for (Eigen::Index k = 0; k < m.paths.cols(); ++k) text += " " + exactNumber(m.paths(p, k));
      text += "\n";
    }
  }
  writeFileAtomically(file, text);
}

std::optional<BatchRecord> readBatchRecord(const std::string& file, int moments) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return std::nullopt;
    throwFileError("open file for reading", file, errno);
  }
  RecordReader reader(file, in);
  BatchRecord record;
  std::vector<std::string> words;
  if (!reader.next(words) || words.size() != 3 || words[0] != "batch") reader.fail("no batch line");
  record.step = words[1];
  record.generation = static_cast<int>(reader.number(words[2]));
  std::vector<std::vector<double>> rows;
  const auto closeCandidate = [&] {
    if (record.moments.candidates.empty() || !record.moments.candidates.back().done) return;
    MomentMatrix& paths = record.moments.candidates.back().paths;
    paths.resize(static_cast<Eigen::Index>(rows.size()), moments);
    for (std::size_t p = 0; p < rows.size(); ++p)
      for (int k = 0; k < moments; ++k) paths(static_cast<Eigen::Index>(p), k) = rows[p][static_cast<std::size_t>(k)];
    rows.clear();
  };
  while (reader.next(words)) {
    if (words[0] == "actual") {
      if (words.size() != static_cast<std::size_t>(kFactColumns) + 1) reader.fail("an actual line of another width");
      for (std::size_t c = 0; c < static_cast<std::size_t>(kFactColumns); ++c)
        record.moments.actual[c] = words[c + 1] == "none" ? FactValue() : FactValue(reader.number(words[c + 1]));
      record.moments.haveActual = true;
    } else if (words[0] == "changes") {
      record.moments.actualChanges = reader.numbers(words, 1);
    } else if (words[0] == "candidate" && words.size() >= 2) {
      closeCandidate();
      Candidate candidate;
      candidate.values = reader.numbers(words, 2);
      record.candidates.push_back(candidate);
      CandidateMoments m;
      m.done = words[1] == "done";
      record.moments.candidates.push_back(m);
    } else if (words[0] == "reason" && !record.candidates.empty()) {
      std::string reason;
      for (std::size_t i = 1; i < words.size(); ++i) reason += (i > 1 ? " " : "") + words[i];
      record.moments.candidates.back().reason = reason;
    } else if (words[0] == "path" && words.size() == static_cast<std::size_t>(moments) + 1 &&
               !record.candidates.empty()) {
      rows.push_back(reader.numbers(words, 1));
    } else {
      reader.fail("'" + words[0].substr(0, 40) + "' is not a line of a batch record");
    }
  }
  closeCandidate();
  return record;
}

}  // namespace vk
