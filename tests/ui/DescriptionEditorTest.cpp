// The description row a page shares, over a toy description of one value: a
// file is opened only when its reader and the form's writer both take it, a
// form unchanged since it was opened leaves its file as written, a file
// written but refused by the command's reader is no success, and a file
// chosen in the chooser opens.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <fstream>
#include <sstream>

#include "io/RunError.h"
#include "tests/ui/FakePrompts.h"
#include "ui/DescriptionEditor.h"

using vk::testing::FakePrompts;
using vk::testing::ScratchDir;

namespace {

// "value = X" on a line of its own; any other line is a comment the form
// does not keep.
std::string valueOf(const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("value = ", 0) == 0) return line.substr(8);
  throw vk::RunError("no value line");
}

std::string wholeFile(const std::string& file) {
  std::ifstream in(file);
  if (!in) throw vk::RunError("Cannot read " + file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

class DescriptionEditorTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ScratchDir> scratch;
  std::unique_ptr<FakePrompts> prompts;
  std::unique_ptr<QWidget> page;
  QLineEdit* valueField = nullptr;  // the toy form
  QLineEdit* field = nullptr;
  QLabel* note = nullptr;
  QPlainTextEdit* messages = nullptr;
  vk::DescriptionEditor* editor = nullptr;

  vk::DescriptionEditor::Format format() {
    vk::DescriptionEditor::Format f;
    f.chooserTitle = "Open a toy";
    f.filesName = "Toys";
    f.newFileName = "toy.toml";
    f.showNew = [this] { valueField->setText("1"); };
    f.open = [this](const std::string& file) {
      const std::string text = wholeFile(file);
      valueField->setText(QString::fromStdString(valueOf(text)));
      return text;
    };
    f.compose = [this](const std::string&) {
      if (valueField->text().isEmpty()) throw vk::RunError("the value is empty");
      return "value = " + valueField->text().toStdString() + "\n";
    };
    f.check = [](const std::string& file) {
      if (valueOf(wholeFile(file)) == "never") throw vk::RunError(file + ": 'never' cannot run");
    };
    return f;
  }

 private Q_SLOTS:
  void init() {
    scratch = std::make_unique<ScratchDir>();
    prompts = std::make_unique<FakePrompts>();
    page = std::make_unique<QWidget>();
    valueField = new QLineEdit(page.get());
    field = new QLineEdit(page.get());
    note = new QLabel(page.get());
    messages = new QPlainTextEdit(page.get());
    const vk::DescriptionEditor::Controls controls{
        field, new QPushButton(page.get()), new QPushButton(page.get()), new QPushButton(page.get()), note, messages};
    editor = new vk::DescriptionEditor(page.get(), *prompts, controls, format());
  }

  void cleanup() {
    page.reset();
    prompts.reset();
    scratch.reset();
  }

  void anOpenedFileIsAnnouncedAndWhatTheFormDropsNoted() {
    scratch->write("a.toml", "# tuned by hand\nvalue = 3\n");
    field->setText(scratch->file("a.toml"));
    note->hide();
    QSignalSpy opened(editor, &vk::DescriptionEditor::opened);
    QVERIFY(editor->openDescription());
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.front().front().toString(), scratch->file("a.toml"));
    QCOMPARE(valueField->text(), QString("3"));
    QVERIFY(!note->isHidden());
    QVERIFY(note->text().contains("line 1 '# tuned by hand'"));
    QVERIFY(messages->toPlainText().contains(note->text()));
  }

  void aFileTheReaderOrTheFormRefusesIsNotOpened() {
    QSignalSpy opened(editor, &vk::DescriptionEditor::opened);
    scratch->write("bad.toml", "nonsense\n");
    field->setText(scratch->file("bad.toml"));
    QVERIFY(!editor->openDescription());
    // The form writes nothing for an empty value: shown, though the file reads.
    scratch->write("empty.toml", "value = \n");
    field->setText(scratch->file("empty.toml"));
    QVERIFY(!editor->openDescription());
    QCOMPARE(prompts->errors, QStringList({"no value line", "the value is empty"}));
    QCOMPARE(opened.count(), 0);
    // Neither counts as the form's file: saving over one asks first.
    valueField->setText("5");
    QVERIFY(!editor->saveDescription());
    QCOMPARE(prompts->questions.size(), 1);
    QCOMPARE(scratch->read("empty.toml"), QString("value = \n"));
  }

  void anUnchangedFormLeavesItsFileAsWritten() {
    scratch->write("a.toml", "# tuned by hand\nvalue = 3\n");
    field->setText(scratch->file("a.toml"));
    QVERIFY(editor->openDescription());
    QSignalSpy kept(editor, &vk::DescriptionEditor::keptAsWritten);
    QVERIFY(editor->saveDescription());
    QCOMPARE(kept.count(), 1);
    QCOMPARE(scratch->read("a.toml"), QString("# tuned by hand\nvalue = 3\n"));
    QVERIFY(prompts->questions.isEmpty());
  }

  void aSavedFileTheCommandRefusesIsNoSuccess() {
    editor->newDescription();
    QCOMPARE(field->text(), scratch->file("toy.toml"));
    QVERIFY(note->isHidden());
    valueField->setText("never");
    QVERIFY(!editor->saveDescription());
    QCOMPARE(scratch->read("toy.toml"), QString("value = never\n"));
    QVERIFY(messages->toPlainText().contains("Saved " + scratch->file("toy.toml") + "."));
    QCOMPARE(prompts->errors.size(), 1);
    QVERIFY(prompts->errors.front().startsWith("It cannot run as it stands: "));
    // A field naming no file is refused before anything is written.
    field->clear();
    QVERIFY(!editor->saveDescription());
    QCOMPARE(prompts->notices, QStringList({"Name the description's file first."}));
  }

  void aChosenFileOpensAndACancelChangesNothing() {
    scratch->write("a.toml", "value = 7\n");
    field->setText("kept.toml");
    editor->chooseDescription();
    QCOMPARE(field->text(), QString("kept.toml"));
    QCOMPARE(prompts->fileTitle, QString("Open a toy"));
    QCOMPARE(prompts->fileFilters.front().first, QString("Toys"));
    prompts->fileAnswer = scratch->file("a.toml");
    editor->chooseDescription();
    QCOMPARE(field->text(), scratch->file("a.toml"));
    QCOMPARE(valueField->text(), QString("7"));
    QVERIFY(prompts->errors.isEmpty());
  }
};

QTEST_MAIN(DescriptionEditorTest)
#include "DescriptionEditorTest.moc"
