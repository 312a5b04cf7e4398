#pragma once
// Another program started as a child of this one, its standard input
// /dev/null and its output and errors together in one file.
#include <sys/types.h>

#include <string>
#include <vector>

namespace vk {

enum class ChildOutput {
  Append,   // to the end of an existing file: a run's log
  Replace,  // a new file, or one emptied first
};

// Starts words[0] with the arguments that follow, looked up on PATH when it
// names no folder. Returns the child's id, or -1 with the reason in *error
// (an errno value).
pid_t startChild(const std::vector<std::string>& words, const std::string& outputFile, ChildOutput output, int* error);

// Waits for the child to end, through interrupting signals; its wait status.
int waitForChild(pid_t child);

}  // namespace vk
