#include "app/TerminalDisplay.h"

#include <cerrno>

namespace vk {

TerminalDisplay::TerminalDisplay(std::FILE* log, std::FILE* progress, bool showProgress)
    : log_(log), progress_(progress), showProgress_(showProgress) {}

TerminalDisplay::~TerminalDisplay() { endProgressLine(); }

void TerminalDisplay::AppendLog(const std::string& text) {
  endProgressLine();
  errno = 0;
  if ((std::fprintf(log_, "%s\n", text.c_str()) < 0 || std::fflush(log_) != 0) && logError_ == 0)
    logError_ = errno != 0 ? errno : EIO;
}

namespace {

void printWarning(std::FILE* to, const std::string& text) {
  std::fprintf(to, "velquin-cli: warning: %s\n", text.c_str());
  std::fflush(to);
}

}  // namespace

void TerminalDisplay::Warn(const std::string& text) {
  endProgressLine();
  printWarning(progress_, text);
}

void QuietDisplay::Warn(const std::string& text) { printWarning(stderr, text); }

void TerminalDisplay::SetWeekProgress(int percent) {
  // The week step calls this hundreds of times a path; draw only changes.
  if (percent == weekPercent_) return;
  weekPercent_ = percent;
  drawProgress();
}

void TerminalDisplay::SetPathProgress(int percent) {
  if (percent == pathPercent_) return;
  pathPercent_ = percent;
  drawProgress();
}

void TerminalDisplay::drawProgress() {
  if (!showProgress_) return;
  const auto shown = [](int p) { return p < 0 ? 0 : p; };
  std::fprintf(progress_, "\rPeriod %3d %%   Trial %3d %%", shown(weekPercent_), shown(pathPercent_));
  std::fflush(progress_);
  lineOpen_ = true;
}

void TerminalDisplay::endProgressLine() {
  if (!lineOpen_) return;
  std::fputc('\n', progress_);
  std::fflush(progress_);
  lineOpen_ = false;
}

}  // namespace vk
