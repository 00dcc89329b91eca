#include "sender/protocol.h"

#include <gtest/gtest.h>

#include "platform/terminal/win_types.h"
#include "sender/message_policy.h"
#include "sender/text_pattern.h"

namespace {

using namespace sender;

std::string LineOf(const Request& request) {
  auto encoded = EncodeRequest(request);
  EXPECT_TRUE(std::holds_alternative<std::string>(encoded))
      << std::get<ProtocolError>(encoded).message;
  std::string line = std::get<std::string>(encoded);
  EXPECT_EQ(line.back(), '\n');
  line.pop_back();
  return line;
}

Request RoundTrip(const Request& request) {
  auto decoded = DecodeRequest(LineOf(request));
  EXPECT_TRUE(std::holds_alternative<Request>(decoded)) << std::get<ProtocolError>(decoded).message;
  return std::get<Request>(decoded);
}

std::string DecodeError(std::string_view line) {
  auto decoded = DecodeRequest(line);
  if (std::holds_alternative<Request>(decoded)) return "(accepted)";
  return std::get<ProtocolError>(decoded).message;
}

std::string ValidateError(const Action& action) {
  auto error = Validate({action, Delivery::Queued});
  return error ? error->message : "(accepted)";
}

TEST(ProtocolTest, EveryVerbSurvivesTheTripThroughItsLine) {
  const auto command = RoundTrip({CommandRequest{1006}, Delivery::AfterHandler});
  EXPECT_EQ(std::get<CommandRequest>(command.action).id, 1006);
  EXPECT_EQ(command.delivery, Delivery::AfterHandler);

  const auto message = std::get<MessageRequest>(
      RoundTrip({MessageRequest{1654, -2147483648LL, 2147483647}, Delivery::Queued}).action);
  EXPECT_EQ(message.number, 1654);
  EXPECT_EQ(message.wparam, -2147483648LL);
  EXPECT_EQ(message.lparam, 2147483647);

  const std::string korean = "전화번호\r\n\t\"인용\" \\";
  EXPECT_EQ(std::get<TextRequest>(RoundTrip({TextRequest{1017, korean}}).action).text, korean);

  const auto select = std::get<SelectRequest>(RoundTrip({SelectRequest{1010, -1, -1}}).action);
  EXPECT_EQ(select.start, -1);
  EXPECT_EQ(select.end, -1);

  const auto read = RoundTrip({ReadRequest{0}});
  EXPECT_EQ(std::get<ReadRequest>(read.action).id, 0);
  EXPECT_TRUE(WaitsForHandler(read));

  for (const ExpectScope scope : {ExpectScope::kNew, ExpectScope::kWhole, ExpectScope::kBox}) {
    const ExpectRequest expect{"recv\\w+:\\d+\r\n|수신", scope, 3'600'000};
    EXPECT_EQ(std::get<ExpectRequest>(RoundTrip({expect}).action), expect);
  }
  EXPECT_TRUE(std::holds_alternative<MarkRequest>(RoundTrip({MarkRequest{}}).action));
}

TEST(ProtocolTest, RequestLineIsOneLineEvenWhenTheTextHoldsLineBreaks) {
  const std::string line = LineOf({TextRequest{1, "a\nb\r\n"}});
  EXPECT_EQ(line.find('\n'), std::string::npos);
}

TEST(ProtocolTest, SyncMayBeLeftOutAndThenTheReplyComesOnceQueued) {
  auto decoded = DecodeRequest(R"({"verb":"command","id":7})");
  ASSERT_TRUE(std::holds_alternative<Request>(decoded));
  EXPECT_EQ(std::get<Request>(decoded).delivery, Delivery::Queued);
  EXPECT_FALSE(WaitsForHandler(std::get<Request>(decoded)));

  // An expect's scope and timeout may be left out too.
  decoded = DecodeRequest(R"({"verb":"expect","pattern":"OK"})");
  ASSERT_TRUE(std::holds_alternative<Request>(decoded));
  EXPECT_EQ(std::get<Request>(decoded).action,
            Action(ExpectRequest{"OK", ExpectScope::kNew, kDefaultExpectMilliseconds}));
}

TEST(ProtocolTest, MalformedRequestLinesAreRefusedWithTheirReason) {
  const std::string four_hundred_digits(400, '9');
  const struct {
    std::string line;
    std::string error;
  } cases[] = {
      {"garbage", "the request is not valid JSON (at byte 1)"},
      {R"({"verb":"read","id":1)", "the request is not valid JSON (at byte 22)"},
      {"", "the request is not valid JSON (at byte 1)"},
      {"{\"verb\":\"text\",\"id\":1,\"text\":\"\xC3\x28\"}",
       "the request is not valid JSON (at byte 32)"},
      {"[1,2]", "the request is not a JSON object"},
      {R"({"id":1})", "missing field \"verb\""},
      {R"({"verb":7,"id":1})", "field \"verb\" must be a string"},
      {R"({"verb":"press","id":1})", "unknown verb \"press\""},
      {R"({"verb":"command"})", "missing field \"id\""},
      {R"({"verb":"command","id":"1006"})", "field \"id\" must be an integer"},
      {R"({"verb":"command","id":1006.5})", "field \"id\" must be an integer"},
      {R"({"verb":"command","id":true})", "field \"id\" must be an integer"},
      {R"({"verb":"read","id":1e300})", "field \"id\" must be an integer"},
      {R"({"verb":"command","id":1,"sync":1})", "field \"sync\" must be true or false"},
      {R"({"verb":"command","id":1,"text":"x"})", "unknown field \"text\""},
      {R"({"verb":"text","id":1,"text":5})", "field \"text\" must be a string"},
      {R"({"verb":"select","id":1,"start":0})", "missing field \"end\""},
      {R"({"verb":"message","number":1654,"wparam":0})", "missing field \"lparam\""},
      {R"({"verb":"read","id":18446744073709551615})", "field \"id\" is out of range"},
      // Numbers beyond a double's range, wherever they stand, once ended the connection's thread.
      {R"({"verb":"read","id":1e400})", "the request holds a number too large to read"},
      {R"({"verb":"read","id":-1e309})", "the request holds a number too large to read"},
      {"[1e400]", "the request holds a number too large to read"},
      {R"({"verb":"read","id":1,"extra":1e400})", "the request holds a number too large to read"},
      {R"({"verb":"read","id":)" + four_hundred_digits + "}",
       "the request holds a number too large to read"},
      {R"({"verb":"expect"})", "missing field \"pattern\""},
      {R"({"verb":"expect","pattern":["a"]})", "field \"pattern\" must be a string"},
      {R"({"verb":"expect","pattern":"a","scope":"all"})",
       "field \"scope\" must be \"new\", \"whole\" or \"box\""},
      {R"({"verb":"expect","pattern":"a","timeout_ms":0})",
       "TIMEOUT 0 is out of range (1 to 3600000) milliseconds"},
      {R"({"verb":"expect","pattern":"a","timeout_ms":3600001})",
       "TIMEOUT 3600001 is out of range (1 to 3600000) milliseconds"},
      {R"({"verb":"expect","pattern":"a","id":1})", "unknown field \"id\""},
      {R"({"verb":"mark","id":1})", "unknown field \"id\""},
  };
  for (const auto& [line, error] : cases) EXPECT_EQ(DecodeError(line), error) << line;
}

TEST(ProtocolTest, NumbersOutsideTheirRangesAreRefusedOnBothSides) {
  EXPECT_EQ(ValidateError(CommandRequest{-1}), "ID -1 is out of range (0 to 65535)");
  EXPECT_EQ(ValidateError(CommandRequest{65536}), "ID 65536 is out of range (0 to 65535)");
  EXPECT_EQ(ValidateError(CommandRequest{65535}), "(accepted)");
  EXPECT_EQ(ValidateError(ReadRequest{70000}), "ID 70000 is out of range (0 to 65535)");
  EXPECT_EQ(ValidateError(MessageRequest{65536, 0, 0}),
            "message 65536 is out of range (0 to 65535)");
  EXPECT_EQ(ValidateError(MessageRequest{WM_USER, 2147483648LL, 0}),
            "WPARAM 2147483648 is out of range (-2147483648 to 2147483647)");
  EXPECT_EQ(ValidateError(MessageRequest{WM_USER, 0, -2147483649LL}),
            "LPARAM -2147483649 is out of range (-2147483648 to 2147483647)");
  EXPECT_EQ(ValidateError(SelectRequest{1, 0, 4294967295LL}),
            "END 4294967295 is out of range (-2147483648 to 2147483647)");
  EXPECT_EQ(ValidateError(SelectRequest{1, -2147483649LL, 0}),
            "START -2147483649 is out of range (-2147483648 to 2147483647)");
  // The server checks what a raw sender wrote just as the client does.
  EXPECT_EQ(DecodeError(R"({"verb":"select","id":1,"start":0,"end":4294967295})"),
            "END 4294967295 is out of range (-2147483648 to 2147483647)");
  EXPECT_EQ(std::get<ProtocolError>(EncodeRequest({CommandRequest{-5}})).message,
            "ID -5 is out of range (0 to 65535)");
}

TEST(ProtocolTest, TextMustBeUtf8WithoutNulCharacters) {
  EXPECT_EQ(ValidateError(TextRequest{1, "\xC3\x28"}), "TEXT is not valid UTF-8");
  EXPECT_EQ(ValidateError(TextRequest{1, "\xED\xA0\x80"}),
            "TEXT is not valid UTF-8");  // a surrogate
  EXPECT_EQ(ValidateError(TextRequest{1, std::string("a\0b", 3)}),
            "TEXT contains a NUL character, which an edit control cannot hold");
  EXPECT_EQ(DecodeError(R"({"verb":"text","id":1,"text":"a\u0000b"})"),
            "TEXT contains a NUL character, which an edit control cannot hold");
  EXPECT_EQ(ValidateError(TextRequest{1, ""}), "(accepted)");
}

// The library's own message, with where in the pattern it went wrong (in characters).
TEST(ProtocolTest, PatternThatIsNoRegularExpressionIsRefusedWithWhereItWentWrong) {
  const struct {
    std::string pattern;
    std::string error;
  } cases[] = {
      {"ab(c", "PATTERN is not a regular expression: missing closing parenthesis (at offset 4)"},
      {"수신[", "PATTERN is not a regular expression: missing terminating ] for character class "
                "(at offset 3)"},
      {"a{2,1}", "PATTERN is not a regular expression: numbers out of order in {} quantifier "
                 "(at offset 5)"},
      {"\\C", "PATTERN is not a regular expression: using \\C is disabled by the application "
              "(at offset 2)"},
      {"\xC3\x28", "PATTERN is not valid UTF-8"},
      {std::string(kMaxPatternBytes + 1, 'a'),
       "PATTERN takes 4097 bytes, more than the 4096 a pattern may take"},
  };
  for (const auto& [pattern, error] : cases) {
    EXPECT_EQ(ValidateError(ExpectRequest{pattern}), error) << pattern;
  }
  EXPECT_EQ(ValidateError(ExpectRequest{std::string(kMaxPatternBytes, 'a')}), "(accepted)");
}

TEST(ProtocolTest, RequestLongerThanTheLimitIsRefusedBeforeItIsSent) {
  const std::size_t overhead = LineOf({TextRequest{1, ""}}).size() + 1;
  EXPECT_EQ(LineOf({TextRequest{1, std::string(kMaxRequestBytes - overhead, 'a')}}).size() + 1,
            kMaxRequestBytes);
  const auto too_long =
      EncodeRequest({TextRequest{1, std::string(kMaxRequestBytes - overhead + 1, 'a')}});
  ASSERT_TRUE(std::holds_alternative<ProtocolError>(too_long));
  EXPECT_EQ(std::get<ProtocolError>(too_long).message,
            "the request takes 65537 bytes, more than the 65536 a request may take");
}

TEST(ProtocolTest, OnlyMessagesWithPlainValuesPass) {
  for (std::int64_t allowed :
       {0x0000, 0x0010, 0x0111, 0x0113, 0x0400, 0x0676, 0x7FFF, 0x8000, 0xBFFF}) {
    EXPECT_EQ(RefusalOfMessage(allowed), std::nullopt) << allowed;
  }
  for (std::int64_t refused :
       {0x0002, 0x000C, 0x000D, 0x0080, 0x00B0, 0x00C2, 0x0303, 0x0401, 0xC000, 0xFFFF}) {
    EXPECT_NE(RefusalOfMessage(refused), std::nullopt) << refused;
  }
  EXPECT_EQ(ValidateError(MessageRequest{WM_USER + 1, 3048, 2}).substr(0, 40),
            "message 1025 (WM_COMM_READ) is refused: ");
  EXPECT_EQ(ValidateError(MessageRequest{0xC000, 0, 0}).substr(0, 34),
            "message 49152 (0xC000) is refused:");
}

TEST(ProtocolTest, RepliesSurviveTheTripAndMalformedRepliesAreRecognised) {
  Reply noted = Reply::Done();
  noted.note = "no control or command 4242 in the dialog";
  Reply timed_out = Reply::Failed(kExpectTimedOut);
  timed_out.text = "COM1 OPEN!! \r\n";
  const Reply marked = Reply::Marked({"/sim/logs/session-1.log", 1ULL << 40, 17});
  for (const Reply& reply : {Reply::Done(), Reply::Text("로그\r\n"), Reply::Text(""), noted,
                             Reply::Failed("control 103 is not a button"), timed_out, marked}) {
    std::string line = EncodeReply(reply);
    ASSERT_EQ(line.back(), '\n');
    line.pop_back();
    const auto decoded = DecodeReply(line);
    ASSERT_TRUE(decoded.has_value()) << line;
    EXPECT_EQ(decoded->error, reply.error);
    EXPECT_EQ(decoded->text, reply.text);
    EXPECT_EQ(decoded->note, reply.note);
    EXPECT_EQ(decoded->mark, reply.mark);
  }
  for (const char* malformed :
       {"", "ok", "[]", R"({"ok":"yes"})", R"({"ok":false})", R"({"ok":true,"text":5})",
        R"({"ok":true,"note":[]})", R"({"ok":false,"error":null})", R"({"ok":true,"size":1e400})",
        "-1e309", R"({"ok":true,"file":"f","offset":-1,"sequence":1})",
        R"({"ok":true,"file":"f","offset":1})"}) {
    EXPECT_EQ(DecodeReply(malformed), std::nullopt) << malformed;
  }
}

}  // namespace
