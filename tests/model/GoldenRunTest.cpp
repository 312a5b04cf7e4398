// Small end-to-end runs of every mode, compared byte for byte with the files
// kept in tests/data/golden/<mode>/. A change that moves one digit of any
// output shows up here and has to be explained.
//
// To accept a deliberate change of the output, regenerate the golden files:
//
//     VELQUIN_UPDATE_GOLDEN=1 ./test_golden
//
// which fails on purpose, since it compares nothing, and review the difference
// with git before committing it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "model/Display.h"
#include "model/Kernel.h"
#include "model/Seed.h"
#include "run/RunDriver.h"
#include "tests/io/CommaLocale.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WorkingDirectory;

const char* const kResult = "res";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void copyDemoInput(const TempDir& dir, const std::string& name, const std::string& as) {
  dir.write(as, readFile(fs::path(VELQUIN_DEMO_DIR) / name));
}

// The demo's data with a short path: 12 agents, weeks 53..90 of which 20
// train, two training passes, three paths.
std::string smallParameters(const std::string& mode) {
  return "0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n90\n20\n"
         "0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n3\n2\n" +
         mode + "\n";
}

const char* const kLoadingFile = "2\n3\n1 5 27\n0.5 -1 2\n1 1 1\n";

class GoldenRun : public ::testing::Test {
 protected:
  GoldenRun() {
    copyDemoInput(dir, "price.txt", "price.txt");
    copyDemoInput(dir, "data.txt", "data.txt");
    copyDemoInput(dir, "wdata.txt", "wdata.txt");
    fs::create_directory(dir.path() / kResult);
  }

  void run(const std::string& mode, const std::string& replayList = "") {
    dir.write("para.txt", smallParameters(mode));
    if (!replayList.empty()) dir.write("filename.txt", replayList);
    WorkingDirectory inside(dir.path());
    NullDisplay quiet;
    RunSimulation(kResult, "price.txt", "data.txt", quiet);
  }

  void runWithSeed(SeedNumber seed) {
    dir.write("para.txt", smallParameters("write"));
    WorkingDirectory inside(dir.path());
    NullDisplay quiet;
    RunSimulation(kResult, "price.txt", "data.txt", quiet, generatorSeedOf(seed));
  }

  // The result files, by name, without those a replay leaves as the "write"
  // run made them. The directory's lock file is no result; a run that
  // completed leaves in it only the record of the three paths written.
  std::map<std::string, std::string> results(bool replay) const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir.path() / kResult)) {
      const std::string name = entry.path().filename().string();
      if (name == "run.lock") {
        // The record names the kinds of file the paths hold; a replay's own follow.
        const std::string record = readFile(entry.path());
        EXPECT_EQ(record.rfind("paths 0-2\nfiles ", 0), 0u) << "a completed run leaves no mark: " << record;
        EXPECT_EQ(record.find("mode "), std::string::npos) << record;
        continue;
      }
      if (name == "loading.dat.98" || (replay && (name.rfind("rnd", 0) == 0 || name == "eval.txt"))) continue;
      files[name] = readFile(entry.path());
    }
    return files;
  }

  void compareWithGolden(const std::string& mode, bool replay = false) {
    const fs::path golden = fs::path(VELQUIN_TEST_DATA) / "golden" / mode;
    const std::map<std::string, std::string> actual = results(replay);
    if (std::getenv("VELQUIN_UPDATE_GOLDEN")) {
      fs::remove_all(golden);
      fs::create_directories(golden);
      for (const auto& [name, text] : actual) std::ofstream(golden / name, std::ios::binary) << text;
      // A rewriting run compares nothing, so it must not pass for a check.
      ADD_FAILURE() << "golden files of mode " << mode << " rewritten; review them with git diff and run "
                    << "again without VELQUIN_UPDATE_GOLDEN";
      return;
    }
    ASSERT_TRUE(fs::is_directory(golden)) << golden << " is missing; see the top of this file";
    std::map<std::string, std::string> expected;
    for (const auto& entry : fs::directory_iterator(golden))
      expected[entry.path().filename().string()] = readFile(entry.path());
    for (const auto& [name, text] : expected) {
      const auto found = actual.find(name);
      ASSERT_NE(found, actual.end()) << mode << ": " << name << " was not written";
      EXPECT_EQ(found->second, text) << mode << ": " << name << " differs";
    }
    for (const auto& [name, text] : actual) EXPECT_EQ(expected.count(name), 1u) << mode << ": unexpected file " << name;
  }

  // Each replay mode reruns paths that a "write" run stored just before it.
  void runEveryMode() {
    struct Case {
      const char* mode;
      const char* replayList;
    };
    for (const Case& c :
         {Case{"all", ""}, Case{"write", ""}, Case{"read", "res\n2\n0\n2\n"}, Case{"detail", "res\n5\n1\n1\n"},
          Case{"factor", "res\n1\n0\n"}, Case{"frequency", "res\n1\n2\n"}}) {
      SCOPED_TRACE(c.mode);
      fs::remove_all(dir.path() / kResult);
      fs::create_directory(dir.path() / kResult);
      const bool replay = *c.replayList != '\0';
      if (replay) run("write");
      dir.write("res/loading.dat.98", kLoadingFile);
      run(c.mode, c.replayList);
      compareWithGolden(c.mode, replay);
    }
  }

  TempDir dir;
};

