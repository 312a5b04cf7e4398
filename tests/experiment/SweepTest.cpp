// Sweeps run by the program itself: the bytes of each run, the table, the
// record, resuming, a run that fails among others, and folders refused.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "experiment/ExperimentLock.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/LocalPool.h"
#include "experiment/Plan.h"
#include "experiment/ResultsTable.h"
#include "experiment/RunFolder.h"
#include "experiment/Sha256.h"
#include "experiment/ShellWord.h"
#include "io/RunError.h"
#include "model/Display.h"
#include "model/Seed.h"
#include "run/RunDriver.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using testing::readWholeFile;

const char* const kTwoPointsTwoSeeds =
    "inputs = \"in\"\n"
    "[vary]\n"
    "popsize = [10, 12]\n"
    "[replications]\n"
    "seeds = 2\n";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t end; (end = line.find(',', start)) != std::string::npos; start = end + 1)
    fields.push_back(line.substr(start, end - start));
  fields.push_back(line.substr(start));
  return fields;
}

// The empty fields of a run without paths: path, the report's values and the facts.
const std::size_t kEmptyValues = 1 + 16 + 45;

const char* const kTaskEnded = "the run did not finish: its cluster task ended before it";

std::map<std::string, std::string> filesIn(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = readWholeFile(entry.path());
  return files;
}

class Sweep : public ::testing::Test {
 protected:
  // Runs velquin-cli with the arguments in the scratch folder; its exit status.
  int cli(const std::string& arguments) { return shell("'" VELQUIN_CLI "' " + arguments); }

