// Calibrations run through the program itself on a small market: resuming
// writes what an uninterrupted run writes whatever the jobs, a folder of
// another calibration is refused, killed runs are retried once and then
// fail with an infinite loss, and a moment the actual changes leave
// undefined is refused by name.
#include <sys/stat.h>

#include <filesystem>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "analysis/ResultLine.h"
#include "calibration/BatchRecord.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationOutputs.h"
#include "calibration/CandidateBatch.h"
#include "experiment/ExperimentLock.h"
#include "experiment/Sha256.h"
#include "io/RunError.h"
#include "tests/experiment/ExperimentInputs.h"

namespace vk {
namespace {

namespace fs = std::filesystem;

const double kInfinityLoss = std::numeric_limits<double>::infinity();

const std::string kDescription =
    "inputs = \"in\"\nmode = \"write\"\n"
    "[estimate]\ndelta = { from = 0.003, to = 0.006 }\ngap2 = { from = 0.1, to = 0.5 }\n"
    "[moments]\nuse = [\"std\", \"mean\", \"acf_abs_1\"]\nweights = \"identity\"\n"
    "[replications]\nseeds = 2\n[search]\nbudget = 12\nseed = 4\n";

class CalibrationRunTest : public ::testing::Test {
 protected:
  CalibrationDescription description(const std::string& text = kDescription) {
    return readCalibrationDescription(inputs.description(text));
  }

  void calibrate(const std::string& dir, int jobs, const std::string& text = kDescription, bool replace = false) {
    CalibrationSettings s;
    s.dir = inputs.dir.file(dir);
    s.program = VELQUIN_CLI;
    s.engine.jobs = jobs;
    s.replace = replace;
    runCalibration(description(text), s);
  }

  std::string read(const std::string& name) const { return testing::readWholeFile(inputs.dir.file(name)); }

