#include "sim/modem.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/terminal/vehicle_io_codes.h"
#include "sim/driver_journal.h"
#include "sim/etc_driver.h"
#include "sim/modem_power.h"
#include "sim/sandbox.h"
#include "testing/temp_dir.h"

namespace sim {
namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";

std::string Information(const std::string& text) { return "\r\n" + text + "\r\n" + kOk; }

TEST(ModemTest, TellsItsNumberWhicheverTheCase) {
  Modem modem;
  EXPECT_EQ(modem.Receive("at*rx*mdn?\r\n"), Information("*RX*MDN: 01012345678"));
  EXPECT_EQ(modem.Receive("AT*RX*MDN?\r"), Information("*RX*MDN: 01012345678"));
  EXPECT_EQ(Modem("0109876543").Receive("At*Rx*Mdn?\r\n"), Information("*RX*MDN: 0109876543"));
}

TEST(ModemTest, TakesTheCallCommandsWithTheirOwnLineEnds) {
  Modem modem;
  EXPECT_EQ(modem.Receive("AT+CAD?\r\n"), Information("+CAD: 1"));
  EXPECT_EQ(modem.Receive("AT+CDV01012345678\r\n"), kOk);
  EXPECT_EQ(modem.Receive("AT$QCCAV\r"), kOk);
  // Hanging up: two writes back to back, the second with a carriage return alone.
  EXPECT_EQ(modem.Receive("AT+CHV\r\nAT+CAD?\r"), kOk + Information("+CAD: 1"));
  EXPECT_EQ(modem.Receive("AT+CDV\r\n"), kError);
  EXPECT_EQ(modem.Receive("AT+CDV010-1234\r\n"), kError);
}

TEST(ModemTest, KeepsTheVolumeAndTheMicrophoneGainApartWithinTheirRanges) {
  Modem modem;
  EXPECT_EQ(modem.Receive("AT+CVOL=4\r\n"), kOk);
  EXPECT_EQ(modem.Receive("AT+MICG=0\r\n"), kOk);
  EXPECT_EQ(modem.Receive("AT+CVOL?\r\n"), Information("+CVOL: 4"));
  EXPECT_EQ(modem.Receive("AT+MICG?\r\n"), Information("+MICG: 0"));
  EXPECT_EQ(modem.Volume(), 4);
  EXPECT_EQ(modem.MicGain(), 0);

  // Out of range or malformed: refused, and the level stays.
  EXPECT_EQ(modem.Receive("AT+MICG=4\r\n"), kError);
  EXPECT_EQ(modem.Receive("AT+CVOL=5\r\n"), kError);
  EXPECT_EQ(modem.Receive("AT+CVOL=\r\n"), kError);
  EXPECT_EQ(modem.Receive("AT+CVOL=12\r\n"), kError);
  EXPECT_EQ(modem.Volume(), 4);
  EXPECT_EQ(modem.MicGain(), 0);
}

TEST(ModemTest, WritesItsNumberOnlyInServiceMode) {
  Modem modem;
  EXPECT_EQ(modem.Receive("AT*RX*MDN=0212345678\r\n"), kError);
  EXPECT_EQ(modem.Receive("AT*RX*SVCMODE=#000000000#000#\r\n"), kError);
  EXPECT_FALSE(modem.InServiceMode());
  EXPECT_EQ(modem.Number(), "01012345678");

  EXPECT_EQ(modem.Receive("AT*RX*SVCMODE=#120437586#315#\r\n"), kOk);
  EXPECT_TRUE(modem.InServiceMode());
  EXPECT_EQ(modem.Receive("AT*RX*MDN=12 34\r\n"), kError);
  EXPECT_EQ(modem.Receive("AT*RX*MDN=1234567890123456\r\n"), kError);  // 16 digits
  EXPECT_EQ(modem.Receive("AT*RX*MDN=\r\n"), kError);
  EXPECT_EQ(modem.Receive("AT*RX*MDN=0212345678\r\n"), kOk);
  EXPECT_EQ(modem.Receive("AT*KVX*RESET\r\n"), kOk);
  EXPECT_FALSE(modem.InServiceMode());

  EXPECT_EQ(modem.Receive("at*rx*mdn?\r\n"), Information("*RX*MDN: 0212345678"));
  EXPECT_EQ(modem.Receive("AT*RX*MDN=01099999999\r\n"), kError);
  EXPECT_EQ(modem.Number(), "0212345678");
}

TEST(ModemTest, AssemblesLinesFromPiecesAndRefusesWhatItDoesNotKnow) {
  Modem modem;
  EXPECT_EQ(modem.Receive("at*rx"), "");
  EXPECT_EQ(modem.Receive("*mdn?\r"), Information("*RX*MDN: 01012345678"));
  // The line feed after a carriage return ends an empty line, which gets no answer.
  EXPECT_EQ(modem.Receive("\n\r\n"), "");
  EXPECT_EQ(modem.Receive("AT\r\n"), kOk);
  EXPECT_EQ(modem.Receive("com2 data write ok!\r\n"), kError);
  EXPECT_EQ(modem.Receive("ATD0101234\r\nAT+CHV \r\n"), kError + kError);

  // A line longer than the modem takes is refused once, whole, and the next one is heard.
  const std::string longest = "AT+CDV" + std::string(Modem::kMaxLine - 6, '1');
  EXPECT_EQ(modem.Receive(longest + "\r\n"), kOk);
  EXPECT_EQ(modem.Receive(longest + "1\r\n"), kError);
  EXPECT_EQ(modem.Receive(std::string(100000, 'A') + "\r\nAT+CAD?\r\n"),
            kError + Information("+CAD: 1"));
}

// The modem hanging on the power lines of the simulated ETC driver, driven as the console drives
// them: one request a line change.
class PoweredModemTest : public ::testing::Test {
 protected:
  void Drive(DWORD code, DWORD value) {
    ASSERT_TRUE(etc_.IoControl(code, &value, sizeof value, nullptr, 0, nullptr));
  }
  // Leaves the modem with settings a restart would forget, and a half-heard line.
  void Unsettle() {
    ASSERT_EQ(modem_.Receive("AT+CVOL=4\r\nAT+MICG=0\r\n"), kOk + kOk);
    ASSERT_EQ(modem_.Receive("AT*RX*SVCMODE=#120437586#315#\r\n"), kOk);
    ASSERT_EQ(modem_.Receive("AT*RX*MDN=0212345678\r\nAT+CV"), kOk);
  }

