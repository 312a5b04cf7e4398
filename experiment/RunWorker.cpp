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

// A request is its length, then the log and the words, each ended by a NUL.
std::string requestOf(const std::vector<std::string>& words, const std::string& log) {
  std::string body = log + '\0';
  for (const std::string& word : words) body += word + '\0';
  const auto size = static_cast<std::uint32_t>(body.size());
  return std::string(reinterpret_cast<const char*>(&size), sizeof size) + body;
}

bool receiveRequest(int connection, std::vector<std::string>& words, std::string& log) {
  std::uint32_t size = 0;
  if (!receiveAll(connection, reinterpret_cast<char*>(&size), sizeof size)) return false;
  std::string body(size, '\0');
  if (!receiveAll(connection, body.data(), size)) return false;
  words.clear();
  std::size_t start = body.find('\0') + 1;
  log = body.substr(0, start - 1);
  for (std::size_t end; (end = body.find('\0', start)) != std::string::npos; start = end + 1)
    words.push_back(body.substr(start, end - start));
  return true;
}

// Between runs the standard streams lead nowhere, so that nothing of the
// worker's lands in a finished run's log.
bool silence(int nothing) { return ::dup2(nothing, STDOUT_FILENO) >= 0 && ::dup2(nothing, STDERR_FILENO) >= 0; }

int runOne(const CommandRunner& runner, const std::vector<std::string>& words, const std::string& log, int home,
           int nothing) {
  // Each run starts in the pool's folder, whichever folder the run before
  // changed into.
  if (::fchdir(home) != 0) return kCannotStart;
  const int out = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(out, STDERR_FILENO) < 0) {
    if (out >= 0) ::close(out);
    if (!silence(nothing)) ::_exit(kCannotStart);
    return kCannotStart;
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
  if (!silence(nothing)) ::_exit(kCannotStart);
  return code;
}

[[noreturn]] void serve(int connection, const CommandRunner& runner) {
  const int home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (home < 0 || nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 || !silence(nothing)) ::_exit(kCannotStart);
  std::vector<std::string> words;
  std::string log;
  while (receiveRequest(connection, words, log)) {
    const std::int32_t code = runOne(runner, words, log, home, nothing);
    if (!sendAll(connection, reinterpret_cast<const char*>(&code), sizeof code)) break;
  }
  // The pool closed the connection: no more runs.
  ::_exit(0);
}

}  // namespace

RunWorker::~RunWorker() {
  if (!started()) return;
  // A run still under way when the pool gives up is ended: it has no mark
  // and is run again on resume.
  if (busy_) ::kill(pid_, SIGKILL);
  end();
}

void RunWorker::start(const CommandRunner& runner, const std::vector<int>& inherited) {
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
    serve(ends[1], runner);
  }
  ::close(ends[1]);
  pid_ = pid;
  connection_ = ends[0];
  busy_ = false;
}

bool RunWorker::send(const std::vector<std::string>& words, const std::string& log) {
  const std::string request = requestOf(words, log);
  if (!sendAll(connection_, request.data(), request.size())) {
    end();
    return false;
  }
  busy_ = true;
  return true;
}

int RunWorker::receive() {
  std::int32_t code = 0;
  busy_ = false;
  if (!receiveAll(connection_, reinterpret_cast<char*>(&code), sizeof code)) return end();
  return W_EXITCODE(code & 0xff, 0);
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
