#pragma once
// The parameter file para.txt and the replay list filename.txt.
//
// One table names every field of para.txt once: its line, its name, its
// kind, how the run report prints it, its limits and why a value beyond them
// is refused. Reading, writing, the report's parameter line, every limit
// check and the setting of a parameter by name all come from it.
#include <functional>
#include <string>
#include <vector>

#include "model/Parameters.h"

namespace vk {

// The longest run mode word para.txt's last line may hold.
constexpr int kModeWordLength = 30;

enum class ParameterKind { Real, Whole, Word };

// How the run report prints a value after "name =".
struct ReportFormat {
  enum Style { NotPrinted, Plain, Fixed, Scientific } style;
  int width = 0;
  int decimals = 0;
  bool onNewLine = false;  // the value starts a new line of the report
};

// A value a run cannot work with. Range: lowest..highest. NonZero: the value
// divides. NotBelowMinyear: the path's last week comes after its first.
// GapCount: popsize x the value, truncated and made even, is a count of
// agents 0..popsize.
struct ParameterLimit {
  enum Rule { None, Range, NonZero, NotBelowMinyear, GapCount } rule;
  double lowest = 0;
  double highest = 0;
};

struct ParameterField {
  int line;
  const char* name;  // as the run report prints it
  ParameterKind kind;
  double Parameters::*real;
  int Parameters::*whole;
  ReportFormat report;
  ParameterLimit limit;
  const char* beyond;   // why a value beyond the limit is refused
  const char* caption;  // what the value is, as a form labels it
  // A crossover or mutation probability or a generation gap: a share, which
  // the genetic learning gives a meaning only in 0..1. A run takes any value;
  // the places where one is chosen refuse a share outside 0..1.
  bool share = false;
};

// The eighteen fields in the order of their lines.
const std::vector<ParameterField>& parameterFields();

// The field of that name, or null.
const ParameterField* findParameter(const std::string& name);

// Reads the eighteen values into p, in order; a value that is not a number
// of its kind is a RunError naming the file and line, and the values read
// before it stay in p. afterEach, if given, sees each field just read.
// Values past the end of the file read as 0 and the mode word as empty.
class TextReader;
void readParameters(TextReader& in, Parameters& p,
                    const std::function<void(const ParameterField&)>& afterEach = nullptr);
Parameters readParameters(TextReader& in);
Parameters readParameterFile(const std::string& path);

// The file as the parameter dialog writes it: reals as 10:5, integers plain,
// the mode word unchanged, one value per line.
std::string formatParameters(const Parameters& p);
// The file as formatParameters writes it, with what followed each value on
// its line in the previous text (a comment naming the value, say) kept after
// the new value, and the lines after the mode word kept as they were.
std::string keepTextAfterValues(const std::string& formatted, const std::string& previous);

// Replaces the file whole, only once the new text is written, so that a
// failed write leaves the old one; the text after each value in the file it
// replaces stays.
void writeParameterFile(const std::string& path, const Parameters& p);

// A field's value as para.txt holds it, untrimmed for the mode word, without
// the padding of reals.
std::string parameterText(const Parameters& p, const ParameterField& field);

// The report's parameter line: "delta = 0.01000ndiv =3..." and, on a line of
// its own, nsample.
std::string reportParameterLine(const Parameters& p);

// Refuses the first value beyond its limit with a RunError of one shape:
// "<source>: <name> = <value> is outside what a run supports (<limit>; <why>)".
// source is the file, and checkParameterFile adds each field's line to it.
void checkParameters(const Parameters& p, const std::string& source);
void checkParameterFile(const Parameters& p, const std::string& fileName);

// Sets the named parameter from text, which must be one number of the
// field's kind and nothing else (the mode word: its first 30 characters),
// and refuses an unknown name, a text that is not a value of the field's kind
// and a value beyond a limit of the field's own. Limits that relate it to
// another parameter (maxyear and minyear, a gap and popsize) are judged by
// checkParameters once the set is complete.
void setParameter(Parameters& p, const std::string& name, const std::string& text, const std::string& source);

// Whether value, given for the field, keeps a share in 0..1; any value of a
// field that is no share does.
bool meaningfulShare(const ParameterField& field, double value);
// Refuses the first share outside 0..1: "<source>: <name> = <value> is a
// probability and must lie in 0..1".
void checkShares(const Parameters& p, const std::string& source);
// The same shares of a para.txt that runs, each as a warning: stored files
// may rely on them, and the genetic learning takes a value above 1 as "every
// time" and one below 0 as "never". A generation gap outside 0..1 replaces
// more than popsize or fewer than 0 agents and never gets this far.
std::vector<std::string> shareWarnings(const Parameters& p, const std::string& fileName);

// Refuses the first real that the five decimals para.txt keeps would turn
// into another value: "<fileName>, line <n>: <name> = <value> has more than
// the five decimals para.txt keeps (it would be written as <text>)".
void checkDecimalsKept(const Parameters& p, const std::string& fileName);

// The comments of para.txt's text that state a value the new parameters
// change: was is the set the text holds, now the set about to replace it.
// A comment states a value when it holds the number as the set it was written
// with gives it (the value itself, the agents a gap replaces, the weeks of
// training); each entry is "line <n>: '<comment>' says <number>, but <what
// it is now>".
std::vector<std::string> commentsMadeUntrue(const std::string& text, const Parameters& was, const Parameters& now);

// The text para.txt holds at path, or empty when no file is there.
std::string readParameterText(const std::string& path);

// A value beyond a limit that is not a parameter of para.txt (the replay
// list's snapshot interval), in the same shape.
[[noreturn]] void refuseValue(const std::string& source, const std::string& name, const std::string& value,
                              const std::string& limit);

}  // namespace vk