  testing_support::TempDir dir_;
  const std::shared_ptr<ModemPower> power_ = std::make_shared<ModemPower>();
  EtcDriver etc_{std::make_shared<DriverJournal>(Sandbox::Prepare(dir_.path())), power_};
  Modem modem_{std::string(kDefaultModemNumber), power_};
};

TEST_F(PoweredModemTest, StartsPoweredAndTheDriverShowsItsLinesHigh) {
  EXPECT_EQ(etc_.Line(IOCTL_ETC_MODEM_POWER), 1u);
  EXPECT_EQ(etc_.Line(IOCTL_ETC_MODEM_START), 1u);
  EXPECT_EQ(modem_.Receive("at*rx*mdn?\r\n"), Information("*RX*MDN: 01012345678"));
}

TEST_F(PoweredModemTest, WithoutPowerItAnswersNothingAndComesBackKeepingOnlyItsNumber) {
  Unsettle();
  Drive(IOCTL_ETC_MODEM_POWER, 0);
  EXPECT_EQ(modem_.Receive("OL?\r\nat*rx*mdn?\r\nAT\r\n"), "");
  EXPECT_EQ(modem_.Receive("AT+CAD?\r"), "");
  Drive(IOCTL_ETC_MODEM_START, 0);  // a start pulse cannot start a modem without power
  Drive(IOCTL_ETC_MODEM_START, 1);
  EXPECT_EQ(modem_.Receive("AT\r\n"), "");

  Drive(IOCTL_ETC_MODEM_POWER, 1);
  // Nothing of the line begun before the power went is left to complete.
  EXPECT_EQ(modem_.Receive("AT\r\n"), kOk);
  EXPECT_EQ(modem_.Receive("AT+CVOL?\r\nAT+MICG?\r\n"),
            Information("+CVOL: 2") + Information("+MICG: 2"));
  EXPECT_FALSE(modem_.InServiceMode());
  EXPECT_EQ(modem_.Receive("AT*RX*MDN?\r\n"), Information("*RX*MDN: 0212345678"));
}

TEST_F(PoweredModemTest, OnlyAStartPulseRestartsIt) {
  struct Case {
    std::vector<std::pair<DWORD, DWORD>> requests;
    bool restarts;
  };
  const std::vector<Case> cases = {
      {{{IOCTL_ETC_MODEM_START, 0}, {IOCTL_ETC_MODEM_START, 1}}, true},
      {{{IOCTL_ETC_MODEM_START, 1}}, false},  // the line was high already
      {{{IOCTL_ETC_MODEM_POWER, 1}}, false},  // so was the power
      {{{IOCTL_ETC_LINE_9121, 0}, {IOCTL_ETC_LINE_9121, 1}}, false},
  };
  for (const Case& c : cases) {
    Unsettle();
    for (const auto& [code, value] : c.requests) Drive(code, value);
    EXPECT_EQ(modem_.Receive("OL?\r\n"), c.restarts ? kError : Information("+CVOL: 4"));
    EXPECT_EQ(modem_.InServiceMode(), !c.restarts);
    EXPECT_EQ(modem_.MicGain(), c.restarts ? 2 : 0);
    EXPECT_EQ(modem_.Number(), "0212345678");
    ASSERT_EQ(modem_.Receive("AT*KVX*RESET\r\n"), kOk);
  }
}

}  // namespace
}  // namespace sim
