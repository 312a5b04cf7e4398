// Experiments at scale: a sweep of 100,000 short runs that keeps only the
// summaries (wall time, runs per second, processor time and peak memory of
// the engine, the engine's own processor time on top of the runs, disk per
// run), the disk a lean demo run takes, the plan of a million runs, and
// status, collect and the resume decision on experiments of 100,000 runs and
// of a million.
//
//   bench_scale [RUNS]        the sweep of RUNS runs (100000) and the rest
//   bench_scale --no-sweep    the plan, status and collect only
//
// Other work on the machine shares its cores: the sweep's figures are only
// meaningful on a quiet machine.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "experiment/Description.h"
#include "experiment/ExperimentRecord.h"
#include "experiment/LocalPool.h"
#include "experiment/Plan.h"
#include "experiment/RunFolder.h"
#include "model/Display.h"
#include "model/Seed.h"
#include "run/RunDriver.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Usage {
  double wall = 0;
  double cpu = 0;     // user and system, of the process and its children
  double peakMb = 0;  // the largest resident set among them
  int status = 0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; }

Usage waitFor(pid_t pid, Clock::time_point start) {
  Usage u;
  rusage r{};
  while (::wait4(pid, &u.status, 0, &r) < 0) {
  }
  u.wall = std::chrono::duration<double>(Clock::now() - start).count();
  u.cpu = seconds(r.ru_utime) + seconds(r.ru_stime);
  u.peakMb = static_cast<double>(r.ru_maxrss) / 1024.0;
  return u;
}

// Runs velquin-cli with the arguments in the folder; what it took. The
// peak memory is that of velquin-cli itself, not of the runs it starts.
Usage cli(const fs::path& folder, const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {VELQUIN_CLI};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid = -1;
  const Clock::time_point start = Clock::now();
  if (posix_spawn(&pid, words[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    std::perror("posix_spawn");
    std::exit(1);
  }
  posix_spawn_file_actions_destroy(&actions);
  return waitFor(pid, start);
}

// Runs the work in a child process of its own, so its peak memory is its own.
template <typename Work>
Usage inChild(Work work) {
  const Clock::time_point start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    work();
    std::fflush(stdout);
    ::_exit(0);
  }
  return waitFor(pid, start);
}

void write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

void shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// 12 agents, weeks 53..70 of which 10 train, one training pass, one path:
// a run of a few milliseconds, where the engine's own cost shows.
const char* const kShortRun =
    "0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n70\n10\n"
    "0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n1\n1\nwrite\n";
// The same with ten paths, for a table of ten rows per run.
const char* const kTenPaths =
    "0.00435\n6\n0.01088\n0.02176\n0.01538\n12\n53\n70\n10\n"
    "0.6\n0.02\n0.5\n0.3\n0.01\n0.25\n10\n1\nwrite\n";

std::uintmax_t bytesUnder(const fs::path& folder, std::uintmax_t* blocks) {
  std::uintmax_t bytes = 0;
  *blocks = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    struct stat s {};
    if (::lstat(entry.path().c_str(), &s) != 0) continue;
    *blocks += static_cast<std::uintmax_t>(s.st_blocks) * 512;
    if (entry.is_regular_file()) bytes += static_cast<std::uintmax_t>(s.st_size);
  }
  return bytes;
}

// The processor time of one short run by itself: the run driver called in
// one process, run after run, each into a fresh result folder with its own
// seed, as a sweep's runs are; the mean over `runs`.
double ownRunSeconds(const fs::path& inputs, int runs) {
  const Usage u = inChild([&] {
    if (::chdir(inputs.c_str()) != 0) std::exit(1);
    vk::NullDisplay nothing;
    for (int i = 0; i < runs; ++i) {
      const std::string result = "own-" + std::to_string(i);
      fs::create_directory(result);
      vk::RunSimulation(result, "price.txt", "data.txt", nothing, vk::generatorSeedOf(static_cast<vk::SeedNumber>(i)));
    }
  });
  return u.cpu / runs;
}

