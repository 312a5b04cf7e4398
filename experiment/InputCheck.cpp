#include "experiment/InputCheck.h"

#include <sys/stat.h>

#include "experiment/Sha256.h"
#include "io/RunError.h"

namespace vk {

InputCheck::InputCheck(const std::vector<std::pair<std::string, std::string>>& recorded)
    : recorded_(recorded.begin(), recorded.end()) {}

const std::string& InputCheck::currentHash(const std::string& file) {
  struct stat info;
  if (::stat(file.c_str(), &info) != 0) throwFileError("read", file, errno);
  Seen now;
  now.device = info.st_dev;
  now.inode = info.st_ino;
  now.size = info.st_size;
  now.changedSeconds = info.st_ctim.tv_sec;
  now.changedNanoseconds = info.st_ctim.tv_nsec;
  Seen& seen = seen_[file];
  if (seen.hash.empty() || seen.device != now.device || seen.inode != now.inode || seen.size != now.size ||
      seen.changedSeconds != now.changedSeconds || seen.changedNanoseconds != now.changedNanoseconds) {
    now.hash = sha256OfFile(file);
    seen = now;
  }
  return seen.hash;
}

std::string InputCheck::problemOf(const PlannedRun& run) {
  for (const std::string* file : {&run.price, &run.data, &run.wdata}) {
    const auto recorded = recorded_.find(*file);
    if (recorded == recorded_.end()) continue;
    try {
      const std::string& now = currentHash(*file);
      if (now != recorded->second)
        return "the input " + quoted(*file, std::string::npos) + " changed while the runs were under way (SHA-256 " +
               now.substr(0, 12) + "..., recorded " + recorded->second.substr(0, 12) +
               "...): the run may have read either version";
    } catch (const RunError& e) {
      return std::string("an input changed while the runs were under way: ") + e.what();
    }
  }
  return std::string();
}

}  // namespace vk
