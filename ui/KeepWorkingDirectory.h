#pragma once
// The choosers may move the working directory; every relative name of the
// program is resolved against it, so it is put back afterwards.
#include <QDir>
#include <QString>

namespace vk {

// Leaves the working directory as it was found, whatever a chooser did.
class KeepWorkingDirectory {
 public:
  KeepWorkingDirectory() : base_(QDir::currentPath()) {}
  ~KeepWorkingDirectory() { QDir::setCurrent(base_); }
  const QString& base() const { return base_; }

 private:
  QString base_;
};

// A path as the user would type it from base: "run2", "../other/price.txt";
// base itself is ".".
inline QString relativeTo(const QString& base, const QString& path) {
  const QString relative = QDir(base).relativeFilePath(path);
  return relative.isEmpty() ? QString(".") : relative;
}

}  // namespace vk