  // Runs a shell command in the scratch folder; its exit status.
  int shell(const std::string& commandLine) {
    const std::string command = "cd '" + inputs.dir.path().string() + "' && (" + commandLine + ") > cli.out 2>&1";
    const int status = std::system(command.c_str());
    output = readWholeFile(inputs.dir.path() / "cli.out");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A program that acts as velquin-cli run except for the run folders the
  // script names, for which it fails in its own way.
  std::string failingProgram(const std::string& cases) {
    const std::string path = inputs.dir.file("fake-cli.sh");
    inputs.dir.write("fake-cli.sh", "#!/bin/sh\ncase \"$3\" in\n" + cases + "\nesac\nexec '" VELQUIN_CLI "' \"$@\"\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }

  ExperimentPlan plan(const std::string& text) { return makePlan(readDescription(inputs.description(text))); }

  // This very program, as the pool's workers run it: each run as
  // velquin-cli run does it, but the run in the folder `runName` first does
  // `before`.
  std::string inProcessProgram(const std::string& runName, const std::function<void()>& before) {
    const std::string program = inputs.dir.file("in-process-cli");
    // The words: program run -C FOLDER --result DIR --price P --data D --seed S.
    runInWorkersWhenProgramIs(program, [runName, before](const std::vector<std::string>& words) {
      if (fs::path(words.at(3)).filename() == runName) before();
      if (::chdir(words.at(3).c_str()) != 0) return 1;
      NullDisplay nothing;
      return RunSimulation(words.at(5), words.at(7), words.at(9), nothing, generatorSeedOf(std::stoull(words.at(11))))
                 ? 0
                 : 1;
    });
    return program;
  }

  std::string out() const { return inputs.dir.file("out"); }

  testing::ExperimentInputs inputs;
  std::string output;
};

// The facts columns of a table row: those between the report's and status.
std::string factsFieldsOf(const std::string& line) {
  const std::vector<std::string> f = fieldsOf(line);
  std::string text;
  for (std::size_t c = 20; c + 2 < f.size(); ++c) text += "," + f[c];
  return text;
}

// One seed reproduces the plain run byte for byte, with the facts summary
// `analyze facts --all` makes beside it; every value of the table is the
// run's own eval.txt or facts.csv.
TEST_F(Sweep, RunsWriteThePlainRunsBytesAndTheTableTheirReportsAndFacts) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out out --jobs 2 --quiet"), 0) << output;

  fs::create_directories(inputs.dir.path() / "plain/result");
  for (const char* name : {"para.txt", "wdata.txt"})
    inputs.dir.write(std::string("plain/") + name, readWholeFile(fs::path(out()) / "runs/0003" / name));
  ASSERT_EQ(cli("run -C plain --price ../in/price.txt --data ../in/data.txt --seed 1 --quiet"), 0) << output;
  std::map<std::string, std::string> plain = filesIn(inputs.dir.path() / "plain/result");
  ASSERT_EQ(plain.count("facts.csv"), 0u);
  ASSERT_EQ(cli("analyze facts --all -C plain"), 0) << output;
  plain = filesIn(inputs.dir.path() / "plain/result");
  plain.erase("statname.txt");
  EXPECT_EQ(filesIn(fs::path(out()) / "runs/0003/result"), plain);
  EXPECT_NE(readWholeFile(fs::path(out()) / "runs/0003/para.txt").find("\n12\n"), std::string::npos);

  const std::vector<std::string> table = linesOf(readWholeFile(fs::path(out()) / "results.csv"));
  ASSERT_EQ(table.size(), 1u + 4 * 3);
  const std::string factsHeader = linesOf(plain["facts.csv"])[0];
  std::string factsColumns;
  for (const std::string& name : fieldsOf(factsHeader.substr(std::string("series,path,").size())))
    factsColumns += ",facts_" + name;
  EXPECT_EQ(table[0],
            "run,seed,popsize,path,me_sim,me_rw,mae_sim,mae_rw,rmse_sim,rmse_rw,mean_sim,mean_actual,std_sim,"
            "std_actual,skew_sim,skew_actual,kurt_sim,kurt_actual,sr_sim,sr_actual" +
                factsColumns + ",status,message");
  const std::size_t width = fieldsOf(table[0]).size();
  for (std::size_t i = 1; i < table.size(); ++i) {
    const std::vector<std::string> f = fieldsOf(table[i]);
    ASSERT_EQ(f.size(), width) << table[i];
    const int run = static_cast<int>((i - 1) / 3);
    EXPECT_EQ(f[0], std::to_string(run));
    EXPECT_EQ(f[1], std::to_string(run % 2));
    EXPECT_EQ(f[2], run < 2 ? "10" : "12");
    EXPECT_EQ(f[3], std::to_string((i - 1) % 3));
    EXPECT_EQ(f[width - 2], "done");
    EXPECT_EQ(f[width - 1], "");
    // The facts are the path's row of the run's own facts table.
    const std::string facts = readWholeFile(fs::path(out()) / ("runs/000" + f[0]) / "result/facts.csv");
    EXPECT_NE(facts.find("\nsim," + f[3] + factsFieldsOf(table[i]) + "\n"), std::string::npos) << table[i];
    // Each value stands in that run's eval.txt, in the column's place.
    const std::string eval = readWholeFile(fs::path(out()) / ("runs/000" + f[0]) / "result/eval.txt");
    const std::size_t block = eval.find("No. = " + f[3] + "\n");
    ASSERT_NE(block, std::string::npos);
    const std::size_t errors = eval.find('\n', eval.find("me(sim)", block)) + 1;
    const std::size_t statistics = eval.find('\n', eval.find("mean(real)", block)) + 1;
    for (int c = 0; c < 6; ++c)
      EXPECT_EQ(eval.substr(errors + c * 24, 23).find(f[4 + c]), 23 - f[4 + c].size()) << table[i] << " column " << c;
    for (int c = 0; c < 10; ++c)
      EXPECT_EQ(eval.substr(statistics + c * 24, 23).find(f[10 + c]), 23 - f[10 + c].size()) << table[i];
  }
  // One market: the actual series' facts once, as the runs' facts tables hold them.
  const std::vector<std::string> actual = linesOf(readWholeFile(fs::path(out()) / "facts-actual.csv"));
  ASSERT_EQ(actual.size(), 2u);
  EXPECT_EQ(actual[0], "market" + factsHeader.substr(std::string("series,path").size()));
  EXPECT_EQ(actual[1], "price.txt" + linesOf(plain["facts.csv"])[1].substr(std::string("actual,").size()));

  // The record holds the description, the command and every input's hash.
  const std::string record = readWholeFile(fs::path(out()) / "experiment.toml");
  EXPECT_EQ(record.rfind(kTwoPointsTwoSeeds, 0), 0u);
  EXPECT_NE(record.find("sweep run sweep.toml --out out --jobs 2 --quiet"), std::string::npos);
  EXPECT_NE(record.find(sha256OfFile(inputs.dir.file("in/price.txt"))), std::string::npos);
  EXPECT_NE(record.find(sha256OfFile(inputs.dir.file("in/para.txt"))), std::string::npos);
  ASSERT_EQ(cli("sweep status out"), 0);
  EXPECT_NE(output.find("4 runs: 4 done, 0 failed, 0 pending"), std::string::npos) << output;
}

// Each run of a program that counts the runs going on beside it: the pool
// keeps exactly `jobs` of them going, never one more.
TEST_F(Sweep, ThePoolRunsAsManyAtATimeAsItHasJobs) {
  const ExperimentPlan p = plan(kTwoPointsTwoSeeds);
  prepareExperimentFolder(p, out(), false);
  const std::string active = inputs.dir.file("active"), counts = inputs.dir.file("counts");
  fs::create_directory(active);
  const std::string program = inputs.dir.file("counting.sh");
  inputs.dir.write("counting.sh", "#!/bin/sh\ntouch '" + active + "'/$$\nls '" + active + "' | wc -l >> '" + counts +
                                      "'\nsleep 0.5\nrm '" + active + "'/$$\nexit 1\n");
  ::chmod(program.c_str(), 0755);
  EXPECT_EQ(runLocally(program, out(), p, {0, 1, 2, 3}, 2, [](const PlannedRun&, bool) {}), 4);
  std::string most = "0";
  for (const std::string& line : linesOf(readWholeFile(counts))) most = std::max(most, line);
  EXPECT_EQ(most, "2");
}

// A run that fails is marked with its reason, the others complete, and the
// command says how many failed with a non-zero exit.
TEST_F(Sweep, AFailingRunIsReportedAndTheOthersComplete) {
  const ExperimentPlan p = plan(kTwoPointsTwoSeeds);
  prepareExperimentFolder(p, out(), false);
  const std::string program = failingProgram(
      "*/0001) echo 'velquin-cli: error: the disk is on fire' >&2; exit 1;;\n"
      "*/0002) kill -9 $$;;\n"
      // A run that ends well but leaves its report cut short.
      "*/0003) '" VELQUIN_CLI
      "' \"$@\" && head -c 700 \"$3/result/eval.txt\" > \"$3/cut\" && "
      "mv \"$3/cut\" \"$3/result/eval.txt\"; exit 0;;");
  std::vector<std::string> ended;
  EXPECT_EQ(runLocally(program, out(), p, {0, 1, 2, 3}, 2,
                       [&](const PlannedRun& r, bool done) { ended.push_back(r.name + (done ? " done" : " failed")); }),
            3);
  EXPECT_EQ(ended.size(), 4u);
  std::string message;
  EXPECT_EQ(runOutcome(out(), p.runs[0], &message), RunOutcome::Done);
  EXPECT_EQ(runOutcome(out(), p.runs[1], &message), RunOutcome::Failed);
  EXPECT_EQ(message, "the disk is on fire");
  EXPECT_EQ(runOutcome(out(), p.runs[2], &message), RunOutcome::Failed);
  EXPECT_EQ(message, "the run was killed by signal 9");
  EXPECT_EQ(runOutcome(out(), p.runs[3], &message), RunOutcome::Failed);
  EXPECT_NE(message.find("eval.txt"), std::string::npos) << message;

  RunCounts counts;
  const std::vector<std::string> table = linesOf(experimentTables(p, out(), false, &counts).results);
  EXPECT_EQ(counts.done, 1);
  EXPECT_EQ(counts.failed, 3);
  ASSERT_EQ(table.size(), 1u + 3 + 3);
  EXPECT_EQ(table[4], "1,1,10" + std::string(kEmptyValues, ',') + ",failed,the disk is on fire");

  // The collector says how many failed, with a non-zero exit.
  writeExperimentRecord(p, out(), "test", "velquin-cli sweep run sweep.toml --out out");
  EXPECT_EQ(cli("sweep collect out"), 1);
  EXPECT_NE(output.find("3 of 4 runs failed"), std::string::npos) << output;
  markRunFailed(out(), p.runs[3], "old, \"quoted\" failure");
  EXPECT_EQ(linesOf(readWholeFile(fs::path(out()) / "results.csv"))[4], table[4]);
  EXPECT_EQ(linesOf(experimentTables(p, out(), false).results).back(),
            "3,1,12" + std::string(kEmptyValues, ',') + ",failed,\"old, \"\"quoted\"\" failure\"");

  // Resuming starts the failed runs again from empty; the done one stays.
  fs::remove(fs::path(out()) / "runs/0000/run.log");
  ASSERT_EQ(cli("sweep run sweep.toml --out out"), 0) << output;
  EXPECT_NE(output.find("Resuming: 1 of 4 runs are done already."), std::string::npos) << output;
  EXPECT_FALSE(fs::exists(fs::path(out()) / "runs/0000/run.log"));
  EXPECT_EQ(countRuns(p, out()).done, 4);
}

// A run that takes its worker down with it is failed with the signal; the
// worker started anew runs the others, byte for byte as velquin-cli does.
TEST_F(Sweep, AWorkerThatDiesMidRunFailsItsRunAndTheOthersFinish) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out all --jobs 1 --quiet"), 0) << output;
  const ExperimentPlan p = plan(kTwoPointsTwoSeeds);
  prepareExperimentFolder(p, out(), false);
  const std::string program = inProcessProgram("0001", [] { ::raise(SIGKILL); });
  std::vector<std::string> ended;
  EXPECT_EQ(runLocally(program, out(), p, {0, 1, 2, 3}, 1,
                       [&](const PlannedRun& r, bool done) { ended.push_back(r.name + (done ? " done" : " failed")); }),
            1);
  EXPECT_EQ(ended, (std::vector<std::string>{"0000 done", "0001 failed", "0002 done", "0003 done"}));
  std::string message;
  EXPECT_EQ(runOutcome(out(), p.runs[1], &message), RunOutcome::Failed);
  EXPECT_EQ(message, "the run was killed by signal 9");
  for (const char* run : {"0000", "0002", "0003"})
    EXPECT_EQ(filesIn(fs::path(out()) / "runs" / run / "result"),
              filesIn(inputs.dir.path() / "all/runs" / run / "result"))
        << run;
}

// A worker per job holds a descriptor in the pool: more jobs than the soft
// limit on open files allows still run every run.
TEST_F(Sweep, MoreWorkersThanTheDescriptorLimitAllowsStillRunEveryRun) {
  const ExperimentPlan p = plan("inputs = \"in\"\n[vary]\nsimtimes = [0]\n[replications]\nseeds = 24\n");
  prepareExperimentFolder(p, out(), false);
  const std::string program = inProcessProgram("", [] {});
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
  const auto open = static_cast<rlim_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
  if (before.rlim_max < open + 100) GTEST_SKIP() << "the hard limit on open files is too low for the test";
  rlimit low = before;
  low.rlim_cur = open + 8;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> ids(24);
  for (int id = 0; id < 24; ++id) ids[id] = id;
  const int failed = runLocally(program, out(), p, ids, 24, [](const PlannedRun&, bool) {});
  ::setrlimit(RLIMIT_NOFILE, &before);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(countRuns(p, out()).done, 24);
}

// A run killed mid-way leaves no mark and a half-written report: it counts
// as pending (failed once the cluster's jobs ended), and a resume redoes it.
TEST_F(Sweep, ARunKilledMidWayIsNotCountedAndIsRedone) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  const ExperimentPlan p = recordedPlan(out());
  const std::string report = readWholeFile(fs::path(out()) / "runs/0002/result/eval.txt");
  fs::remove(fs::path(out()) / "runs/0002/done");
  inputs.dir.write("out/runs/0002/result/eval.txt", report.substr(0, report.size() / 2));
  std::vector<std::string> table = linesOf(experimentTables(p, out(), false).results);
  ASSERT_EQ(table.size(), 1u + 3 * 3 + 1);
  EXPECT_EQ(table[7], "2,0,12" + std::string(kEmptyValues, ',') + ",pending,");
  EXPECT_EQ(linesOf(experimentTables(p, out(), true).results)[7],
            "2,0,12" + std::string(kEmptyValues, ',') + ",failed," + kTaskEnded);
  ASSERT_EQ(cli("sweep status out"), 0);
  EXPECT_NE(output.find("4 runs: 3 done, 0 failed, 1 pending"), std::string::npos) << output;
  // A look at the runs as they are writes its table elsewhere and nothing
  // into the folder, which may belong to runs still going on.
  const std::string results = readWholeFile(fs::path(out()) / "results.csv");
  ASSERT_EQ(cli("sweep collect out --csv now.csv"), 0) << output;
  EXPECT_EQ(readWholeFile(inputs.dir.path() / "now.csv"), experimentTables(p, out(), false).results);
  EXPECT_NE(output.find("Wrote now.csv: 3 done, 0 failed, 1 pending"), std::string::npos) << output;
  EXPECT_EQ(cli("sweep collect out --csv out/runs/../now.csv"), 2);
  EXPECT_NE(output.find("lies inside the experiment folder"), std::string::npos) << output;
  EXPECT_EQ(cli("sweep collect out --csv now.csv --after-cluster"), 2);
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), results);
  EXPECT_FALSE(fs::exists(fs::path(out()) / "runs/0002/failed"));
  // The collector after the cluster's jobs: status then says what the table
  // says, also of a run whose task never began it.
  fs::remove_all(fs::path(out()) / "runs/0001");
  ASSERT_EQ(cli("sweep collect out --after-cluster --quiet"), 1) << output;
  const std::vector<std::string> collected = linesOf(readWholeFile(fs::path(out()) / "results.csv"));
  EXPECT_EQ(collected[4], "1,1,10" + std::string(kEmptyValues, ',') + ",failed," + kTaskEnded);
  EXPECT_EQ(collected[5], "2,0,12" + std::string(kEmptyValues, ',') + ",failed," + kTaskEnded);
  ASSERT_EQ(cli("sweep status out"), 0);
  EXPECT_NE(output.find("4 runs: 2 done, 2 failed, 0 pending.\n  run 0001: " + std::string(kTaskEnded) +
                        "\n  run 0002: " + kTaskEnded + "\n"),
            std::string::npos)
      << output;
  ASSERT_EQ(cli("sweep run sweep.toml --out out"), 0) << output;
  EXPECT_NE(output.find("Resuming: 2 of 4 runs are done already."), std::string::npos) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "runs/0002/result/eval.txt"), report);
  EXPECT_EQ(linesOf(readWholeFile(fs::path(out()) / "results.csv")).size(), 13u);
}

