#include "sim/scpi_instrument.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace sim {
namespace {

// An instrument with one setting, its query and a measurement with optional nodes; *RST
// counts.
class ScpiInstrumentTest : public ::testing::Test {
 protected:
  ScpiInstrument instrument_{
      "Maker,Model,1,1.0",
      [this] { ++resets_; },
      {
          {"[SOURce:]VOLTage[:LEVel]", 1,
           [this](auto parameters) {
             volts_ = ScpiNumber(parameters[0], 0, 30);
             return std::string();
           }},
          {"[SOURce:]VOLTage[:LEVel]?", 0, [this](auto) { return ScpiDecimal(volts_); }},
          {"OUTPut", 1,
           [this](auto parameters) {
             output_ = ScpiBoolean(parameters[0]);
             return std::string();
           }},
          {"MEASure[:VOLTage][:DC]?", 0, [](auto) { return std::string("3.8000"); }},
      }};
  double volts_ = 0;
  bool output_ = false;
  int resets_ = 0;
};

TEST_F(ScpiInstrumentTest, LinesAreParsedAsInstrumentsDoAndFaultsGoToTheErrorQueue) {
  struct Exchange {
    std::string line;
    std::optional<std::string> answer;
  };
  const std::vector<std::vector<Exchange>> conversations{
      // Short and long forms, any case, optional nodes, a leading colon, `\r\n`.
      {{"volt 12.5;VOLTAGE:LEV?", "12.5000"},
       {":sour:voltage:level +3\r", std::nullopt},
       {"VOLT?;*OPC?;MEAS?;meas:volt:dc?", "3.0000;1;3.8000;3.8000"},
       {"*IDN?", "Maker,Model,1,1.0"},
       {"SYSTem:ERRor:NEXT?", "0,\"No error\""}},
      // Errors go to the queue in order; the rest of the line is still carried out.
      {{"BOGUS;VOLT 99;VOLT abc;VOLT 1", std::nullopt},
       {"VOLT;*IDN? 1;OUTP maybe;VOLT?", "1.0000"},
       {"?;VOLT?:X;VOLT inf", std::nullopt},
       {"SYST:ERR?;SYST:ERR?;SYST:ERR?", "-113,\"Undefined header\";-222,\"Data out of range\";"
                                         "-224,\"Illegal parameter value\""},
       {"SYST:ERR?;SYST:ERR?;SYST:ERR?", "-109,\"Missing parameter\";-108,\"Parameter not "
                                         "allowed\";-224,\"Illegal parameter value\""},
       {"SYST:ERR?;SYST:ERR?;SYST:ERR?", "-420,\"Query UNTERMINATED\";-102,\"Syntax error\";"
                                         "-224,\"Illegal parameter value\""},
       {"SYST:ERR?", "0,\"No error\""}},
      // *CLS empties the queue; a query of a command that is no query is unknown.
      {{"OUTP?;VOLT:LEV:X 1", std::nullopt}, {"*CLS;SYST:ERR?", "0,\"No error\""}},
  };
  for (const auto& conversation : conversations) {
    for (const Exchange& exchange : conversation) {
      EXPECT_EQ(instrument_.Execute(exchange.line), exchange.answer) << exchange.line;
    }
  }
  EXPECT_EQ(instrument_.Execute("OUTP ON;*RST;OUTP?"), std::nullopt);
  EXPECT_TRUE(output_);
  EXPECT_EQ(resets_, 1);
}

TEST_F(ScpiInstrumentTest, AFullQueueEndsInQueueOverflowAndKeepsItsOldestErrors) {
  for (std::size_t index = 0; index < kScpiErrorQueueLength + 5; ++index) {
    instrument_.Execute(index == 0 ? "VOLT 99" : "BOGUS");
  }
  std::vector<std::string> read;
  for (std::size_t index = 0; index <= kScpiErrorQueueLength; ++index) {
    read.push_back(instrument_.Execute("SYST:ERR?").value_or(""));
  }
  EXPECT_EQ(read.front(), "-222,\"Data out of range\"");
  EXPECT_EQ(read[kScpiErrorQueueLength - 2], "-113,\"Undefined header\"");
  EXPECT_EQ(read[kScpiErrorQueueLength - 1], "-350,\"Queue overflow\"");
  EXPECT_EQ(read.back(), "0,\"No error\"");
}

}  // namespace
}  // namespace sim
