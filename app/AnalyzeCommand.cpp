// velquin-cli analyze: the path, contour, weights and facts summaries of a
// result directory, made exactly as the analysis windows make them on Plot.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "analysis/ContourSummary.h"
#include "analysis/FactsSummary.h"
#include "analysis/PathList.h"
#include "analysis/PathSummary.h"
#include "analysis/ResultDirectory.h"
#include "analysis/ResultLine.h"
#include "analysis/WeightsSummary.h"
#include "app/CliCommands.h"
#include "app/ReportCommand.h"
#include "experiment/RunFolder.h"
#include "io/OutputFile.h"
#include "io/ResultLock.h"
#include "io/RunError.h"

namespace vk {

namespace {

struct AnalyzeOptions {
  std::string summary;
  std::string workDir;
  std::string resultDir = "result";
  std::string paths;
  bool all = false;
  // Kept as text and converted as the contour window converts its fields.
  std::string grids = "15";
  std::string maxZ = "30";
  std::string minY;
  std::string maxY;
  std::string plotFile;
  // report: the table's file (default stdout); facts: instead of facts.csv.
  std::string csvFile;
};

void changeToWorkDir(const std::string& dir) {
  if (!dir.empty() && ::chdir(dir.c_str()) != 0) throwFileError("change to the working directory", dir, errno);
}

ContourSettings contourSettingsOf(const AnalyzeOptions& o) {
  ContourSettings s;
  s.grids = intFromText(o.grids, "--grids");
  s.maxZ = intFromText(o.maxZ, "--maxz");
  s.autoMinY = o.minY.empty();
  s.autoMaxY = o.maxY.empty();
  if (!s.autoMinY) s.minY = realFromText(o.minY, "--miny");
  if (!s.autoMaxY) s.maxY = realFromText(o.maxY, "--maxy");
  return s;
}

// The files a facts summary reads: the selection and the paths' rate files,
// the reference path's among them.
std::vector<std::string> filesRead(const std::string& resultDir, const std::vector<int>& paths) {
  std::vector<std::string> files = {resultFilePath(resultDir, kSelectionFileName),
                                    resultFilePath(resultDir, pathFileName(kRatePrefix, kReferencePath))};
  for (int path : paths) files.push_back(resultFilePath(resultDir, pathFileName(kRatePrefix, path)));
  return files;
}

void warn(const std::string& note) { std::fprintf(stderr, "velquin-cli: warning: %s\n", note.c_str()); }

void reportWritten(const std::string& summaryPath, std::size_t paths) {
  std::fprintf(stderr, "Wrote %s over %zu path%s.\n", summaryPath.c_str(), paths, paths == 1 ? "" : "s");
}

void reportWritten(const AnalyzeOptions& o, const char* summaryFile, std::size_t paths) {
  reportWritten(resultFilePath(o.resultDir, summaryFile), paths);
}

// The window's chart of the summary, drawn into the --plot file if one is given.
template <class Series, class Draw>
void plotIfAsked(const AnalyzeOptions& o, const Series& series, const Draw& draw) {
  if (o.plotFile.empty()) return;
  draw(series, o.plotFile);
  std::fprintf(stderr, "Drew the chart into %s.\n", o.plotFile.c_str());
}

void analyze(const AnalyzeOptions& o, const CLI::App& command, const PlotBinding& plotting) {
  const bool contour = o.summary == "contour";
  const bool report = o.summary == "report";
  for (const char* option : {"--grids", "--maxz", "--miny", "--maxy"})
    if (!contour && command.count(option) > 0)
      throw CLI::ValidationError(option, "applies to the contour summary only");
  if (!report && o.summary != "facts" && command.count("--csv") > 0)
    throw CLI::ValidationError("--csv", "applies to the report and the facts summary only");
  if (report) {
    // --plot exists only where a program draws (not in a build without windows).
    for (const char* option : {"--paths", "--all", "--plot"}) {
      const CLI::Option* given = command.get_option_no_throw(option);
      if (given != nullptr && given->count() > 0) throw CLI::ValidationError(option, "does not apply to the report");
    }
  } else if (o.paths.empty() && !o.all) {
    throw CLI::RequiredError("--paths or --all");
  }
  const ContourSettings settings = contour ? contourSettingsOf(o) : ContourSettings();
  if (!o.plotFile.empty() && plotting.handOver) plotting.handOver();
  changeToWorkDir(o.workDir);
  if (report) {
    writeReportTableOf(o.resultDir, o.csvFile);
    return;
  }
  checkResultDirectoryName(o.resultDir, "given to --result");

  const char prefix = o.summary == "weights" ? kWeightPrefix : kRatePrefix;
  const std::vector<int> listed = o.all ? std::vector<int>() : parsePathList(o.paths);
  // No run may write the directory while the summary reads it.
  const ResultLock lock(o.resultDir, ResultLock::Use::Summary);
  if (lock.unfinished()) warn(unfinishedRunNote(o.resultDir, *lock.unfinished()));
  std::vector<int> paths = listed;
  if (o.all) {
    LastRunPaths lastRun = lastRunPathsOf(o.resultDir, prefix);
    if (!lastRun.recorded && !lastRun.paths.empty()) warn(noRecordNote(o.resultDir, prefix));
    if (!lastRun.note.empty()) warn(lastRun.note);
    paths = std::move(lastRun.paths);
    // A summary of nothing would read as one of the run.
    if (paths.empty())
      throw RunError(quoted(o.resultDir, std::string::npos) + " holds no " + std::string(1, prefix) +
                     "NNNN.csv file of its last run; there is nothing to summarise");
  }
  // The windows read the selection from the file; this command keeps its own.
  writeSelectionFile(o.resultDir, entriesOfPaths(paths, prefix), prefix);
  ListedPaths selection(o.resultDir, paths);

  if (o.summary == "paths") {
    PathSummarySeries series;
    summarisePaths(o.resultDir, selection, series);
    reportWritten(o, kPathSummaryFileName, paths.size());
    plotIfAsked(o, series, plotting.drawPaths);
  } else if (contour) {
    ContourSeries series;
    summariseContour(o.resultDir, selection, settings, series);
    reportWritten(o, kContourSummaryFileName, paths.size());
    plotIfAsked(o, series, plotting.drawContour);
  } else if (o.summary == "facts") {
    FactsSeries series;
    if (!o.csvFile.empty()) refuseInputAsOutput(o.csvFile, filesRead(o.resultDir, paths));
    const std::string table = o.csvFile.empty() ? factsSummaryFile(o.resultDir, paths) : o.csvFile;
    summariseFacts(o.resultDir, selection, table, series);
    reportWritten(table, paths.size());
    plotIfAsked(o, series, plotting.drawFacts);
  } else {
    WeightsSeries series;
    summariseWeights(o.resultDir, selection, series);
    reportWritten(o, kWeightsSummaryFileName, paths.size());
    plotIfAsked(o, series, plotting.drawWeights);
  }
}

}  // namespace

std::string plotFileProblem(const std::string& file) {
  const std::string name = file.substr(file.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  std::string suffix = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (suffix == "png" || suffix == "svg" || suffix == "pdf") return std::string();
  return "'" + file + "' names no picture format: end it in .png, .svg or .pdf";
}

void addAnalyzeCommand(CLI::App& app, const PlotBinding* plotting) {
  auto o = std::make_shared<AnalyzeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "analyze",
      "Summarise the stored paths of a result directory as the analysis windows do on Plot:\n"
      "write the selection file statname.txt, then the summary: stat.txt (paths), freq.txt\n"
      "(contour), weight.txt (weights) or facts.csv (facts). The weeks come from the reference\n"
      "path file r0000.csv. 'analyze report' instead turns the run report eval.txt into a CSV table.");
  cmd->add_option("summary", o->summary,
                  "paths: mean and spread of the simulated rate per week (stat.txt);\n"
                  "contour: number of paths per week and rate bin (freq.txt);\n"
                  "weights: the agents' average weights per week, from the w files (weight.txt);\n"
                  "facts: the stylized facts of the weekly changes, actual and per path, with the\n"
                  "median, 10 % and 90 % over the paths (facts.csv);\n"
                  "report: eval.txt as a table, one row per path (see --csv)")
      ->required()
      ->check(CLI::IsMember({"paths", "contour", "weights", "facts", "report"}));
  cmd->add_option("-C,--workdir", o->workDir, "Working directory; the result directory is relative to it")
      ->type_name("WORKDIR");
  cmd->add_option("--result", o->resultDir, "Result directory holding the path files (not empty)")
      ->type_name("DIR")
      ->capture_default_str();
  CLI::Option_group* selection = cmd->add_option_group("selection", "Which paths to summarise (one of)");
  selection
      ->add_option("--paths", o->paths,
                   "Path numbers and ranges in the order to read them, e.g. 0,3,5-9: the files r0000.csv,\n"
                   "r0003.csv, ... (w0000.csv, ... for weights), as if ticked in that order")
      ->type_name("LIST");
  selection->add_flag("--all", o->all,
                      "Every path file of the result directory that its last run wrote, in the order of the path\n"
                      "numbers: the names r followed by a path tag and .csv (w for weights), such as r0007.csv;\n"
                      "other names are not paths, and files left from an earlier run are left out and named");
  selection->require_option(0, 1);
  cmd->add_option("--csv", o->csvFile,
                  "report: write the table into FILE (default: stdout). A header line, then one row\n"
                  "per path: " +
                      reportColumnList() +
                      ".\nA value eval.txt shows as NAN is an empty field.\n"
                      "facts: write the table to FILE, relative to the working directory, instead of\n"
                      "facts.csv in the result directory")
      ->type_name("FILE");
  cmd->add_option("--grids", o->grids, "contour: number of Y grids (bins) G")->type_name("N")->capture_default_str();
  cmd->add_option("--maxz", o->maxZ, "contour: cap Z on the count of a bin")->type_name("N")->capture_default_str();
  cmd->add_option("--miny", o->minY,
                  "contour: lower bound of the bins (default: automatic, from the actual rate over the\n"
                  "simulated weeks, widened by a quarter of its range)")
      ->type_name("Y");
  cmd->add_option("--maxy", o->maxY, "contour: upper bound of the bins (default: automatic, likewise)")->type_name("Y");
  if (plotting)
    cmd->add_option("--plot", o->plotFile,
                    "Also draw the summary's chart, as its window shows it after Plot, into FILE: a PNG,\n"
                    "SVG or PDF picture by the extension; relative to the working directory. No display\n"
                    "is needed.")
        ->type_name("FILE")
        ->check(CLI::Validator(plotFileProblem, "", "picture file"));
  const PlotBinding binding = plotting ? *plotting : PlotBinding();
  cmd->callback([o, cmd, binding] { analyze(*o, *cmd, binding); });
}

}  // namespace vk
