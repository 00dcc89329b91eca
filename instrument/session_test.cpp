// The SCPI session against an instrument the test owns, on a loopback socket and on a
// pseudo-terminal: each fault ends the exchange with a message naming the role and the address,
// every exchange reaches the sink, and the session goes on answering the next question right.
#include "instrument/session.h"

#include <gtest/gtest.h>

#include "instrument/testing_responder.h"

namespace {

using instrument::Fault;
using testing_support::Answers;
using testing_support::HangsUpAfter;
using testing_support::NeverAnswers;
using testing_support::Queues;
using testing_support::ScpiReply;
using testing_support::ScpiResponder;
using namespace std::chrono_literals;

struct Kept : instrument::ExchangeSink {
  void Add(const instrument::Exchange& exchange) override { exchanges.push_back(exchange); }
  std::vector<instrument::Exchange> exchanges;
};

std::unique_ptr<instrument::Session> Opened(const ScpiResponder& responder, Kept& kept) {
  std::string error;
  const auto address = instrument::ParseAddress(responder.address(), error);
  EXPECT_TRUE(address) << error;
  Fault fault;
  auto session = instrument::Session::Open("supply", *address, 300ms, kept, -1, fault);
  EXPECT_NE(session, nullptr) << fault.message;
  return session;
}

TEST(SessionTest, EachFaultEndsTheExchangeWithItsMessageAndTheNextGoesRight) {
  const struct {
    std::string what;
    ScpiReply reply;
    bool write;
    std::optional<Fault::Kind> kind;  // nothing: the answer "1.5"
    std::string message;
    bool tcp_only = false;
  } kCases[] = {
      {"a slow answer within the timeout", Answers("1.5", 100ms), false, std::nullopt, ""},
      {"a slow answer after the timeout", Answers("9.9", 500ms), false, Fault::Kind::kTimedOut,
       "no answer to \"X?\" within 300 ms"},
      {"no answer", NeverAnswers(), false, Fault::Kind::kTimedOut, "no answer to \"X?\""},
      {"bytes that are no text", Answers("1\x01\xff"), false, Fault::Kind::kGarbage, "is not text"},
      {"an answer too long", Answers(std::string(5000, '7')), false, Fault::Kind::kGarbage,
       "is longer than 4096 bytes"},
      {"an error queued by a write", Queues("-222,\"Data out of range\""), true,
       Fault::Kind::kInstrument, "\"X?\": -222,\"Data out of range\""},
      {"half an answer, then gone", HangsUpAfter("1."), false, Fault::Kind::kVanished,
       "the instrument went away while answering \"X?\"", true},
  };
  for (const auto line : {ScpiResponder::Line::kTcp, ScpiResponder::Line::kPty}) {
    for (const auto& c : kCases) {
      if (c.tcp_only && line != ScpiResponder::Line::kTcp) continue;
      SCOPED_TRACE(c.what + (line == ScpiResponder::Line::kTcp ? " on TCP" : " on a pty"));
      ScpiResponder responder(line, {{"X?", c.reply}, {"*IDN?", Answers("Maker,PSU-1,7,1.0")}});
      Kept kept;
      const auto session = Opened(responder, kept);
      ASSERT_NE(session, nullptr);
      Fault fault;
      std::optional<Fault> failed;
      if (c.write) {
        failed = session->Write("X?", -1);
      } else if (const auto answer = session->Query("X?", -1, fault); !answer) {
        failed = fault;
      } else {
        EXPECT_EQ(*answer, "1.5");
      }
      ASSERT_EQ(failed.has_value(), c.kind.has_value()) << (failed ? failed->message : "");
      if (failed) {
        EXPECT_EQ(failed->kind, *c.kind);
        EXPECT_NE(failed->message.find("supply (" + responder.address() + "): "), std::string::npos)
            << failed->message;
        EXPECT_NE(failed->message.find(c.message), std::string::npos) << failed->message;
        // The instrument's own error is an answer to SYST:ERR?, not a fault of the exchange.
        if (c.kind != Fault::Kind::kInstrument) {
          EXPECT_EQ(kept.exchanges.back().error, failed->message);
        }
      }
      EXPECT_EQ(kept.exchanges.front().sent, "X?");
      if (c.kind == Fault::Kind::kVanished) continue;
      // A late answer is not taken for the next question's.
      std::this_thread::sleep_for(c.reply.delay);
      const auto identity = session->Query("*IDN?", -1, fault);
      EXPECT_EQ(identity.value_or(fault.message), "Maker,PSU-1,7,1.0");
    }
  }
}

TEST(SessionTest, AStopCallsTheWaitOffAndAnInstrumentAwayCannotBeOpened) {
  ScpiResponder responder(ScpiResponder::Line::kTcp, {{"X?", NeverAnswers()}});
  Kept kept;
  const auto session = Opened(responder, kept);
  ASSERT_NE(session, nullptr);
  platform::posix::WakeFd stop;
  stop.Raise();
  Fault fault;
  EXPECT_FALSE(session->Query("X?", stop.fd(), fault));
  EXPECT_EQ(fault.kind, Fault::Kind::kStopped);

  std::string error;
  const auto nobody = instrument::ParseAddress("tcp:127.0.0.1:1", error);
  EXPECT_EQ(instrument::Session::Open("meter", *nobody, 300ms, kept, -1, fault), nullptr);
  EXPECT_EQ(fault.kind, Fault::Kind::kCannotOpen);
  EXPECT_NE(fault.message.find("meter (tcp:127.0.0.1:1): cannot be reached: connect: "),
            std::string::npos)
      << fault.message;
}

}  // namespace