  testing::ExperimentInputs inputs;
};

TEST_F(CalibrationRunTest, AResumedRunWritesWhatAnUninterruptedOneWrites) {
  calibrate("whole", 1);
  const std::string evaluations = read("whole/evaluations.csv");
  // The start, two generations of six and the final batches: the estimate,
  // delta on either side and gap2 below the end of its range only, at a
  // twentieth of each range, then at a tenth and a fifth, as on this tiny
  // market neither column stands out of the simulation's noise before.
  EXPECT_EQ(std::count(evaluations.begin(), evaluations.end(), '\n'), 1 + 1 + 12 + 4 + 3 + 3);
  EXPECT_NE(evaluations.find("\n12,search1,1,5,"), std::string::npos) << evaluations;
  EXPECT_NE(evaluations.find("\n16,final,0,3,0.00396,0.48000,"), std::string::npos) << evaluations;
  EXPECT_NE(evaluations.find("\n22,final,2,2,0.00396,0.42000,"), std::string::npos) << evaluations;

  // As if killed inside the second generation: its record never written,
  // its runs half done.
  fs::copy(inputs.dir.file("whole"), inputs.dir.file("cut"), fs::copy_options::recursive);
  for (const char* name : {"batches/b0002.txt", "batches/b0003.txt", "report.txt", "report.csv", "estimate"})
    fs::remove_all(inputs.dir.file(std::string("cut/") + name));
  fs::create_directories(inputs.dir.file("cut/work/runs/c000-s00"));
  std::size_t end = 0;
  for (int line = 0; line < 1 + 1 + 6; ++line) end = evaluations.find('\n', end) + 1;
  inputs.dir.write("cut/evaluations.csv", evaluations.substr(0, end));
  const CalibrationStatus cut = calibrationStatus(inputs.dir.file("cut"));
  EXPECT_EQ(cut.evaluations, 7);
  EXPECT_EQ(cut.step, "search1");
  EXPECT_EQ(cut.generation, 0);
  EXPECT_FALSE(cut.finished);
  EXPECT_GT(cut.bestLoss, 0.0);
  EXPECT_LT(cut.bestLoss, 1.0);
  calibrate("cut", 2);
  EXPECT_EQ(read("cut/evaluations.csv"), evaluations);
  EXPECT_EQ(read("cut/report.csv"), read("whole/report.csv"));
  EXPECT_EQ(read("cut/estimate/para.txt"), read("whole/estimate/para.txt"));
  EXPECT_FALSE(fs::exists(inputs.dir.file("cut/work")));
  const CalibrationStatus whole = calibrationStatus(inputs.dir.file("whole"));
  EXPECT_EQ(whole.evaluations, 23);
  EXPECT_EQ(whole.step, "final");
  EXPECT_TRUE(whole.finished);
  EXPECT_LE(whole.bestLoss, cut.bestLoss);
}

// The second search starts from the first's last generation scored under the
// new weights; one of those may stay its best, and status must show that
// best as the run itself and its report do.
TEST_F(CalibrationRunTest, StatusCountsWhatTheSecondSearchCarriedOver) {
  std::string text = kDescription;
  text.replace(text.find("\"identity\""), 10, "\"simulated\"");
  CalibrationSettings s;
  s.dir = inputs.dir.file("whole");
  s.program = VELQUIN_CLI;
  std::string secondBest;
  s.say = [&](const std::string& line) {
    if (line.rfind("search2 generation ", 0) == 0) secondBest = line.substr(line.rfind(' ') + 1);
  };
  runCalibration(description(text), s);
  ASSERT_FALSE(secondBest.empty());
  const CalibrationStatus whole = calibrationStatus(s.dir);
  EXPECT_TRUE(whole.finished);
  EXPECT_EQ(whole.bestLoss, readCalibrationOutputs(s.dir).loss);
  EXPECT_EQ(exactNumber(whole.bestLoss), secondBest);

  // As if stopped before the final batches.
  fs::copy(s.dir, inputs.dir.file("cut"), fs::copy_options::recursive);
  const std::string evaluations = read("whole/evaluations.csv");
  const std::size_t finalRows = evaluations.rfind('\n', evaluations.find(",final,")) + 1;
  inputs.dir.write("cut/evaluations.csv", evaluations.substr(0, finalRows));
  for (const char* name : {"report.txt", "report.csv", "estimate"})
    fs::remove_all(inputs.dir.file(std::string("cut/") + name));
  const CalibrationStatus cut = calibrationStatus(inputs.dir.file("cut"));
  EXPECT_EQ(cut.step, "search2");
  EXPECT_FALSE(cut.finished);
  EXPECT_EQ(exactNumber(cut.bestLoss), secondBest);
  double ownRows = kInfinityLoss;
  for (const Evaluation& e : readCalibrationOutputs(inputs.dir.file("cut")).evaluations)
    if (e.step == "search2") ownRows = std::min(ownRows, e.loss);
  // On this market a carried-over candidate beats every row of the second
  // search's own.
  EXPECT_LT(cut.bestLoss, ownRows);
}

TEST_F(CalibrationRunTest, AFolderOfAnotherCalibrationIsRefusedUnlessReplaced) {
  calibrate("out", 2);
  std::string other = kDescription;
  other.replace(other.find("seed = 4"), 8, "seed = 5");
  try {
    calibrate("out", 2, other);
    ADD_FAILURE() << "accepted";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("holds another calibration"), std::string::npos) << e.what();
  }
  calibrate("out", 2, other, true);
  EXPECT_NE(read("out/calibration.toml").find("seed = 5"), std::string::npos);
  {
    // One calibration owns its folder at a time.
    const ExperimentLock holder(inputs.dir.file("out"), "calibrate run");
    try {
      calibrate("out", 2, other, true);
      ADD_FAILURE() << "accepted while another owns the folder";
    } catch (const RunError& e) {
      EXPECT_NE(std::string(e.what()).find("calibrate run"), std::string::npos) << e.what();
    }
  }
  fs::create_directories(inputs.dir.file("plain"));
  inputs.dir.write("plain/notes.txt", "mine");
  EXPECT_THROW(calibrate("plain", 2), RunError);
}

TEST_F(CalibrationRunTest, AMomentUndefinedOnTheActualChangesIsRefusedByName) {
  std::string text = kDescription;
  text.replace(text.find("\"acf_abs_1\""), 11, "\"volume_abs_corr\"");
  try {
    calibrate("out", 2, text);
    ADD_FAILURE() << "accepted";
  } catch (const RunError& e) {
    EXPECT_NE(
        std::string(e.what()).find("the moment volume_abs_corr is undefined on the actual changes of weeks 73..90"),
        std::string::npos)
        << e.what();
  }
}

// A stand-in for the program whose runs are killed: every time, or only the
// first time each run starts.
std::string killingProgram(const testing::TempDir& dir, bool always) {
  const std::string script = dir.file(always ? "always.sh" : "once.sh");
  dir.write(
      always ? "always.sh" : "once.sh",
      std::string("#!/bin/sh\n") +
          (always
               ? "kill -9 $$\n"
               : "mark=\"" + dir.file("marks") +
                     "/$(basename \"$3\")\"\n"
                     "if [ ! -e \"$mark\" ]; then mkdir -p \"$(dirname \"$mark\")\"; : > \"$mark\"; kill -9 $$; fi\n") +
          "exec \"" + VELQUIN_CLI + "\" \"$@\"\n");
  ::chmod(script.c_str(), 0755);
  return script;
}

TEST_F(CalibrationRunTest, KilledRunsAreRetriedOnceThenFail) {
  const CalibrationDescription c = description();
  const std::vector<Candidate> candidates = {makeCandidate(c, {0.004, 0.2}), makeCandidate(c, {0.005, 0.3})};
  BatchEngine pool;
  pool.jobs = 2;
  const BatchMoments plain = runBatch(c, candidates, inputs.dir.file("plain"), VELQUIN_CLI, pool);
  const BatchMoments retried =
      runBatch(c, candidates, inputs.dir.file("retried"), killingProgram(inputs.dir, false), pool);
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    ASSERT_TRUE(plain.candidates[i].done) << plain.candidates[i].reason;
    ASSERT_TRUE(retried.candidates[i].done) << retried.candidates[i].reason;
    EXPECT_EQ(retried.candidates[i].paths, plain.candidates[i].paths);
    EXPECT_EQ(plain.candidates[i].paths.rows(), 6);
  }
  const BatchMoments killed =
      runBatch(c, candidates, inputs.dir.file("killed"), killingProgram(inputs.dir, true), pool);
  for (const CandidateMoments& m : killed.candidates) {
    EXPECT_FALSE(m.done);
    EXPECT_NE(m.reason.find("seed 0: the run was killed by signal 9"), std::string::npos) << m.reason;
  }
}