// A run of no path completes: one row with empty values, marked done.
TEST_F(Sweep, ARunWithoutPathsIsDoneWithOneEmptyRow) {
  inputs.description("inputs = \"in\"\n[vary]\nsimtimes = [0, 1]\n");
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  const std::vector<std::string> table = linesOf(readWholeFile(fs::path(out()) / "results.csv"));
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[1], "0,0,0" + std::string(kEmptyValues, ',') + ",done,");
  EXPECT_EQ(table[2].rfind("1,0,1,0,", 0), 0u) << table[2];
  ASSERT_EQ(cli("sweep status out"), 0);
  EXPECT_NE(output.find("2 runs: 2 done, 0 failed, 0 pending."), std::string::npos) << output;
}

std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// A sweep that keeps only summaries gives the very table of one that keeps
// everything, and each run's folder holds what makes the run again in full.
TEST_F(Sweep, KeepingOnlySummariesGivesTheSameTableAndRerunsInFull) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out all --quiet"), 0) << output;
  inputs.description(std::string(kTwoPointsTwoSeeds) + "[output]\nkeep = \"summaries\"\n");
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), readWholeFile(inputs.dir.path() / "all/results.csv"));

  const fs::path run = fs::path(out()) / "runs/0003";
  EXPECT_EQ(namesIn(run), (std::set<std::string>{"done", "para.txt", "result", "run.log", "wdata.txt"}));
  const std::set<std::string> kept = namesIn(run / "result");
  EXPECT_EQ(kept, (std::set<std::string>{"eval.txt.gz", "facts.csv.gz", "run.lock"}));
  for (const std::string& name : kept) EXPECT_TRUE(isSummaryFile(name)) << name;
  // Kept compressed, as gzip unpacks them, with the very bytes of a run that keeps everything.
  for (const char* name : {"eval.txt", "facts.csv"}) {
    ASSERT_EQ(shell("gzip -dc out/runs/0003/result/" + std::string(name) + ".gz"), 0) << output;
    EXPECT_EQ(output, readWholeFile(inputs.dir.path() / "all/runs/0003/result" / name)) << name;
  }
  // The report reads as a table from the lean folder as from the full one.
  ASSERT_EQ(cli("analyze report --result all/runs/0003/result --csv full.csv"), 0) << output;
  ASSERT_EQ(cli("analyze report --result out/runs/0003/result --csv lean.csv"), 0) << output;
  EXPECT_EQ(readWholeFile(inputs.dir.path() / "lean.csv"), readWholeFile(inputs.dir.path() / "full.csv"));

  // The log's first line is the run's command; it writes every file again.
  const std::string log = readWholeFile(run / "run.log");
  ASSERT_EQ(shell(log.substr(0, log.find('\n')) + " --quiet"), 0) << output;
  const std::map<std::string, std::string> full = filesIn(inputs.dir.path() / "all/runs/0003/result");
  std::map<std::string, std::string> again = filesIn(run / "result");
  again.erase("eval.txt.gz");
  again.erase("facts.csv.gz");
  again.erase("run.lock");
  EXPECT_GT(again.size(), kept.size());
  for (const auto& [name, bytes] : again) EXPECT_EQ(bytes, full.at(name)) << name;
  ASSERT_EQ(cli("analyze facts --all -C out/runs/0003"), 0) << output;
  EXPECT_EQ(readWholeFile(run / "result/facts.csv"), full.at("facts.csv"));
}

