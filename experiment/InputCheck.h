#pragma once
// The input files of an experiment's runs, checked against the SHA-256 the
// plan recorded once a run has read them: a file changed while the
// experiment ran would give runs that read either version, all reported as
// done under the old record.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "experiment/Plan.h"

namespace vk {

class InputCheck {
 public:
  explicit InputCheck(const std::vector<std::pair<std::string, std::string>>& recorded);

  // Empty when each input of the run still has its recorded SHA-256, else a
  // sentence naming the file that changed.
  std::string problemOf(const PlannedRun& run);

 private:
  // A file is hashed again only when its inode, size or time of change moved.
  struct Seen {
    unsigned long long device = 0, inode = 0;
    long long size = 0, changedSeconds = 0, changedNanoseconds = 0;
    std::string hash;
  };
  const std::string& currentHash(const std::string& file);

  std::map<std::string, std::string> recorded_;
  std::map<std::string, Seen> seen_;
};

}  // namespace vk
