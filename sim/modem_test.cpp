#include "sim/modem.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace sim