// Every file under a folder with its bytes, by its path inside the folder.
std::map<std::string, std::string> treeOf(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = readWholeFile(entry.path());
  return files;
}

// The words a shell takes from a line of shellWord's words are those words.
TEST(ShellWords, GiveBackTheWordsShellWordWrote) {
  const std::vector<std::string> words = {"velquin-cli", "run", "-C", "/a b/it's", "", "--seed", "$HOME", "x\\y"};
  std::string line;
  for (const std::string& word : words) line += (line.empty() ? "" : " ") + shellWord(word);
  EXPECT_EQ(shellWords(line), words);
  EXPECT_EQ(shellWords("  a\\ b  'c'd\t"), (std::vector<std::string>{"a b", "cd"}));
  EXPECT_THROW(shellWords("run -C '/open"), RunError);
}

// A lean run is made again in a folder of its own from its log's first
// line: the files of the run that kept everything, the same report, and
// nothing in the experiment changed, so that a collect gives the same table.
TEST_F(Sweep, ALeanRunMadeAgainElsewhereLeavesTheExperimentAsItWas) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out all --quiet"), 0) << output;
  inputs.description(std::string(kTwoPointsTwoSeeds) + "[output]\nkeep = \"summaries\"\n");
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  const fs::path run = fs::path(out()) / "runs/0003";
  EXPECT_TRUE(keptOnlySummaries((run / "result").string()));
  EXPECT_FALSE(keptOnlySummaries(inputs.dir.file("all/runs/0003/result")));
  const std::map<std::string, std::string> before = treeOf(out());

  const std::string again = inputs.dir.file("again");
  std::string command = "'" VELQUIN_CLI "'";
  for (const std::string& word : prepareRerun(run.string(), again)) command += " " + shellWord(word);
  ASSERT_EQ(shell(command + " --quiet"), 0) << output;

  std::map<std::string, std::string> full = filesIn(inputs.dir.path() / "all/runs/0003/result");
  full.erase("facts.csv");  // the sweep's summary, not the run's
  EXPECT_EQ(filesIn(fs::path(again) / "result"), full);
  EXPECT_TRUE(sameReport((run / "result").string(), again + "/result"));
  EXPECT_FALSE(sameReport(inputs.dir.file("all/runs/0002/result"), again + "/result"));
  EXPECT_EQ(treeOf(out()), before);
  ASSERT_EQ(cli("sweep collect out --quiet"), 0) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), before.at("results.csv"));

  inputs.dir.write("out/runs/0003/run.log", "velquin-cli analyze report\n");
  EXPECT_THROW(prepareRerun(run.string(), inputs.dir.file("other")), RunError);
  fs::remove(run / "run.log");
  EXPECT_THROW(prepareRerun(run.string(), inputs.dir.file("other")), RunError);
}

// A facts summary of some paths of an experiment's run does not replace the
// facts.csv the experiment's table joins to every path: the next collect
// gives the same table. Every path gives that very facts.csv.
TEST_F(Sweep, FactsOfSomePathsOfARunLeaveTheExperimentsTable) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  const fs::path result = fs::path(out()) / "runs/0001/result";
  const std::string table = readWholeFile(fs::path(out()) / "results.csv");
  const std::string facts = readWholeFile(result / "facts.csv");
  ASSERT_EQ(cli("analyze facts --paths 0-1 --result out/runs/0001/result"), 0) << output;
  EXPECT_NE(output.find("facts-selected.csv over 2 paths"), std::string::npos) << output;
  EXPECT_EQ(readWholeFile(result / "facts.csv"), facts);
  ASSERT_EQ(cli("sweep collect out --quiet"), 0) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), table);
  ASSERT_EQ(cli("analyze facts --all --result out/runs/0001/result/"), 0) << output;
  EXPECT_NE(output.find("/facts.csv over 3 paths"), std::string::npos) << output;
  EXPECT_EQ(readWholeFile(result / "facts.csv"), facts);
  // The same folders without the experiment's record are a plain result directory.
  fs::remove(fs::path(out()) / "experiment.toml");
  EXPECT_EQ(factsSummaryFile(result.string(), {0}), (result / "facts.csv").string());
}