// An array task reads the description again: one that changed after the
// batch was submitted would run other candidates than the calibration asked
// for, so the task refuses; so it does a damaged list of candidates.
TEST_F(CalibrationRunTest, AnArrayTaskRefusesADescriptionChangedSinceTheBatch) {
  const CalibrationDescription c = description();
  fs::create_directories(inputs.dir.path() / "work");
  inputs.dir.write("work/batch.txt", c.sourceName + "\n" + sha256Hex(c.text + " ") + "\n0.004 0.2\n");
  try {
    runBatchTask(inputs.dir.file("work"), 0, VELQUIN_CLI);
    ADD_FAILURE() << "the task ran";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("changed after the calibration submitted this batch"), std::string::npos)
        << e.what();
  }
  inputs.dir.write("work/batch.txt", c.sourceName + "\n" + sha256Hex(c.text) + "\n0.004\n");
  try {
    runBatchTask(inputs.dir.file("work"), 0, VELQUIN_CLI);
    ADD_FAILURE() << "the task ran";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("batch.txt, line 3: 1 values where the description estimates 2"),
              std::string::npos)
        << e.what();
  }
}

TEST_F(CalibrationRunTest, BootstrapWeightsComeFromBlocksOfTheActualChanges) {
  std::string text = kDescription;
  text.replace(text.find("\"identity\""), 10, "\"bootstrap\"");
  calibrate("out", 2, text);
  const std::string report = read("out/report.txt");
  // 18 simulated weeks: blocks of round(18^(1/3)) = 3.
  EXPECT_NE(report.find("weights bootstrap"), std::string::npos) << report;
  EXPECT_NE(report.find("moving-block bootstrap resamples of the actual changes, blocks of 3 weeks"), std::string::npos)
      << report;
  EXPECT_NE(report.find("No J test"), std::string::npos) << report;
  // The actual std's band in report.csv holds the actual std.
  const std::string csv = read("out/report.csv");
  const std::size_t at = csv.find("\nmoment,std,");
  ASSERT_NE(at, std::string::npos) << csv;
  const std::vector<std::string> f = splitDelimited(csv.substr(at + 1, csv.find('\n', at + 1) - at - 1), ',');
  ASSERT_EQ(f.size(), 10u) << csv;
  EXPECT_LT(std::stod(f[4]), std::stod(f[7]));
  EXPECT_GT(std::stod(f[5]), std::stod(f[7]));
}

TEST_F(CalibrationRunTest, InputsThatChangeWhileItRunsAreRefused) {
  // A stand-in whose every run first adds a week to the data file.
  const std::string script = inputs.dir.file("changing.sh");
  inputs.dir.write("changing.sh", "#!/bin/sh\necho 0 >> \"" + inputs.dir.file("in/data.txt") + "\"\nexec \"" +
                                      VELQUIN_CLI + "\" \"$@\"\n");
  ::chmod(script.c_str(), 0755);
  CalibrationSettings s;
  s.dir = inputs.dir.file("out");
  s.program = script;
  s.engine.jobs = 2;
  try {
    runCalibration(description(), s);
    ADD_FAILURE() << "accepted";
  } catch (const RunError& e) {
    // Told by the calibration, or by the first run that read the file.
    const std::string what = e.what();
    EXPECT_TRUE(what.find("changed while the calibration ran") != std::string::npos ||
                what.find("data.txt' changed while the runs were under way") != std::string::npos)
        << what;
  }
  // Only the start point ran.
  EXPECT_TRUE(fs::exists(inputs.dir.file("out/batches/b0000.txt")));
  EXPECT_FALSE(fs::exists(inputs.dir.file("out/batches/b0001.txt")));
}

TEST_F(CalibrationRunTest, CandidatesSitOnWholeNumbersAndTheFiveDecimals) {
  const CalibrationDescription c = description(
      "inputs = \"in\"\n[estimate]\npopsize = { from = 6, to = 20 }\ndelta = { from = 0.003, to = 0.006 }\n"
      "[moments]\nuse = [\"std\"]\n[search]\nbudget = 20\n");
  const Candidate a = makeCandidate(c, {11.6, 0.0045678});
  EXPECT_EQ(a.values, (std::vector<double>{12, 0.00457}));
  EXPECT_NE(a.parameterText.find("\n12\n"), std::string::npos);
  // Beyond the range: held at its end.
  EXPECT_EQ(makeCandidate(c, {5.4, 0.0071}).values, (std::vector<double>{6, 0.006}));
}

}  // namespace
}  // namespace vk
