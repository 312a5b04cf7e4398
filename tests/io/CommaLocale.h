#pragma once
// The locales of users whose decimal point is a comma. A desktop program
// takes its user's locale from the environment, so every file it reads or
// writes is tested under one of these. `make setup` generates them.
#include <clocale>
#include <string>

namespace vk::testing {

inline const char* const kCommaLocales[] = {"de_DE.UTF-8", "fr_FR.UTF-8"};

// Runs the enclosing scope under the named locale, if it is installed and
// writes a comma, and goes back to the previous one afterwards.
class CommaLocale {
 public:
  explicit CommaLocale(const char* name) : previous_(std::setlocale(LC_ALL, nullptr)) {
    active_ = std::setlocale(LC_ALL, name) != nullptr && *std::localeconv()->decimal_point == ',';
    if (!active_) std::setlocale(LC_ALL, previous_.c_str());
  }
  ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool active() const { return active_; }

 private:
  std::string previous_;
  bool active_ = false;
};

}  // namespace vk::testing

// Skips a GoogleTest test whose locale is not installed, saying why.
#define SKIP_UNLESS_ACTIVE(locale, name)                                                                   \
  if (!(locale).active())                                                                                  \
  GTEST_SKIP() << (name) << " is not installed; as root, 'localedef -i " << std::string(name).substr(0, 5) \
               << " -f UTF-8 " << (name) << "' (or make setup) generates it"