// The first line of a run's log names its inputs by absolute paths, so that
// it makes the same bytes again from any working directory.
TEST_F(Sweep, TheLogsFirstLineRunsTheRunAgainFromAnywhere) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  const fs::path run = fs::path(out()) / "runs/0002";
  const std::string command = linesOf(readWholeFile(run / "run.log")).at(0);
  for (const char* option : {" -C /", " --price /", " --data /"})
    EXPECT_NE(command.find(option), std::string::npos) << option << " in " << command;
  std::map<std::string, std::string> made = filesIn(run / "result");
  made.erase("facts.csv");  // the sweep's summary, not the run's
  for (const auto& [name, bytes] : made) fs::remove(run / "result" / name);
  fs::create_directory(inputs.dir.path() / "elsewhere");
  ASSERT_EQ(shell("cd elsewhere && " + command + " --quiet"), 0) << output;
  std::map<std::string, std::string> again = filesIn(run / "result");
  again.erase("facts.csv");
  EXPECT_EQ(again, made);
  EXPECT_GT(made.size(), 3u);
}

// A status or a collect lists the run folders once: a run without a folder
// is pending, and a folder whose name is not a run's of this plan (another
// width, a sign, a number past the plan) counts for no run.
TEST_F(Sweep, RunsWithoutAFolderArePendingAndOtherNamesAreNoRuns) {
  const ExperimentPlan p = plan(kTwoPointsTwoSeeds);
  EXPECT_EQ(countRuns(p, out()).pending, 4);  // not even DIR yet
  for (const char* name : {"0001", "00003", "3", "+003", "0007", "0003.old"}) {
    fs::create_directories(fs::path(out()) / "runs" / name);
    inputs.dir.write(std::string("out/runs/") + name + "/done", "done\n");
  }
  fs::create_directories(fs::path(out()) / "runs/0000/result");  // started, not ended
  fs::create_directories(fs::path(out()) / "runs/0002");
  markRunFailed(out(), p.runs[2], "the disk is on fire");
  const RunFolderListing folders(out(), p.runs);
  std::string message;
  EXPECT_EQ(folders.outcome(0, &message), RunOutcome::Pending);
  EXPECT_EQ(folders.outcome(1, &message), RunOutcome::Done);
  EXPECT_EQ(folders.outcome(2, &message), RunOutcome::Failed);
  EXPECT_EQ(message, "the disk is on fire");
  EXPECT_EQ(folders.outcome(3, &message), RunOutcome::Pending);
  const RunCounts counts = countRuns(p, out());
  EXPECT_EQ(counts.done, 1);
  EXPECT_EQ(counts.failed, 1);
  EXPECT_EQ(counts.pending, 2);
  EXPECT_EQ(unfinishedRuns(p, out()), (std::vector<int>{0, 2, 3}));

  // A folder made after the listing is not seen by it: the table it gives
  // stays as it was when it began.
  fs::create_directories(fs::path(out()) / "runs/0003");
  inputs.dir.write("out/runs/0003/done", "done\n");
  EXPECT_EQ(folders.outcome(3, &message), RunOutcome::Pending);

  fs::remove_all(fs::path(out()) / "runs");
  inputs.dir.write("out/runs", "not a folder");
  try {
    countRuns(p, out());
    ADD_FAILURE() << "a runs folder that cannot be listed was taken as empty";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("out/runs"), std::string::npos) << e.what();
  }
}

// A run finished before runs summarised their facts gets its summary when
// the table is collected; a facts table that does not hold a reported path
// fails the run instead of leaving its facts empty.
TEST_F(Sweep, TheTableMakesMissingFactsAndRefusesFactsOfOtherPaths) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  const std::string results = readWholeFile(fs::path(out()) / "results.csv");
  const fs::path facts = fs::path(out()) / "runs/0001/result/facts.csv";
  const std::string kept = readWholeFile(facts);
  fs::remove(facts);
  ASSERT_EQ(cli("sweep collect out"), 0) << output;
  EXPECT_EQ(readWholeFile(facts), kept);
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), results);

  std::string otherPath = kept;
  otherPath.replace(otherPath.find("\nsim,2,"), 8, "\nsim,7,");
  inputs.dir.write("out/runs/0001/result/facts.csv", otherPath);
  EXPECT_EQ(cli("sweep collect out"), 1);
  const std::vector<std::string> table = linesOf(readWholeFile(fs::path(out()) / "results.csv"));
  EXPECT_NE(table[4].find(",failed,"), std::string::npos) << table[4];
  EXPECT_NE(table[4].find("path 2"), std::string::npos) << table[4];
}

