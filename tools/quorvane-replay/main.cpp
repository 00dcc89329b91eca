// quorvane-replay: plays the blocks a session record received back into the far ends of the
// simulated terminal's serial ports (see command_line.h and replay.h), so that what a console saw
// in the field arrives again at a console on this machine. What the record says of itself
// (lines it refused, lines or events missing) is told on standard error first. Exit status: 0
// when every block was written, 1 when the arguments are malformed, the record cannot be read or
// holds no received blocks, a far end cannot be had or a block was not taken in time.
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include "record/record_reader.h"
#include "sim/pty_relay.h"
#include "tools/quorvane-replay/command_line.h"
#include "tools/quorvane-replay/far_end.h"
#include "tools/quorvane-replay/replay.h"

namespace {

constexpr int kFailed = 1;

int Fail(const std::string& error) {
  std::cerr << "quorvane-replay: " << error << '\n';
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  auto parsed = quorvane_replay::ParseCommandLine(argc, argv);
  if (auto* early = std::get_if<tools::EarlyExit>(&parsed)) {
    return tools::ExitEarly("quorvane-replay", *early);
  }
  const auto& invocation = std::get<quorvane_replay::Invocation>(parsed);

  try {
    const record::RunRecord run = record::ReadRunRecord(invocation.record);
    for (const record::RecordNote& note : run.notes) {
      std::cerr << "quorvane-replay: " << note.where.Describe() << ": " << note.what << '\n';
    }
    const auto blocks = quorvane_replay::ReceivedBlocks(run, invocation.port);
    if (blocks.empty()) {
      return Fail(invocation.record.string() + ": the record holds no received blocks" +
                  (invocation.port ? " on " + *invocation.port : std::string()));
    }
    // Every port is opened before the first block goes, so that a missing one stops nothing
    // halfway.
    std::map<std::string, quorvane_replay::FarEnd> far_ends;
    std::size_t bytes = 0;
    for (const record::BlockInRecord& block : blocks) {
      bytes += block.block.bytes.size();
      if (far_ends.contains(block.block.port)) continue;
      far_ends.emplace(
          block.block.port,
          quorvane_replay::FarEnd(invocation.sandbox, block.block.port, invocation.write_timeout));
    }
    // A simulated line looks at a far end that nobody held only every kHangUpRecheck: a first
    // block written sooner would wait there, and could reach the console together with the next.
    std::this_thread::sleep_for(sim::kHangUpRecheck * 3 / 2);
    quorvane_replay::PlayBack(blocks, far_ends, invocation.speed);
    std::cout << blocks.size() << " block(s), " << bytes << " byte(s) written\n";
    return 0;
  } catch (const record::RecordReadError& error) {
    return Fail(error.what());
  } catch (const quorvane_replay::ReplayError& error) {
    return Fail(error.what());
  }
}
