#pragma once
// The file a description's form was opened from or last saved to, and what
// saving the form over a file would lose: a file the form did not come from,
// or the comments and the layout of one it did. The experiment's and the
// calibration's forms ask with it before they write.
#include <QString>

class QWidget;

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vk {

class UserPrompts;

class FormFile {
 public:
  // The form now shows file, whose bytes were text; written is what the form
  // writes for it.
  void shows(const std::string& file, const std::string& text, const std::string& written);
  // The form comes from no file.
  void clear();

  const std::string& file() const { return file_; }
  // Whether written is what the form made of file when it showed it: saving
  // it would change nothing the form holds, so the file stays as it is.
  bool unchanged(const std::string& file, const std::string& written) const;
  // The lines of the file shown that the form does not keep, in words;
  // empty when it keeps them all.
  QString notKeptText() const;
  // What to ask before the form is written into file; empty when nothing
  // would be lost.
  QString questionBeforeSaving(const std::string& file) const;

  enum class Saving { Unchanged, Saved, Declined };
  // Composes the form's text for file with the folder it lies in, then
  // writes it into file, first asking what questionBeforeSaving asks;
  // Unchanged, leaving the file as it stands, when the form holds what it
  // says. A form the composer refuses (a RunError) and a write that fails
  // are shown, and Declined as a no to the question. `written` gets the text.
  using Composer = std::function<std::string(const std::string& folder)>;
  Saving save(QWidget* parent, UserPrompts& prompts, const std::string& file, const Composer& compose,
              std::string& written) const;

 private:
  std::string file_;
  std::string written_;
  std::vector<std::pair<int, std::string>> notKept_;
};

}  // namespace vk
