#include "tools/unit_run/tied_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace unit_run {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

pid_t StartTiedProcess(std::vector<std::string> args, std::vector<std::string> environment,
                       const std::filesystem::path& out, const std::filesystem::path& err,
                       std::string& error) {
  const std::vector<char*> argv = Pointers(args);
  const std::vector<char*> envp = Pointers(environment);
  const int in_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  int exec_failure[2] = {-1, -1};  // the child's errno when exec fails; a good exec closes it
  const bool ready =
      in_fd >= 0 && out_fd >= 0 && err_fd >= 0 && ::pipe2(exec_failure, O_CLOEXEC) == 0;
  int failure = errno;  // why not, when not
  sigset_t none;
  sigemptyset(&none);
  const pid_t parent = ::getpid();
  const pid_t pid = ready ? ::fork() : -1;
  if (pid == 0) {
    // Between fork and exec only what is safe in the child of a process with threads.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);  // the parent ended before the line above
    ::setpgid(0, 0);
    ::dup2(in_fd, STDIN_FILENO);
    ::dup2(out_fd, STDOUT_FILENO);
    ::dup2(err_fd, STDERR_FILENO);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execvpe(argv[0], argv.data(), envp.data());
    const int exec_errno = errno;
    [[maybe_unused]] const auto told = ::write(exec_failure[1], &exec_errno, sizeof exec_errno);
    ::_exit(127);
  }
  if (ready && pid < 0) failure = errno;
  for (int fd : {in_fd, out_fd, err_fd, exec_failure[1]}) {
    if (fd >= 0) ::close(fd);
  }
  int exec_errno = 0;
  if (pid > 0) {
    ssize_t got = 0;
    while ((got = ::read(exec_failure[0], &exec_errno, sizeof exec_errno)) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof exec_errno)) exec_errno = 0;
  }
  if (exec_failure[0] >= 0) ::close(exec_failure[0]);
  if (pid > 0 && exec_errno == 0) return pid;
  if (pid > 0) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    failure = exec_errno;
  }
  error = "cannot start " + args[0] + " (" + std::strerror(failure) + ")";
  return -1;
}

std::vector<std::string> OwnEnvironment() {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  return environment;
}

bool ReapedWithin(pid_t pid, std::chrono::milliseconds timeout, int* status) {
  const auto give_up = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int wait_status = 0;
    const pid_t reaped = ::waitpid(pid, &wait_status, WNOHANG);
    if (reaped == pid) {
      if (status) *status = wait_status;
      return true;
    }
    if (reaped < 0 && errno != EINTR) return true;
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void EndTiedProcess(pid_t pid, std::chrono::milliseconds grace) {
  // Only while the leader is not reaped can the group's id not have passed to another group.
  ::kill(-pid, SIGTERM);
  if (ReapedWithin(pid, grace)) return;
  ::kill(-pid, SIGKILL);
  ReapedWithin(pid, grace);
}

}  // namespace unit_run
