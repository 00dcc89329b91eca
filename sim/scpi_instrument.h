// What every simulated SCPI instrument on the bench shares: taking one program line the way a
// real instrument's parser does and answering it. A line holds commands separated by `;`, each a
// header of `:`-separated mnemonics (case-insensitive, short or long form: `VOLT` or `VOLTage`,
// a leading `:` allowed, every header taken from the root) with comma-separated parameters after
// a space. Only queries (`?`) answer: a line's answers come back joined by `;` as one answer line.
// Whatever goes wrong goes to the error queue, read with `SYSTem:ERRor[:NEXT]?`; the rest of the
// line is still carried out.
//
// The common commands are built in: `*IDN?`, `*RST`, `*OPC?` (always `1`), `*CLS`. Each instrument
// adds its own table of commands; the transports (TCP, a serial line) are not this class's.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scpi_error_queue.h"

namespace sim {

// Thrown by a command to put `error` in the queue instead of doing what it was asked.
struct ScpiFault {
  ScpiError error;
};

// One command of an instrument's table. `header` is written as instruments' manuals write it:
// the short form in capitals, optional nodes in brackets, `?` for a query
// ("MEASure[:VOLTage][:DC]?"). `parameters` is how many it takes (0 or 1); `run` answers a query
// (what it returns is ignored for a command) or throws ScpiFault.
struct ScpiCommand {
  std::string_view header;
  std::size_t parameters = 0;
  std::function<std::string(std::span<const std::string> parameters)> run;
};

class ScpiInstrument {
 public:
  // `reset` is what `*RST` does besides clearing nothing else: the instrument's settings back to
  // their power-on state.
  ScpiInstrument(std::string identity, std::function<void()> reset,
                 std::vector<ScpiCommand> commands);

  // Carries out one line (its `\n` taken off; a `\r` before it is dropped). Returns the answer
  // line, without its `\n`, when the line held a query that answered.
  std::optional<std::string> Execute(std::string_view line);
  // For what the transport finds wrong (a line too long).
  void RaiseError(ScpiError error) { errors_.Push(error); }

 private:
  std::optional<std::string> ExecuteOne(std::string_view command);

  std::string identity_;
  std::function<void()> reset_;
  std::vector<ScpiCommand> commands_;
  ScpiErrorQueue errors_;
};

// A numeric parameter from `least` to `most`: -224 when it is no number, -222 when out of range.
double ScpiNumber(std::string_view text, double least, double most);
// ON, OFF, 1 or 0, in any case: -224 otherwise.
bool ScpiBoolean(std::string_view text);
// A reading or setting as instruments print it: plain decimal, four places ("0.3512").
std::string ScpiDecimal(double value);

}  // namespace sim