void sweepBench(const fs::path& root, int runs) {
  fs::create_directories(root / "short");
  for (const char* name : {"price.txt", "data.txt", "wdata.txt"})
    fs::copy_file(fs::path(VELQUIN_DEMO_DIR) / name, root / "short" / name);
  write(root / "short/para.txt", kShortRun);
  write(root / "lean.toml",
        "inputs = \"short\"\n[replications]\nseeds = " + std::to_string(runs) + "\n[output]\nkeep = \"summaries\"\n");
  const Usage u = cli(root, {"sweep", "run", "lean.toml", "--out", "lean", "--quiet"});
  std::uintmax_t blocks = 0;
  const std::uintmax_t bytes = bytesUnder(root / "lean/runs", &blocks);
  std::printf("sweep of %d short runs, summaries only, on %d cores: %.1f s wall, %.0f runs/s, exit %d\n", runs,
              vk::availableCores(), u.wall, runs / u.wall, WEXITSTATUS(u.status));
  std::printf("  processor time of the engine and its runs: %.2f ms per run; peak memory of the engine %.1f MB\n",
              u.cpu / runs * 1000, u.peakMb);
  std::printf("  disk per run: %.0f bytes of files, %.1f KB of blocks with the folders\n",
              static_cast<double>(bytes) / runs, static_cast<double>(blocks) / runs / 1024);
  // Planning, the run folders, handing the runs to the workers, the marks,
  // the facts summary and the compression: all that a sweep spends beyond
  // the runs themselves.
  const double own = ownRunSeconds(root / "short", std::min(runs, 2000));
  std::printf("  engine overhead: %.2f ms of processor time per run on top of the run's own %.2f ms\n",
              (u.cpu / runs - own) * 1000, own * 1000);
}

// A lean sweep of the demo itself: the disk a run of ten paths keeps.
void demoDiskBench(const fs::path& root) {
  const int runs = 4;
  fs::copy(VELQUIN_DEMO_DIR, root / "demo", fs::copy_options::recursive);
  write(root / "demo.toml", "inputs = \"demo\"\nmode = \"write\"\n[replications]\nseeds = " + std::to_string(runs) +
                                "\n[output]\nkeep = \"summaries\"\n");
  cli(root, {"sweep", "run", "demo.toml", "--out", "demo-lean", "--quiet"});
  std::uintmax_t blocks = 0;
  const std::uintmax_t bytes = bytesUnder(root / "demo-lean/runs", &blocks);
  std::printf("demo run, summaries only: %.0f bytes of files, %.1f KB of blocks with the folders\n",
              static_cast<double>(bytes) / runs, static_cast<double>(blocks) / runs / 1024);
}

// A finished lean run of the ten-path inputs, whose summaries the tables
// below link to.
fs::path oneLeanRun(const fs::path& root) {
  fs::create_directories(root / "ten");
  for (const char* name : {"price.txt", "data.txt", "wdata.txt"})
    fs::copy_file(fs::path(VELQUIN_DEMO_DIR) / name, root / "ten" / name, fs::copy_options::overwrite_existing);
  write(root / "ten/para.txt", kTenPaths);
  write(root / "one.toml", "inputs = \"ten\"\n[output]\nkeep = \"summaries\"\n");
  shell("cd '" + root.string() + "' && '" VELQUIN_CLI "' sweep run one.toml --out one --quiet");
  return root / "one/runs/0000";
}

std::string perRun(const Usage& u, int runs) {
  char text[64];
  std::snprintf(text, sizeof text, "peak memory %.1f MB (%.0f bytes per run)", u.peakMb, u.peakMb * 1048576 / runs);
  return text;
}

