#include "ui/UserPrompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace vk {

namespace {

bool isInside(const QString& root, const QString& path) {
  const QString r = QDir(root).canonicalPath();
  const QString p = QDir(path).canonicalPath();
  return !p.isEmpty() && (p == r || p.startsWith(r.endsWith('/') ? r : r + '/'));
}

}  // namespace

bool UserPrompts::confirmOverwrite(QWidget* parent) {
  return QMessageBox::warning(parent, "Warning", "Overwrite?", QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

EarlierRunAnswer UserPrompts::confirmOverwriteEarlier(QWidget* parent, const QString& earlier, const QString& folder) {
  QMessageBox box(QMessageBox::Warning, "Warning", "Overwrite?", QMessageBox::NoButton, parent);
  box.setInformativeText(earlier + "\n\nYes first moves the whole earlier run, every file of it, into the sub-folder " +
                         folder +
                         ", where it stays a complete run; nothing is deleted. Keep leaves them beside the "
                         "new run's files.");
  QPushButton* yes = box.addButton(QMessageBox::Yes);
  QPushButton* keep = box.addButton("&Keep", QMessageBox::AcceptRole);
  QPushButton* no = box.addButton(QMessageBox::No);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  if (box.clickedButton() == yes) return EarlierRunAnswer::MoveAside;
  if (box.clickedButton() == keep) return EarlierRunAnswer::Keep;
  return EarlierRunAnswer::No;
}

bool UserPrompts::confirm(QWidget* parent, const QString& title, const QString& question) {
  return QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

void UserPrompts::showError(QWidget* parent, const QString& message) {
  QMessageBox::critical(parent, "Error", message);
}

void UserPrompts::showNotice(QWidget* parent, const QString& message) {
  QMessageBox::information(parent, "Information", message);
}

QString UserPrompts::chooseFolder(QWidget* parent, const QString& title, const QString& root) {
  QFileDialog dialog(parent, title, root);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  // The platform's own chooser cannot be kept inside the root.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setSidebarUrls({QUrl::fromLocalFile(root)});
  QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&dialog, root](const QString& dir) {
    if (!isInside(root, dir)) dialog.setDirectory(root);
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString chosen = dialog.selectedFiles().first();
  if (!isInside(root, chosen)) {
    showNotice(parent, "Choose a folder inside " + QDir::toNativeSeparators(root) + ".");
    return QString();
  }
  return chosen;
}

QString UserPrompts::chooseFile(QWidget* parent, const QString& title, const QString& startDir,
                                const QList<QPair<QString, QString>>& filters) {
  QStringList nameFilters;
  for (const auto& f : filters) nameFilters << f.first + "(" + f.second + ")";
  QFileDialog dialog(parent, title, startDir);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Show the descriptions exactly as given, without the patterns repeated.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilters(nameFilters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

UserPrompts& UserPrompts::standard() {
  static UserPrompts prompts;
  return prompts;
}

}  // namespace vk
