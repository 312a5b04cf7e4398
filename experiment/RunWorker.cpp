#include "experiment/RunWorker.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "io/RunError.h"

namespace vk {

namespace {

// What a worker answers when it could not even start the run's output: as
// a shell says of a command it could not start.
constexpr int kCannotStart = 127;

bool sendAll(int connection, const char* data, std::size_t size) {
  while (size > 0) {
    // A worker that died must not end the pool with SIGPIPE.
    const ssize_t sent = ::send(connection, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool receiveAll(int connection, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t got = ::recv(connection, data, size, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

// A message is its length, then its bytes.
bool sendMessage(int connection, const std::string& message) {
  const auto size = static_cast<std::uint32_t>(message.size());
  return sendAll(connection, reinterpret_cast<const char*>(&size), sizeof size) &&
         sendAll(connection, message.data(), message.size());
}

bool receiveMessage(int connection, std::string& message) {
  std::uint32_t size = 0;
  if (!receiveAll(connection, reinterpret_cast<char*>(&size), sizeof size)) return false;
  message.assign(size, '\0');
  return receiveAll(connection, message.data(), size);
}

// The worker's own folder and /dev/null, opened as it starts.
struct WorkerFiles {
  int home = -1;
  int nothing = -1;
};

WorkerFiles& workerFiles() {
  static WorkerFiles files;
  return files;
}

// Between runs the standard streams lead nowhere, so that nothing of the
// worker's lands in a finished run's log.
bool silence() {
  const int nothing = workerFiles().nothing;
  return ::dup2(nothing, STDOUT_FILENO) >= 0 && ::dup2(nothing, STDERR_FILENO) >= 0;
}

[[noreturn]] void serve(int connection, const WorkerTask& task) {
  WorkerFiles& files = workerFiles();
  files.home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  files.nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (files.home < 0 || files.nothing < 0 || ::dup2(files.nothing, STDIN_FILENO) < 0 || !silence())
    ::_exit(kCannotStart);
  std::string request;
  while (receiveMessage(connection, request)) {
    const std::int32_t answer = task(request);
    if (!sendAll(connection, reinterpret_cast<const char*>(&answer), sizeof answer)) break;
  }
  // The pool closed the connection: no more requests.
  ::_exit(0);
}

}  // namespace

int runCommandInWorker(const CommandRunner& runner, const std::vector<std::string>& words, const std::string& log) {
  const WorkerFiles& files = workerFiles();
  if (files.home < 0 || ::fchdir(files.home) != 0) return W_EXITCODE(kCannotStart, 0);
  const int out = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(out, STDERR_FILENO) < 0) {
    if (out >= 0) ::close(out);
    if (!silence()) ::_exit(kCannotStart);
    return W_EXITCODE(kCannotStart, 0);
  }
  ::close(out);
  int code = 1;
  try {
    code = runner(words);
  } catch (...) {
  }
  std::fflush(nullptr);
  // A write error of this run must not be taken for one of the next.
  std::clearerr(stdout);
  std::clearerr(stderr);
  if (!silence()) ::_exit(kCannotStart);
  return W_EXITCODE(code & 0xff, 0);
}

RunWorker::~RunWorker() {
  if (!started()) return;
  // A run still under way when the pool gives up is ended: it has no mark
  // and is run again on resume.
  if (busy_) ::kill(pid_, SIGKILL);
  end();
}

void RunWorker::start(const WorkerTask& task, const std::vector<int>& inherited) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    throw RunError(std::string("Cannot start a run worker: ") + std::strerror(errno));
  std::fflush(nullptr);  // or the worker would write the pool's pending output again
  const pid_t pid = ::fork();
  if (pid < 0) {
    const int error = errno;
    ::close(ends[0]);
    ::close(ends[1]);
    throw RunError(std::string("Cannot start a run worker: ") + std::strerror(error));
  }
  if (pid == 0) {
    // Another worker's connection held open here would keep that worker
    // from ever seeing the pool close it.
    for (int fd : inherited) ::close(fd);
    ::close(ends[0]);
    serve(ends[1], task);
  }
  ::close(ends[1]);
  pid_ = pid;
  connection_ = ends[0];
  busy_ = false;
}

bool RunWorker::send(const std::string& request) {
  if (!sendMessage(connection_, request)) {
    end();
    return false;
  }
  busy_ = true;
  return true;
}

std::optional<std::int32_t> RunWorker::receive(int* deathStatus) {
  std::int32_t answer = 0;
  busy_ = false;
  if (receiveAll(connection_, reinterpret_cast<char*>(&answer), sizeof answer)) return answer;
  *deathStatus = end();
  return std::nullopt;
}

int RunWorker::end() {
  ::close(connection_);
  connection_ = -1;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  busy_ = false;
  return status;
}

}  // namespace vk
