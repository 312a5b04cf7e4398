#pragma once
// A scratch directory per test, removed afterwards, with helpers to write
// small input files into it.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace vk::testing {

class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        "velquin-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" + std::to_string(::getpid());
    for (char& c : name)
      if (c == '/') c = '-';  // parameterised tests have slashes in their names
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }

  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

  void write(const std::string& name, const std::string& text) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << text;
  }

  std::string read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

 private:
  std::filesystem::path path_;
};

// Runs the enclosing scope in a directory and goes back afterwards.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~WorkingDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

// A small market of 40 weeks in `dir`: price.txt (weeks -4..35) and
// data.txt (weeks 1..40), enough for the short runs of the tests.
inline void writeSmallMarket(const TempDir& dir) {
  std::string price, data;
  for (int line = 1; line <= 40; ++line) {
    price += std::to_string(4.0 + 0.01 * ((line * 7) % 5) - 0.002 * line) + "\n";
    for (int i = 1; i <= 14; ++i) data += std::to_string((line * i) % 7 - 3) + " ";
    data += "\n";
  }
  dir.write("price.txt", price);
  dir.write("data.txt", data);
}

}  // namespace vk::testing