// An experiment of planRuns runs of the ten-path inputs, the first `done`
// of them finished with the same summaries, linked rather than copied.
void tableBench(const fs::path& root, const fs::path& one, int planRuns, int done) {
  const std::string name = "table-" + std::to_string(planRuns);
  write(root / (name + ".toml"),
        "inputs = \"ten\"\n[vary]\ndelta = { from = 0.00100, to = 0.01099, steps = 999 }\n"
        "[replications]\nseeds = " +
            std::to_string(planRuns / 1000) + "\n[output]\nkeep = \"summaries\"\n");
  const std::string description = (root / (name + ".toml")).string();
  const Usage plan = inChild([&] { vk::makePlan(vk::readDescription(description)); });
  std::printf("plan of %d runs: %.2f s, %s\n", planRuns, plan.wall, perRun(plan, planRuns).c_str());
  // A sampled design keeps every point's values, a grid only its axes: the
  // larger of the two plans, against the bound of 200 bytes per run.
  write(root / "lhs.toml",
        "inputs = \"ten\"\n[vary]\ndelta = { from = 0.00100, to = 0.01099 }\n"
        "popsize = { from = 10, to = 200 }\n[design]\nkind = \"lhs\"\nsamples = " +
            std::to_string(planRuns) + "\nseed = 3\n");
  const std::string sampled = (root / "lhs.toml").string();
  const Usage lhs = inChild([&] { vk::makePlan(vk::readDescription(sampled)); });
  std::printf("plan of %d runs of a Latin hypercube of two ranges: %.2f s, %s\n", planRuns, lhs.wall,
              perRun(lhs, planRuns).c_str());

  const std::string dir = (root / name).string();
  const vk::ExperimentPlan p = vk::makePlan(vk::readDescription(description));
  vk::prepareExperimentFolder(p, dir, false);
  vk::writeExperimentRecord(p, dir, "bench", "bench_scale");
  // A file takes at most 65,000 links: a copy of the run for every 50,000.
  fs::path copy;
  for (int id = 0; id < done; ++id) {
    if (id % 50000 == 0) {
      copy = root / (name + "-one-" + std::to_string(id));
      fs::copy(one, copy, fs::copy_options::recursive);
    }
    const fs::path folder = fs::path(dir) / "runs" / p.runs.name(id);
    fs::create_directories(folder / "result");
    for (const char* file : {"result/eval.txt.gz", "result/facts.csv.gz", "done"})
      fs::create_hard_link(copy / file, folder / file);
  }
  const Usage status = cli(root, {"sweep", "status", name});
  std::printf("  sweep status of %d runs, %d done: %.2f s, %s\n", planRuns, done, status.wall,
              perRun(status, planRuns).c_str());
  const Usage resume = inChild([&] { vk::unfinishedRuns(vk::recordedPlan(dir), dir); });
  std::printf("  resume decision (the record's plan remade, every run's mark read): %.2f s, %s\n", resume.wall,
              perRun(resume, planRuns).c_str());
  const Usage collect = cli(root, {"sweep", "collect", name, "--quiet"});
  std::uintmax_t rows = 0;
  std::ifstream table(dir + "/results.csv");
  for (std::string line; std::getline(table, line);) ++rows;
  std::printf(
      "  sweep collect: results.csv of %ju rows (%d runs of ten paths, %d pending) in %.2f s (%.2f s of "
      "processor), %s\n",
      rows - 1, done, planRuns - done, collect.wall, collect.cpu, perRun(collect, planRuns).c_str());
  fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
  const bool sweep = !(argc > 1 && std::strcmp(argv[1], "--no-sweep") == 0);
  const int runs = argc > 1 && sweep ? std::atoi(argv[1]) : 100000;
  const fs::path root = fs::temp_directory_path() / ("velquin-bench-scale-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (sweep) sweepBench(root, runs);
  demoDiskBench(root);
  const fs::path one = oneLeanRun(root);
  tableBench(root, one, 100000, 100000);
  tableBench(root, one, 1000000, 100000);
  fs::remove_all(root);
  return 0;
}
