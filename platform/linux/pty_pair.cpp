#include "platform/linux/pty_pair.h"

#include <fcntl.h>
#include <stdlib.h>

#include <array>
#include <cerrno>
#include <string>
#include <system_error>

namespace platform::posix {

namespace {

void Check(const CallResult& result, const char* call) {
  if (!result.ok()) throw std::system_error(result.error, std::generic_category(), call);
}

void CheckZero(int error, const char* call) {
  if (error != 0) throw std::system_error(error, std::generic_category(), call);
}

}  // namespace

PtyPair::PtyPair() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
  if (master_.get() < 0) CheckZero(errno, "posix_openpt");
  if (::grantpt(master_.get()) != 0) CheckZero(errno, "grantpt");
  if (::unlockpt(master_.get()) != 0) CheckZero(errno, "unlockpt");
  std::array<char, 128> name{};
  CheckZero(::ptsname_r(master_.get(), name.data(), name.size()), "ptsname_r");
  slave_ = name.data();

  // The master answers for the slave's termios, so this makes the slave raw.
  termios settings{};
  Check(GetAttributes(master_.get(), &settings), "tcgetattr on a pty master");
  ::cfmakeraw(&settings);
  Check(SetAttributes(master_.get(), settings), "tcsetattr on a pty master");

  const int flags = ::fcntl(master_.get(), F_GETFL);
  if (flags < 0 || ::fcntl(master_.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
    CheckZero(errno, "fcntl O_NONBLOCK on a pty master");
  }

  // Opened and let go once: from now on the master reports a hang-up whenever no program holds
  // the slave, which is how the simulator tells that nobody is on the line. A slave that was
  // never opened reports nothing and would take in bytes for a reader yet to come.
  const CallResult slave = Open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  Check(slave, ("open " + slave_.string()).c_str());
  const UniqueFd opened_once(static_cast<int>(slave.value));
}

termios PtyPair::SlaveSettings() const {
  termios settings{};
  Check(GetAttributes(master_.get(), &settings), "tcgetattr on a pty master");
  return settings;
}

}  // namespace platform::posix
