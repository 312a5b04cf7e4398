// A calibration folder read back for status and the charts: the columns
// found by the header and the description's ranges, failed candidates and
// the start point's missing loss, the report's rows, a folder whose
// calibration has not finished, damaged files named with their line, and
// the best loss so far of each search.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "calibration/Calibration.h"
#include "calibration/CalibrationOutputs.h"
#include "io/RunError.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

// The ranges in another order than the columns: the columns decide.
const char* const kRecord =
    "inputs = \"demo\"\n[estimate]\ndelta = { from = 0.002, to = 0.008 }\npopsize = { from = 20, to = 200 }\n"
    "[moments]\nuse = [\"std\", \"acf_r_1\"]\n\n[provenance]\nversion = \"1\"\n";

const char* const kEvaluations =
    "evaluation,step,generation,candidate,popsize,delta,std,acf_r_1,loss,status,message\n"
    "0,start,0,0,100,0.00435,0.02,0.2,,done,\n"
    "1,search1,0,0,50,0.00300,0.01,0.1,4.5,done,\n"
    "2,search1,0,1,60,0.00700,,,inf,failed,\"killed, then again\"\n"
    "3,search1,1,0,70,0.00400,0.015,0.05,2.25,done,\n"
    "4,search1,1,1,80,0.00500,0.016,0.06,3,done,\n"
    "5,weights,0,0,70,0.00400,0.015,0.05,2.25,done,\n"
    "6,search2,0,0,75,0.00410,0.015,0.04,9,done,\n"
    "7,search2,0,1,72,0.00420,0.014,0.03,7,done,\n";

const char* const kReport =
    "row,name,value,standard_error,lower_95,upper_95,identified,actual,start,t_ratio\n"
    "parameter,popsize,72,10,52.4,91.6,yes,,100,\n"
    "parameter,delta,0.0042,,,,no,,0.00435,\n"
    "moment,std,0.014,,0.011,0.017,,0.0141,0.02,0.05\n"
    "moment,acf_r_1,0.03,,,,,-0.003,0.2,-0.4\n"
    "fit,loss,7,,,,,,,\n"
    "fit,paths,30,,,,,,,\n";

class CalibrationOutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("calibration.toml", kRecord);
    dir.write("evaluations.csv", kEvaluations);
  }
  std::string folder() const { return dir.path().string(); }

  testing::TempDir dir;
};

TEST_F(CalibrationOutputsTest, ARunningCalibrationReadsAsFarAsItGot) {
  const CalibrationOutputs out = readCalibrationOutputs(folder());
  ASSERT_EQ(out.parameters.size(), 2u);
  EXPECT_EQ(out.parameters[0].name, "popsize");
  EXPECT_EQ(out.parameters[0].from, 20);
  EXPECT_EQ(out.parameters[1].to, 0.008);
  EXPECT_EQ(out.moments, (std::vector<std::string>{"std", "acf_r_1"}));
  ASSERT_EQ(out.evaluations.size(), 8u);
  const Evaluation& start = out.evaluations[0];
  EXPECT_EQ(start.values, (std::vector<double>{100, 0.00435}));
  EXPECT_TRUE(std::isnan(start.loss));
  const Evaluation& failed = out.evaluations[2];
  EXPECT_FALSE(failed.done);
  EXPECT_TRUE(failed.moments.empty());
  EXPECT_EQ(failed.loss, INFINITY);
  EXPECT_EQ(failed.message, "killed, then again");
  EXPECT_EQ(out.evaluations[7].step, "search2");
  EXPECT_EQ(out.evaluations[7].moments, (std::vector<double>{0.014, 0.03}));
  EXPECT_FALSE(out.finished);
  EXPECT_TRUE(out.estimate.empty());
}

TEST_F(CalibrationOutputsTest, AFinishedCalibrationAddsTheEstimateAndTheFit) {
  dir.write("report.csv", kReport);
  const CalibrationOutputs out = readCalibrationOutputs(folder());
  ASSERT_TRUE(out.finished);
  ASSERT_EQ(out.estimate.size(), 2u);
  EXPECT_TRUE(out.estimate[0].identified);
  EXPECT_EQ(out.estimate[0].lower, 52.4);
  EXPECT_FALSE(out.estimate[1].identified);
  EXPECT_TRUE(std::isnan(out.estimate[1].standardError));
  EXPECT_EQ(out.estimate[1].start, 0.00435);
  ASSERT_EQ(out.fit.size(), 2u);
  EXPECT_EQ(out.fit[0].actual, 0.0141);
  EXPECT_EQ(out.fit[0].fitted, 0.014);
  EXPECT_EQ(out.fit[0].upper, 0.017);
  EXPECT_TRUE(std::isnan(out.fit[1].lower));
  EXPECT_EQ(out.fit[1].tRatio, -0.4);
  EXPECT_EQ(out.loss, 7);
}

// Each search minimises under its own weights, so the second's best starts
// anew; a failed candidate never counts, and the other steps have none.
TEST_F(CalibrationOutputsTest, TheBestSoFarBelongsToEachSearch) {
  const std::vector<double> best = bestLossSoFar(readCalibrationOutputs(folder()).evaluations);
  ASSERT_EQ(best.size(), 8u);
  EXPECT_TRUE(std::isnan(best[0]));
  EXPECT_EQ(best[1], 4.5);
  EXPECT_EQ(best[2], 4.5);
  EXPECT_EQ(best[3], 2.25);
  EXPECT_EQ(best[4], 2.25);
  EXPECT_TRUE(std::isnan(best[5]));
  EXPECT_EQ(best[6], 9);
  EXPECT_EQ(best[7], 7);
  const CalibrationStatus status = calibrationStatus(folder());
  EXPECT_EQ(status.evaluations, 8);
  EXPECT_EQ(status.failed, 1);
  EXPECT_EQ(status.step, "search2");
  EXPECT_EQ(status.bestLoss, 7);
  EXPECT_FALSE(status.finished);
}

void expectRefusal(const std::string& dir, const std::string& named) {
  try {
    readCalibrationOutputs(dir);
    ADD_FAILURE() << "read without complaint; expected a refusal naming " << named;
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
  }
}

TEST_F(CalibrationOutputsTest, DamagedFilesAreNamedWithTheirLine) {
  dir.write("evaluations.csv", std::string(kEvaluations) + "8,search2,1,0,74,x.1,0.01,0.02,3,done,\n");
  expectRefusal(folder(), "evaluations.csv, line 10: 'x.1' in column delta");
  dir.write("evaluations.csv", std::string(kEvaluations) + "8,search2,1,0,74\n");
  expectRefusal(folder(), "evaluations.csv, line 10: 5 fields");
  dir.write("evaluations.csv",
            "evaluation,step,generation,candidate,gap2,delta,std,loss,status,message\n0,start,0,0,1,2,3,,done,\n");
  expectRefusal(folder(), "the column gap2 is no parameter");
  dir.write("evaluations.csv", kEvaluations);
  dir.write("report.csv", std::string(kReport) + "moment,mean,,,,,,1,2,3\n");
  expectRefusal(folder(), "report.csv, line 8");
  dir.write("calibration.toml", "[estimate]\ndelta = 0.004\n");
  expectRefusal(folder(), "estimate.delta has no range");
  expectRefusal(dir.file("none"), "none/evaluations.csv");
}

}  // namespace
}  // namespace vk
