#include "ui/RunNote.h"

#include <QLocale>
#include <QString>

#include "io/TextReader.h"
#include "ui/DemoParameters.h"

namespace vk {

namespace {

std::string valueText(const Parameters& p, const ParameterField& field) {
  switch (field.kind) {
    case ParameterKind::Real:
      // The shortest text that reads back as the value, in the C locale.
      return QString::number(p.*field.real, 'g', QLocale::FloatingPointShortest).toStdString();
    case ParameterKind::Whole:
      return std::to_string(p.*field.whole);
    case ParameterKind::Word:
      return p.runMode;
  }
  return std::string();
}

bool same(const Parameters& a, const Parameters& b, const ParameterField& field) {
  switch (field.kind) {
    case ParameterKind::Real:
      return a.*field.real == b.*field.real;
    case ParameterKind::Whole:
      return a.*field.whole == b.*field.whole;
    case ParameterKind::Word:
      return a.runMode == b.runMode;
  }
  return true;
}

}  // namespace

Parameters demoParameters() {
  TextReader in("demo para.txt", kDemoParameterText);
  return readParameters(in);
}

std::string parametersUnlike(const Parameters& run, const Parameters& demo) {
  std::string text;
  for (const ParameterField& field : parameterFields()) {
    if (same(run, demo, field)) continue;
    if (!text.empty()) text += ", ";
    text += std::string(field.name) + " " + valueText(run, field) + " (demo " + valueText(demo, field) + ")";
  }
  return text.empty() ? "none" : text;
}

}  // namespace vk
