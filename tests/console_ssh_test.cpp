// A station reaching the console through OpenSSH: a real sshd started here on a loopback port
// with keys made for the test, the console on a simulated terminal as the other whole-process
// tests start it, and quorvane-plan --ssh running a plan through the forward it makes; a key the
// server does not take ends the run with an error and its record. Either way no ssh and no
// folder of the forward is left behind.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "plan/stop_request.h"
#include "tests/console_process_fixture.h"
#include "tools/unit_run/ssh_forward.h"

namespace {

namespace fs = std::filesystem;
using console_process_testing::ChildProcess;
using console_process_testing::ConsoleProcessTest;
using std::filesystem::path;
using namespace std::chrono_literals;

constexpr char kSshd[] = "/usr/sbin/sshd";

std::string FileText(const path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A loopback port nobody listens on right now; 0 when none could be had.
int FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  const bool bound = ::bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                     ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0;
  ::close(probe);
  return bound ? ntohs(address.sin_port) : 0;
}

bool Accepts(int port) {
  const int connection = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool accepted =
      ::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(connection);
  return accepted;
}

// How many processes run with `text` in their command line.
int ProcessesNaming(const std::string& text) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (FileText(entry.path() / "cmdline").find(text) != std::string::npos) ++count;
  }
  return count;
}

class ConsoleSshTest : public ConsoleProcessTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kSshd)) GTEST_SKIP() << kSshd << " is missing: openssh-server is not installed";
    fs::create_directories(Keys());
    for (const char* key : {"host_key", "user_key", "stranger_key"}) MakeKey(Keys() / key);
    fs::copy_file(Keys() / "user_key.pub", Keys() / "authorized_keys");
    std::ofstream(Keys() / "known_hosts") << "unit " << FileText(Keys() / "host_key.pub");
    port_ = FreePort();
    ASSERT_NE(port_, 0) << "no loopback port is free";
    std::ofstream(Keys() / "sshd_config")
        << "ListenAddress 127.0.0.1:" << port_ << "\nHostKey " << (Keys() / "host_key").string()
        << "\nPidFile " << (Keys() / "sshd.pid").string() << "\nAuthorizedKeysFile "
        << (Keys() / "authorized_keys").string()
        // The scratch folder lies under the world-writable /tmp.
        << "\nStrictModes no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
           "PermitRootLogin prohibit-password\n"
           "AllowStreamLocalForwarding local\nPermitTTY no\n";
    // sshd run by root separates its privileges in this folder, which its service makes.
    if (::geteuid() == 0) fs::create_directories("/run/sshd");
    sshd_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{kSshd, "-D", "-e", "-f", (Keys() / "sshd_config").string()},
        Keys());
    const auto give_up = std::chrono::steady_clock::now() + 20s;
    while (!Accepts(port_)) {
      ASSERT_FALSE(sshd_->Wait(0ms) || std::chrono::steady_clock::now() > give_up)
          << "sshd did not come up: " << sshd_->Errors();
      std::this_thread::sleep_for(10ms);
    }
  }

  void TearDown() override {
    if (!sshd_) return;
    ::kill(sshd_->pid(), SIGTERM);
    sshd_->Wait(10s);
  }

  path Keys() const { return temp_.path() / "ssh"; }

  static void MakeKey(const path& file) {
    ChildProcess keygen(
        {"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "", "-f", file.string()},
        file.parent_path());
    ASSERT_EQ(keygen.Wait(30s), 0) << keygen.Errors();
  }

  // The client's configuration for the Host "unit": this sshd, its key alone, known by the
  // test's own known_hosts, with `key` as the user's identity.
  path ClientConfig(const std::string& key) const {
    path config = Keys() / ("client_config_" + key);
    std::ofstream(config) << "Host unit\n  HostName 127.0.0.1\n  Port " << port_
                          << "\n  HostKeyAlias unit\n  IdentityFile " << (Keys() / key).string()
                          << "\n  IdentitiesOnly yes\n  IdentityAgent none\n  UserKnownHostsFile "
                          << (Keys() / "known_hosts").string()
                          << "\n  GlobalKnownHostsFile /dev/null\n  StrictHostKeyChecking yes\n";
    return config;
  }

  // This user at the Host "unit": sshd run by another user than root lets only that user in.
  static std::string Destination() {
    const passwd* user = ::getpwuid(::geteuid());
    return std::string(user ? user->pw_name : "root") + "@unit";
  }

  int port_ = 0;
  std::unique_ptr<ChildProcess> sshd_;
};