// A disk that fills during a sweep that keeps only summaries: the runs
// fail and say so, no summary is left cut short, nothing reports success,
// and once there is room again a resume completes the very same table.
TEST_F(Sweep, ADiskThatFillsFailsTheRunsAndLeavesNoSummaryHalfWritten) {
  const std::string lean = std::string(kTwoPointsTwoSeeds) + "[output]\nkeep = \"summaries\"\n";
  inputs.description(lean);
  ASSERT_EQ(cli("sweep run sweep.toml --out reference --quiet"), 0) << output;
  fs::create_directories(inputs.dir.path() / "small");
  if (::geteuid() != 0 || shell("mount -t tmpfs -o size=1m tmpfs small") != 0)
    GTEST_SKIP() << "mounting a small file system needs root: " << output;
  // Room for the record and about one run's files.
  shell("dd if=/dev/zero of=small/filler bs=4096 count=$(($(stat -f -c %a small) - 12)) 2>/dev/null");
  EXPECT_EQ(cli("sweep run sweep.toml --out small/out --jobs 1 --quiet"), 1);
  EXPECT_NE(output.find("No space left on device"), std::string::npos) << output;
  for (const auto& entry : fs::recursive_directory_iterator(inputs.dir.path() / "small/out")) {
    const fs::path folder = entry.path().parent_path().parent_path();
    const std::string name = entry.path().filename().string();
    if (name.rfind("eval.txt", 0) == 0 || name.rfind("facts.csv", 0) == 0) {
      EXPECT_TRUE(fs::exists(folder / "done")) << entry.path();
    }
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
  fs::remove(inputs.dir.path() / "small/filler");
  EXPECT_EQ(cli("sweep run sweep.toml --out small/out --quiet"), 0) << output;
  EXPECT_EQ(readWholeFile(inputs.dir.path() / "small/out/results.csv"),
            readWholeFile(inputs.dir.path() / "reference/results.csv"));
  shell("umount small");
}

// A cluster task holds a chunk of runs, each marked on its own: a task
// killed midway keeps the runs it finished, the collector fails the rest,
// and a resume runs only those.
TEST_F(Sweep, AChunkedTaskKilledMidwayLosesOnlyItsUnfinishedRuns) {
  fs::create_directories(inputs.dir.path() / "bin");
  inputs.dir.write("bin/sbatch", "#!/bin/sh\necho 77\n");
  ::chmod(inputs.dir.file("bin/sbatch").c_str(), 0755);
  // The runs of the second point train for long enough to be killed in.
  inputs.description("inputs = \"in\"\n[vary]\nnsample = [1, 10000]\n[replications]\nseeds = 2\n");
  ASSERT_EQ(shell("PATH=\"$PWD/bin:$PATH\" '" VELQUIN_CLI "' sweep run sweep.toml --out out --engine slurm"), 0)
      << output;
  EXPECT_NE(output.find("(1 task, 4 runs each"), std::string::npos) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "slurm/tasks.txt"), "0 1 2 3\n");

  // The task in a process group of its own, killed whole as the cluster
  // would, once its second run is done.
  ASSERT_EQ(shell("setsid '" VELQUIN_CLI "' sweep task out --task 0 & task=$!; "
                  "while [ ! -e out/runs/0001/done ] && kill -0 $task; do sleep 0.02; done; kill -KILL -$task; "
                  // Its forked runs hold the folder's lock until they too have gone.
                  "while kill -0 -$task 2>/dev/null; do sleep 0.02; done"),
            0)
      << output;
  ASSERT_EQ(cli("sweep status out"), 0);
  EXPECT_NE(output.find("4 runs: 2 done, 0 failed, 2 pending"), std::string::npos) << output;
  EXPECT_EQ(cli("sweep collect out --after-cluster"), 1);
  const std::vector<std::string> table = linesOf(readWholeFile(fs::path(out()) / "results.csv"));
  ASSERT_EQ(table.size(), 1u + 2 * 3 + 2);
  EXPECT_NE(table[6].find(",done,"), std::string::npos) << table[6];
  EXPECT_NE(table[7].find(",failed,the run did not finish"), std::string::npos) << table[7];
  EXPECT_NE(table[8].find(",failed,the run did not finish"), std::string::npos) << table[8];

  // The cluster's queue holds none of the jobs any more.
  inputs.dir.write("bin/squeue", "#!/bin/sh\nexit 0\n");
  ::chmod(inputs.dir.file("bin/squeue").c_str(), 0755);
  ASSERT_EQ(shell("PATH=\"$PWD/bin:$PATH\" '" VELQUIN_CLI "' sweep run sweep.toml --out out"), 0) << output;
  EXPECT_NE(output.find("Resuming: 2 of 4 runs are done already."), std::string::npos) << output;
  EXPECT_EQ(countRuns(recordedPlan(out()), out()).done, 4);
}

// A sweep killed while its runs go on leaves them writing, and they hold
// the folder until they end: a collect is refused meanwhile, while a status,
// a collect into a file outside the folder, and the table made as a collect
// makes it, see whole runs: those marked
// done with every path, the others one pending row each, nothing half
// written and nothing failed. Once the runs are gone, the collect writes
// that very table.
TEST_F(Sweep, ACollectWhileRunsStillFinishGivesWholeRowsAndPendingOnes) {
  // The runs of the second point train for long enough to be caught running.
  inputs.description("inputs = \"in\"\n[vary]\nnsample = [1, 10000]\n[replications]\nseeds = 2\n");
  ASSERT_EQ(shell("setsid '" VELQUIN_CLI "' sweep run sweep.toml --out out --jobs 2 --quiet & sweep=$!; "
                  "echo $sweep > sweep.pid; "
                  "while { [ ! -e out/runs/0000/done ] || [ ! -e out/runs/0001/done ]; } && kill -0 $sweep; "
                  "do sleep 0.02; done; kill -KILL $sweep"),
            0)
      << output;
  const std::string group = linesOf(readWholeFile(inputs.dir.path() / "sweep.pid")).at(0);
  const ExperimentPlan p = recordedPlan(out());
  RunCounts counts;
  const std::string whileRunning = experimentTables(p, out(), false, &counts).results;
  EXPECT_EQ(cli("sweep collect out --csv now.csv"), 0) << output;
  const bool stillRunning = shell("kill -0 -" + group) == 0;
  if (stillRunning) {
    EXPECT_EQ(cli("sweep collect out"), 1);
    EXPECT_NE(output.find("is in use by sweep run"), std::string::npos) << output;
    EXPECT_EQ(readWholeFile(inputs.dir.path() / "now.csv"), whileRunning);
  }
  EXPECT_EQ(cli("sweep status out"), 0);
  EXPECT_NE(output.find("4 runs: 2 done, 0 failed, 2 pending"), std::string::npos) << output;
  shell("kill -KILL -" + group + "; while kill -0 -" + group + "; do sleep 0.02; done");

  EXPECT_EQ(counts.done, 2);
  EXPECT_EQ(counts.pending, 2);
  const std::vector<std::string> table = linesOf(whileRunning);
  ASSERT_EQ(table.size(), 1u + 2 * 3 + 2);
  const std::size_t columns = fieldsOf(table[0]).size();
  for (std::size_t row = 1; row < table.size(); ++row) {
    EXPECT_EQ(fieldsOf(table[row]).size(), columns) << table[row];
    const std::string ending = row <= 6 ? ",done," : ",pending,";
    EXPECT_EQ(table[row].compare(table[row].size() - ending.size(), ending.size(), ending), 0) << table[row];
  }
  EXPECT_EQ(table[7], "2,0,10000" + std::string(kEmptyValues, ',') + ",pending,");
  EXPECT_EQ(cli("sweep collect out"), 0) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), whileRunning);
}

// The table is read a stretch of runs at a time, on every core: its rows
// stay in the order of the runs across the stretches, each run's own.
TEST_F(Sweep, ATableOfManyRunsKeepsTheirOrder) {
  inputs.description("inputs = \"in\"\n[output]\nkeep = \"summaries\"\n");
  ASSERT_EQ(cli("sweep run sweep.toml --out one --quiet"), 0) << output;
  const std::vector<std::string> oneTable = linesOf(readWholeFile(inputs.dir.path() / "one/results.csv"));
  const ExperimentPlan p = plan("inputs = \"in\"\n[replications]\nseeds = 700\n");
  const fs::path one = inputs.dir.path() / "one/runs/0000";
  for (std::size_t id = 0; id < p.runs.size(); ++id) {
    const fs::path folder = fs::path(out()) / "runs" / p.runs.name(id);
    fs::create_directories(folder / "result");
    if (id % 7 == 3) continue;  // pending
    if (id % 11 == 5) {
      markRunFailed(out(), p.runs[id], "failed " + std::to_string(id));
      continue;
    }
    for (const char* file : {"result/eval.txt.gz", "result/facts.csv.gz", "done"})
      fs::create_hard_link(one / file, folder / file);
  }
  RunCounts counts;
  const std::vector<std::string> table = linesOf(experimentTables(p, out(), false, &counts).results);
  const std::size_t paths = oneTable.size() - 1;
  ASSERT_EQ(table.size(), 1 + counts.done * paths + counts.failed + counts.pending);
  EXPECT_EQ(counts.done + counts.failed + counts.pending, 700);
  std::size_t line = 1;
  for (std::size_t id = 0; id < p.runs.size(); ++id) {
    const std::string start = std::to_string(id) + "," + std::to_string(id);
    if (id % 7 == 3) {
      EXPECT_EQ(table[line++], start + std::string(kEmptyValues, ',') + ",pending,");
    } else if (id % 11 == 5) {
      EXPECT_EQ(table[line++], start + std::string(kEmptyValues, ',') + ",failed,failed " + std::to_string(id));
    } else {
      for (std::size_t path = 1; path <= paths; ++path)
        EXPECT_EQ(table[line++], start + oneTable[path].substr(oneTable[path].find(',', 2))) << id;
    }
  }
}