// Forces one kernel of the model's inner loops for the runs of a test.
class ForcedKernel {
 public:
  explicit ForcedKernel(const std::string& name) { ::setenv("VELQUIN_KERNEL", name.c_str(), 1); }
  ~ForcedKernel() { ::unsetenv("VELQUIN_KERNEL"); }
};

class GoldenRunOnKernel : public GoldenRun, public ::testing::WithParamInterface<std::string> {};

// Every kernel this processor runs writes the same bytes.
TEST_P(GoldenRunOnKernel, EveryModeMatchesItsGoldenFiles) {
  const ModelKernel* kernel = nullptr;
  for (const ModelKernel* k : allKernels())
    if (k->name == GetParam()) kernel = k;
  ASSERT_NE(kernel, nullptr);
  if (!kernelRunsHere(*kernel)) GTEST_SKIP() << "this processor cannot run the " << GetParam() << " kernel";
  ForcedKernel forced(GetParam());
  ASSERT_EQ(chooseKernel().name, GetParam());
  runEveryMode();
}

INSTANTIATE_TEST_SUITE_P(Kernels, GoldenRunOnKernel, ::testing::Values("scalar", "avx2", "avx512"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
// A desktop program runs under its user's locale: where the decimal point is
// a comma, every mode still reads and writes the same bytes.
class GoldenRunUnderLocale : public GoldenRun, public ::testing::WithParamInterface<const char*> {};

TEST_P(GoldenRunUnderLocale, EveryModeMatchesItsGoldenFiles) {
  testing::CommaLocale comma(GetParam());
  SKIP_UNLESS_ACTIVE(comma, GetParam());
  runEveryMode();
}

INSTANTIATE_TEST_SUITE_P(CommaLocales, GoldenRunUnderLocale, ::testing::ValuesIn(testing::kCommaLocales));

// Seed 0 is the run without a seed; another seed changes the paths but not
// the actual rate's statistics.
TEST_F(GoldenRun, SeedZeroWritesTheGoldenBytesAndAnotherSeedOtherPaths) {
  runWithSeed(0);
  compareWithGolden("write");
  const auto fixed = results(false);
  runWithSeed(5);
  const auto seeded = results(false);
  ASSERT_EQ(seeded.size(), fixed.size());
  EXPECT_NE(seeded.at("r0000.csv"), fixed.at("r0000.csv"));
  EXPECT_NE(seeded.at("rnd0000.csv"), fixed.at("rnd0000.csv"));
  const auto actualStatistics = [](const std::string& eval) {
    const std::size_t line = eval.find("mean(real)");
    const std::size_t values = eval.find('\n', line) + 1;
    return eval.substr(values, eval.find('\n', values) - values);
  };
  const std::string fixedLine = actualStatistics(fixed.at("eval.txt"));
  const std::string seededLine = actualStatistics(seeded.at("eval.txt"));
  // Fields 2, 4, ... (mean(real), std(real), ...) are the actual rate's.
  const auto everySecondField = [](const std::string& line) {
    std::string kept;
    for (std::size_t i = 0, field = 0; i < line.size(); ++i) {
      if (line[i] == '\t')
        ++field;
      else if (field % 2 == 1)
        kept += line[i];
    }
    return kept;
  };
  EXPECT_EQ(everySecondField(seededLine), everySecondField(fixedLine));
  EXPECT_NE(seededLine, fixedLine);
}

TEST_F(GoldenRun, SameInputsGiveTheSameBytes) {
  run("all");
  const auto first = results(false);
  for (const auto& entry : fs::directory_iterator(dir.path() / kResult)) fs::remove(entry.path());
  run("all");
  EXPECT_EQ(results(false), first);
}

// A replay starts path 0 from its stored random state and, like the stored
// path, as the first path of its run: it repeats it exactly.
TEST_F(GoldenRun, ReplayRewritesTheFirstPathByteForByte) {
  run("write");
  const std::string stored = readFile(dir.path() / kResult / "r0000.csv");
  ASSERT_FALSE(stored.empty());
  run("read", "res\n1\n0\n");
  EXPECT_EQ(readFile(dir.path() / kResult / "r0000.csv"), stored);
}

}  // namespace
}  // namespace vk