TEST_F(ConsoleSshTest, PlanRunsThroughTheForwardOrEndsWithSshsReason) {
  const auto console = StartConsole();
  const path plan = temp_.path() / "link.toml";
  // The default EAS channels are 1 to 12: the first read back through the forward is 1.
  std::ofstream(plan) << "name = \"link\"\n[[phase]]\nname = \"eas\"\n[[phase.step]]\n"
                         "command = 1034\n[[phase.step]]\n"
                         "measure = 'EAS ch\\[1\\]=(?<ch1>[0-9a-f]+) '\nnumber = \"hex\"\n"
                         "timeout_ms = 5000\nlimits.ch1 = { equals = 1 }\n";
  const struct {
    const char* key;
    int status;
    const char* outcome;
    const char* said;  // on standard error
  } kCases[] = {
      {"user_key", 0, "PASS", ""},
      {"stranger_key", 2, "ERROR", "Permission denied (publickey)"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    const path out = temp_.path() / c.key;
    const path tmp = out / "tmp";  // where the forward's folder goes
    fs::create_directories(tmp);
    const path config = ClientConfig(c.key);
    ChildProcess run(
        {QUORVANE_PLAN_BINARY, plan.string(), "--unit", "SN-7", "--out", (out / "records").string(),
         "--ssh", Destination(), "--ssh-config", config.string(), "--remote-socket",
         platform::ConsoleSocketIn(Sandbox()).string()},
        out, {{"TMPDIR", tmp.string()}});
    EXPECT_EQ(run.Wait(120s), c.status) << run.Output() << run.Errors() << sshd_->Errors();
    EXPECT_NE(run.Errors().find(c.said), std::string::npos) << run.Errors();
    std::vector<path> json;
    for (const auto& entry : fs::directory_iterator(out / "records")) {
      if (entry.path().extension() == ".json") json.push_back(entry.path());
    }
    ASSERT_EQ(json.size(), 1u);
    EXPECT_TRUE(fs::exists(path(json[0]).replace_extension(".xml")));
    const auto record = nlohmann::json::parse(FileText(json[0]));
    EXPECT_EQ(record["outcome"], c.outcome) << record.dump();
    EXPECT_NE(record.value("message", "").find(c.said), std::string::npos) << record.dump();
    if (c.status == 0) {
      EXPECT_EQ(record.at("phases").at(0).at("measurements").at(0).at("number"), 1);
    }
    EXPECT_EQ(ProcessesNaming(config.string()), 0) << "ssh still runs";
    EXPECT_TRUE(fs::is_empty(tmp)) << "the forward's folder is left";
  }
}

// The station forwards afresh for each unit within one process: ending the forward ends ssh and
// takes its folder away there and then, not only when the process ends.
TEST_F(ConsoleSshTest, EndedForwardLeavesNoSshAndNoFolder) {
  const auto console = StartConsole();
  const path config = ClientConfig("user_key");
  plan::StopRequest stop;
  unit_run::SshForward forward;
  std::string error;
  ASSERT_TRUE(
      forward.Start({Destination(), config, platform::ConsoleSocketIn(Sandbox())}, stop, error))
      << error << sshd_->Errors();
  EXPECT_TRUE(sender::ConsoleAnswers(forward.socket()));
  EXPECT_EQ(ProcessesNaming(config.string()), 1);
  const path folder = forward.socket().parent_path();
  forward.End();
  EXPECT_EQ(ProcessesNaming(config.string()), 0) << "ssh still runs";
  EXPECT_FALSE(fs::exists(folder));
}

}  // namespace