TEST_F(Sweep, FoldersOfOtherExperimentsAreRefusedUnlessReplaced) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  // The same plan, written differently, resumes.
  inputs.description(std::string("# a comment\n") + kTwoPointsTwoSeeds);
  EXPECT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  inputs.description("inputs = \"in\"\n[vary]\npopsize = [10, 11]\n");
  EXPECT_EQ(cli("sweep run sweep.toml --out out --quiet"), 1);
  EXPECT_NE(output.find("another experiment"), std::string::npos) << output;
  EXPECT_EQ(countRuns(recordedPlan(out()), out()).done, 4);  // nothing removed
  EXPECT_EQ(cli("sweep run sweep.toml --out out --quiet --replace"), 0) << output;
  EXPECT_FALSE(fs::exists(fs::path(out()) / "runs/0003"));
  EXPECT_EQ(linesOf(readWholeFile(fs::path(out()) / "results.csv")).size(), 7u);

  // Changed inputs make another plan too, and the old record says so.
  inputs.dir.write("in/price.txt", readWholeFile(inputs.dir.file("in/price.txt")) + "1.0\n");
  const std::string table = readWholeFile(fs::path(out()) / "results.csv");
  EXPECT_EQ(cli("sweep status out"), 1);
  EXPECT_NE(output.find("in/price.txt' changed since the experiment was started"), std::string::npos) << output;
  EXPECT_NE(output.find("2 runs: 2 done, 0 failed, 0 pending."), std::string::npos) << output;
  EXPECT_EQ(cli("sweep collect out"), 1);
  EXPECT_NE(output.find("in/price.txt' changed since the experiment was started"), std::string::npos) << output;
  EXPECT_NE(output.find("2 runs: 2 done, 0 failed, 0 pending."), std::string::npos) << output;
  EXPECT_NE(output.find("results.csv is left as it was"), std::string::npos) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), table);
  // A record cut short says so, rather than naming a folder it never meant.
  const std::string record = readWholeFile(fs::path(out()) / "experiment.toml");
  inputs.dir.write("out/experiment.toml", record.substr(0, record.find("[provenance]")));
  EXPECT_EQ(cli("sweep status out"), 1);
  EXPECT_NE(output.find("the record is incomplete"), std::string::npos) << output;
  inputs.dir.write("out/experiment.toml", record);
  EXPECT_EQ(cli("sweep run sweep.toml --out out --quiet"), 1);

  // A folder that is not an experiment is never touched.
  fs::create_directories(inputs.dir.path() / "mine");
  inputs.dir.write("mine/notes.txt", "keep me");
  EXPECT_EQ(cli("sweep run sweep.toml --out mine --quiet --replace"), 1);
  EXPECT_NE(output.find("holds no experiment.toml"), std::string::npos) << output;
  EXPECT_EQ(readWholeFile(inputs.dir.file("mine/notes.txt")), "keep me");
}

TEST_F(Sweep, SlurmIsReportedClearlyWhenItCannotBeReached) {
  inputs.description(kTwoPointsTwoSeeds);
  EXPECT_EQ(shell("PATH=/nonexistent '" VELQUIN_CLI "' sweep run sweep.toml --out out --engine slurm --quiet"), 1);
  EXPECT_NE(output.find("Cannot start sbatch"), std::string::npos) << output;
  // A failing sbatch: its output is passed on.
  fs::create_directories(inputs.dir.path() / "bin");
  inputs.dir.write("bin/sbatch",
                   "#!/bin/sh\necho 'sbatch: error: Batch job submission failed: no partition' >&2\nexit 1\n");
  ::chmod(inputs.dir.file("bin/sbatch").c_str(), 0755);
  EXPECT_EQ(shell("PATH=\"$PWD/bin:$PATH\" '" VELQUIN_CLI "' sweep run sweep.toml --out out2 --engine slurm --quiet"),
            1);
  EXPECT_NE(output.find("sbatch could not submit the job array"), std::string::npos) << output;
  EXPECT_NE(output.find("no partition"), std::string::npos) << output;
}

// One command owns an experiment folder at a time; a second is refused at
// once and told who holds it. The array tasks of a submission share it.
TEST_F(Sweep, ASecondCommandOnAnOwnedFolderIsRefusedNamingTheHolder) {
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(cli("sweep run sweep.toml --out out --quiet"), 0) << output;
  const std::string table = readWholeFile(fs::path(out()) / "results.csv");
  {
    const ExperimentLock owner(out(), "sweep run");
    EXPECT_EQ(cli("sweep run sweep.toml --out out --quiet --replace"), 1);
    EXPECT_NE(output.find("in use by sweep run (process " + std::to_string(::getpid())), std::string::npos) << output;
    EXPECT_EQ(cli("sweep collect out --quiet"), 1);
    EXPECT_NE(output.find("sweep collect is refused"), std::string::npos) << output;
    EXPECT_EQ(cli("sweep task out --task 0"), 1);
    EXPECT_NE(output.find("sweep task is refused"), std::string::npos) << output;
  }
  EXPECT_TRUE(fs::exists(fs::path(out()) / "runs/0003/done"));
  EXPECT_EQ(readWholeFile(fs::path(out()) / "results.csv"), table);
  {
    const ExperimentLock task(out(), "sweep task", ExperimentLock::Use::ArrayTask);
    const ExperimentLock otherTask(out(), "sweep task", ExperimentLock::Use::ArrayTask);
    EXPECT_EQ(cli("sweep run sweep.toml --out out --quiet"), 1);
    EXPECT_NE(output.find("in use by the cluster's array tasks, process " + std::to_string(::getpid())),
              std::string::npos)
        << output;
  }
  EXPECT_EQ(cli("sweep collect out --quiet"), 0) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "sweep.lock"), "");
}

