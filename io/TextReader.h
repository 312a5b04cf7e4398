#pragma once
// The free-format number reader shared by every input file.
//
// A number is a run of characters above the blank; blanks, tabs, line ends
// and other control characters before it are skipped. A number missing
// because the file has ended reads as 0. An integer written with a decimal
// point, or values separated by commas, are errors that name the file, the
// line and the offending text.
//
// A file is read as far as the reader gets, in blocks, and what was read is
// kept for rewind: memory follows the part of the file actually used, not its
// size. Only regular files are read; a UTF-8 byte-order mark at the start is
// passed over, and a file whose lines end in a carriage return alone is
// refused, since every line of it would read as one.
#include <memory>
#include <string>
#include <string_view>

namespace vk {

class TextReader {
 public:
  // Opens the file; one that cannot be opened or is no regular file is a RunError.
  static TextReader open(const std::string& path);
  TextReader();
  // A reader over text already in memory, named for messages.
  TextReader(std::string name, std::string text);
  TextReader(TextReader&&) noexcept;
  TextReader& operator=(TextReader&&) noexcept;
  ~TextReader();

  int readInt();
  double readReal();
  // Skips to the start of the next line.
  void skipLine();
  // Skips blanks and line ends; false when nothing but them is left.
  bool skipToNextValue();
  // The rest of the current line (all of it at a line start), at most
  // maxChars characters, untrimmed; then moves to the next line.
  std::string readLineText(std::size_t maxChars = std::string::npos);
  // Back to the start of the file.
  void rewind();

  bool atEnd() const { return !available(pos_); }
  // Whether the line last left by skipLine or readLineText ended in a line
  // feed; a file cut in the middle of its last line did not.
  bool lastLineEnded() const { return lastLineEnded_; }
  // Whether the last byte of the whole text is a line feed, or there is
  // none; reads the rest of the file.
  bool endsWithLineEnd() const;
  // Line of the reading position, counted from 1.
  int line() const { return line_; }
  const std::string& name() const { return name_; }

 private:
  struct Source;

  // Whether the text holds position p, reading on from the file if needed.
  bool available(std::size_t p) const;
  void readBlock() const;
  void skipByteOrderMark();
  void refuseCarriageReturnsAlone() const;
  // Skips blanks and line ends; returns the next token, empty at the end.
  std::string nextToken();
  // Index of the line feed ending the current line, or the text's end.
  std::size_t lineEnd() const;
  [[noreturn]] void fail(const std::string& token, const char* kind) const;

  std::string name_;
  // The file still being read, null once it is read to its end.
  mutable std::unique_ptr<Source> source_;
  mutable std::string text_;
  std::size_t start_ = 0;
  std::size_t pos_ = 0;
  int line_ = 1;
  int tokenLine_ = 1;
  bool lastLineEnded_ = true;
};

// One number on its line, the rest of the line being a comment, as the
// control files hold them.
int readIntLine(TextReader& in);
double readRealLine(TextReader& in);

// Parses a whole text as a number; false if it is not one of that kind.
bool parseInt(std::string_view text, int& value);
bool parseReal(std::string_view text, double& value);

}  // namespace vk