// A fake Slurm in bin/: sbatch logs its words and answers as the script says.
class SweepOnFakeSlurm : public Sweep {
 protected:
  void program(const std::string& name, const std::string& body) {
    fs::create_directories(inputs.dir.path() / "bin");
    inputs.dir.write("bin/" + name, "#!/bin/sh\n" + body);
    ::chmod(inputs.dir.file("bin/" + name).c_str(), 0755);
  }
  // velquin-cli with bin/ alone on the PATH.
  int slurmCli(const std::string& arguments) { return shell("PATH=\"$PWD/bin\" '" VELQUIN_CLI "' " + arguments); }
  std::string sbatchWords() { return readWholeFile(inputs.dir.file("sbatch.log")); }
};

TEST_F(SweepOnFakeSlurm, ALocalSweepWaitsForAQueuedArrayAndSeesItEnd) {
  program("sbatch", "echo \"$@\" >> sbatch.log\ncase \"$*\" in *velquin-collect*) echo 4712;; *) echo 4711;; esac\n");
  program("squeue", "echo '4711_[0-3] PENDING'\necho '4712 PENDING'\n");
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(slurmCli("sweep run sweep.toml --out out --engine slurm --quiet"), 0) << output;
  EXPECT_EQ(readWholeFile(fs::path(out()) / "slurm/jobs.txt"), "4711\n4712\n");
  EXPECT_EQ(slurmCli("sweep run sweep.toml --out out --quiet"), 1);
  EXPECT_NE(output.find("still queued or running (4711_[0-3] PENDING, 4712 PENDING)"), std::string::npos) << output;
  EXPECT_EQ(slurmCli("sweep run sweep.toml --out out --engine slurm --quiet"), 1);
  EXPECT_FALSE(fs::exists(fs::path(out()) / "runs/0000/done"));
  // Jobs that have left the queue are unknown to squeue.
  program("squeue", "echo 'slurm_load_jobs error: Invalid job id specified' >&2\nexit 1\n");
  EXPECT_EQ(slurmCli("sweep run sweep.toml --out out --quiet"), 0) << output;
  // Without squeue nobody can tell, and the record is kept.
  fs::remove(inputs.dir.file("bin/squeue"));
  EXPECT_EQ(slurmCli("sweep run sweep.toml --out out --quiet"), 1);
  EXPECT_NE(output.find("Slurm cannot be asked"), std::string::npos) << output;
}

TEST_F(SweepOnFakeSlurm, NoticesAPercentSignAndAFailedCollectorLoseNothing) {
  // The id comes first, then a notice; a percent sign in the folder is no pattern.
  program("sbatch",
          "echo \"$@\" >> sbatch.log\ncase \"$*\" in *velquin-collect*) echo 4712;; *) echo 4711; "
          "echo 'sbatch: notice: the partition is busy' >&2;; esac\n");
  inputs.description(kTwoPointsTwoSeeds);
  ASSERT_EQ(slurmCli("sweep run sweep.toml --out 'pct%j' --engine slurm --task-seconds 0"), 0) << output;
  EXPECT_NE(
      output.find(
          "Submitted job array 4711 (4 tasks, 1 run each, an estimated 0 s of work or more) and collector job 4712."),
      std::string::npos)
      << output;
  EXPECT_NE(sbatchWords().find("/pct%%j/slurm/task-%A_%a.log "), std::string::npos) << sbatchWords();
  EXPECT_NE(sbatchWords().find("/pct%%j/slurm/collect-%j.log "), std::string::npos) << sbatchWords();

  // The collector is refused and scancel is missing: both errors and the
  // array's id are told, and the record keeps the array.
  program("sbatch",
          "case \"$*\" in *velquin-collect*) echo 'sbatch: error: QOSMaxSubmitJobPerUserLimit' >&2; exit 1;; "
          "*) echo 4713;; esac\n");
  EXPECT_EQ(slurmCli("sweep run sweep.toml --out out2 --engine slurm"), 1);
  EXPECT_NE(output.find("QOSMaxSubmitJobPerUserLimit"), std::string::npos) << output;
  EXPECT_NE(output.find("The job array 4713 was submitted; cancelling it failed too (Cannot start scancel"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("cancel it by hand: scancel 4713"), std::string::npos) << output;
  EXPECT_EQ(readWholeFile(inputs.dir.file("out2/slurm/jobs.txt")), "4713\n");
}

// An input file changed while the experiment runs: every run that ends
// after the change fails naming the file, rather than mixing the versions.
TEST_F(Sweep, AnInputChangedDuringTheRunsFailsTheRunsThatMayHaveReadIt) {
  const ExperimentPlan p = plan(kTwoPointsTwoSeeds);
  prepareExperimentFolder(p, out(), false);
  // The same value, written longer: other bytes, the same run.
  const std::string program = failingProgram("*/0001) sed -i '10s/$/0/' '" + inputs.dir.file("in/price.txt") + "';;");
  std::vector<std::string> ended;
  EXPECT_EQ(runLocally(program, out(), p, {0, 1, 2, 3}, 1,
                       [&](const PlannedRun& r, bool done) { ended.push_back(r.name + (done ? " done" : " failed")); }),
            3);
  EXPECT_EQ(ended, (std::vector<std::string>{"0000 done", "0001 failed", "0002 failed", "0003 failed"}));
  std::string message;
  EXPECT_EQ(runOutcome(out(), p.runs[2], &message), RunOutcome::Failed);
  EXPECT_NE(message.find("in/price.txt' changed while the runs were under way"), std::string::npos) << message;

  // The same in the workers of this very program, which check the inputs
  // of the runs they ran themselves.
  const ExperimentPlan again = plan(kTwoPointsTwoSeeds);
  const std::string other = inputs.dir.file("other");
  prepareExperimentFolder(again, other, false);
  const std::string price = inputs.dir.file("in/price.txt");
  const std::string self = inProcessProgram(
      "0001", [price] { static_cast<void>(std::system(("sed -i '10s/$/0/' '" + price + "'").c_str())); });
  ended.clear();
  EXPECT_EQ(runLocally(self, other, again, {0, 1, 2, 3}, 1,
                       [&](const PlannedRun& r, bool done) { ended.push_back(r.name + (done ? " done" : " failed")); }),
            3);
  EXPECT_EQ(ended, (std::vector<std::string>{"0000 done", "0001 failed", "0002 failed", "0003 failed"}));
  EXPECT_EQ(runOutcome(other, again.runs[3], &message), RunOutcome::Failed);
  EXPECT_NE(message.find("in/price.txt' changed while the runs were under way"), std::string::npos) << message;
}

}  // namespace
}  // namespace vk
