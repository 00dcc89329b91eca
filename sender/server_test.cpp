#include "sender/server.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <future>
#include <thread>

#include "platform/ports/board.h"
#include "platform/ports/person_input.h"
#include "platform/ports/window_model.h"
#include "sender/dialog_actions.h"
#include "sender/socket_io.h"
#include "testing/test_console.h"

namespace {

using namespace sender_testing;
using sender::CommandRequest;
using sender::ExchangeStatus;
using sender::MessageRequest;
using sender::ReadRequest;
using sender::SelectRequest;
using sender::TextRequest;

constexpr UINT kMeterMessage = WM_USER + 630;
constexpr std::chrono::seconds kPatience{10};

bool Checked(HWND control) { return platform::FindWindowState(control)->checked; }

std::string ErrorOf(const sender::ExchangeResult& result) {
  EXPECT_EQ(result.status, ExchangeStatus::Replied);
  return result.reply.error.value_or("(no error)");
}

std::string ReadText(TestConsole& console, int id) {
  const auto result = console.Exchange(Sync(ReadRequest{id}));
  EXPECT_TRUE(result.reply.ok()) << result.reply.error.value_or("");
  return result.reply.text.value_or("(no text)");
}

std::string ErrorReply(const std::string& error) {
  return sender::EncodeReply(sender::Reply::Failed(error));
}

// --- A person's clicks ------------------------------------------------------------------------

TEST(SenderServerTest, ClickOnRadioButtonMovesTheCheckMarkAndReachesTheDialog) {
  TestConsole console;
  EXPECT_TRUE(console.Exchange(Sync(CommandRequest{kRadioTwo})).reply.ok());
  EXPECT_TRUE(Checked(console.control(kRadioTwo)));

  EXPECT_TRUE(console.Exchange(Sync(CommandRequest{kRadioOne})).reply.ok());
  EXPECT_TRUE(Checked(console.control(kRadioOne)));
  EXPECT_FALSE(Checked(console.control(kRadioTwo)));

  const auto commands = console.procedure().Received(WM_COMMAND);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1].wParam, MAKEWPARAM(kRadioOne, BN_CLICKED));
  EXPECT_EQ(commands[1].lParam, reinterpret_cast<LPARAM>(console.control(kRadioOne)));
}

TEST(SenderServerTest, CommandWithoutControlReachesTheDialogAsABareCommand) {
  TestConsole console;
  EXPECT_TRUE(console.Exchange(Sync(CommandRequest{kCommandWithoutControl})).reply.ok());
  const auto commands = console.procedure().Received(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(kCommandWithoutControl, BN_CLICKED));
  EXPECT_EQ(commands[0].lParam, 0);
}

TEST(SenderServerTest, ClickOnAControlThatIsNoButtonIsRefused) {
  TestConsole console;
  EXPECT_EQ(ErrorOf(console.Exchange(Sync(CommandRequest{kEdit}))), "control 103 is not a button");
  EnableWindow(console.control(kButton), FALSE);
  EXPECT_EQ(ErrorOf(console.Exchange(Sync(CommandRequest{kButton}))), "control 100 is disabled");
  EXPECT_TRUE(console.procedure().Received(WM_COMMAND).empty());
}

// --- Typing, selecting, reading ---------------------------------------------------------------

TEST(SenderServerTest, TypedKoreanTextWithLineBreaksReadsBackByteForByte) {
  TestConsole console;
  const std::string text = "전화번호\r\n010-1234\r\n";
  EXPECT_TRUE(console.Exchange(Sync(TextRequest{kEdit, text})).reply.ok());
  EXPECT_EQ(platform::FindWindowState(console.control(kEdit))->text, u"전화번호\r\n010-1234\r\n");
  EXPECT_EQ(ReadText(console, kEdit), text);
}

TEST(SenderServerTest, SelectionFollowsEditSelectionRules) {
  TestConsole console;
  console.Exchange(Sync(TextRequest{kEdit, "0123456789"}));
  const auto selection = [&] {
    return platform::FindWindowState(console.control(kEdit))->selection;
  };

  EXPECT_TRUE(console.Exchange(Sync(SelectRequest{kEdit, 2, 5})).reply.ok());
  EXPECT_EQ(selection().start(), 2u);
  EXPECT_EQ(selection().end(), 5u);

  // -1 as the start removes the selection and keeps the caret.
  console.Exchange(Sync(SelectRequest{kEdit, -1, 0}));
  EXPECT_EQ(selection().start(), 5u);
  EXPECT_EQ(selection().end(), 5u);

  // -1 as the end means the end of the text.
  console.Exchange(Sync(SelectRequest{kEdit, 0, -1}));
  EXPECT_EQ(selection().start(), 0u);
  EXPECT_EQ(selection().end(), 10u);
}

TEST(SenderServerTest, ReadOnlyLogCanBeSelectedAndReadButNotTypedInto) {
  TestConsole console;
  SendMessageW(console.control(kLog), EM_REPLACESEL, 0,
               reinterpret_cast<LPARAM>(L"COM2 OPEN!! \r\n"));

  EXPECT_EQ(ErrorOf(console.Exchange(Sync(TextRequest{kLog, "x"}))), "control 104 is read-only");
  EXPECT_TRUE(console.Exchange(Sync(SelectRequest{kLog, 0, 4})).reply.ok());
  EXPECT_EQ(ReadText(console, kLog), "COM2 OPEN!! \r\n");
  EXPECT_EQ(ReadText(console, 0), "QUORVANE");  // id 0: the dialog's own text
}

TEST(SenderServerTest, InputForControlsThatDoNotFitIsRefused) {
  TestConsole console;
  EXPECT_EQ(ErrorOf(console.Exchange(Sync(TextRequest{4242, "x"}))),
            "no control 4242 in the dialog");
  EXPECT_EQ(ErrorOf(console.Exchange(Sync(SelectRequest{4242, 0, 1}))),
            "no control 4242 in the dialog");
  EXPECT_EQ(ErrorOf(console.Exchange(Sync(ReadRequest{4242}))), "no control 4242 in the dialog");
  EXPECT_EQ(ErrorOf(console.Exchange(Sync(TextRequest{kButton, "x"}))),
            "control 100 is not an edit control");
  EXPECT_EQ(platform::FindWindowState(console.control(kButton))->text, u"push");
}

// A sender that does not take its large reply holds back the reads after it, which then read the
// text as it is when their turn comes: the replies held never outgrow their bound, however many
// senders read at once.
TEST(SenderServerTest, ReadWaitsWhileEarlierRepliesHoldTheirRoomAndReadsTheTextOfItsTurn) {
  sender::ServerLimits limits;
  limits.read_reply_bytes = 1;
  limits.send_timeout = std::chrono::minutes(1);  // the first reply stays until the test takes it
  TestConsole console(limits);
  // Far more than the socket's buffers take, so that the first reply stays with the console.
  const std::wstring large(1'000'000, L'\uAC00');
  SetWindowTextW(console.control(kEdit), large.c_str());
  const std::string read_line =
      std::get<std::string>(sender::EncodeRequest(Sync(ReadRequest{kEdit})));
  const auto send_read = [&](int connection) {
    sender::WriteAll(connection, read_line, std::chrono::steady_clock::now() + kPatience);
  };
  const platform::posix::UniqueFd stalled = console.ConnectRaw();
  send_read(stalled.get());
  bool reply_begun = false;
  console.RunWhile([&] {
    pollfd first_bytes{stalled.get(), POLLIN, 0};
    reply_begun = ::poll(&first_bytes, 1, kPatience.count() * 1000) == 1;
  });
  ASSERT_TRUE(reply_begun);
  const platform::posix::UniqueFd waiting = console.ConnectRaw();
  send_read(waiting.get());
  // Taken after the waiting read, carried out before it.
  EXPECT_TRUE(console.Exchange(Sync(TextRequest{kEdit, "changed"})).reply.ok());

  const auto text_of = [](std::string line) -> std::string {
    if (!line.empty()) line.pop_back();
    const auto reply = sender::DecodeReply(line);
    return reply ? reply->text.value_or("(no text)") : "(no reply)";
  };
  EXPECT_EQ(text_of(TestConsole::ReadUntilClosed(stalled.get())).size(), 3'000'000u);
  std::string waiting_reply;
  console.RunWhile([&] { waiting_reply = TestConsole::ReadUntilClosed(waiting.get()); });
  EXPECT_EQ(text_of(waiting_reply).substr(0, 40), "changed");  // exact, and short when it fails
}

// --- Messages ---------------------------------------------------------------------------------

TEST(SenderServerTest, MessageCarriesSigned32BitValuesToTheDialog) {
  TestConsole console;
  EXPECT_TRUE(console.Exchange(Sync(MessageRequest{kMeterMessage, -1, -2147483648LL})).reply.ok());
  const auto received = console.procedure().Received(kMeterMessage);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].wParam, WPARAM{0xFFFFFFFFu});
  EXPECT_EQ(static_cast<std::int32_t>(received[0].wParam), -1);
  EXPECT_EQ(received[0].lParam, LPARAM{-2147483648LL});
}

TEST(SenderServerTest, MessagesThatCouldCarryPointersAreRefusedEvenFromRawSenders) {
  TestConsole console;
  for (UINT message : {WM_SETTEXT, WM_USER + 1, EM_REPLACESEL, WM_DESTROY}) {
    const std::string reply =
        console.ExchangeRaw(R"({"verb":"message","number":)" + std::to_string(message) +
                            R"(,"wparam":16,"lparam":4096})"
                            "\n");
    EXPECT_NE(reply.find("is refused"), std::string::npos) << reply;
    EXPECT_TRUE(console.procedure().Received(message).empty());
  }
  EXPECT_TRUE(IsWindow(console.dialog()));
}

TEST(SenderServerTest, CloseMessageEndsTheDialogAndLaterRequestsHearTheConsoleIsClosing) {
  TestConsole console;
  EXPECT_TRUE(console.Exchange(Sync(MessageRequest{WM_CLOSE, 0, 0})).reply.ok());
  EXPECT_FALSE(IsWindow(console.dialog()));
  EXPECT_EQ(ErrorOf(console.Exchange(Sync(ReadRequest{kEdit}))), sender::kConsoleClosing);
}

// --- When the reply comes ---------------------------------------------------------------------

TEST(SenderServerTest, SyncRequestIsAnsweredOnlyAfterItsHandlerRan) {
  TestConsole console;
  std::atomic<bool> handled{false};
  console.procedure().on_command = [&](WORD) { handled = true; };
  bool handled_when_replied = false;
  console.RunWhile([&] {
    const auto line = std::get<std::string>(sender::EncodeRequest(Sync(CommandRequest{kButton})));
    const auto result = sender::Exchange(console.socket_path(), line, std::chrono::seconds(10));
    handled_when_replied = result.reply.ok() && handled;
  });
  EXPECT_TRUE(handled_when_replied);
}

TEST(SenderServerTest, QueuedRequestIsAnsweredOnceTakenBeforeItsHandlerRuns) {
  TestConsole console;
  std::promise<void> replied;
  bool replied_before_handler = false;
  // The handler waits for the reply: a reply that waited for the handler would never come.
  console.procedure().on_command = [&](WORD) {
    replied_before_handler =
        replied.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  };
  const auto line = std::get<std::string>(sender::EncodeRequest(Queued(CommandRequest{kButton})));
  console.RunWhile([&] {
    EXPECT_TRUE(sender::Exchange(console.socket_path(), line, std::chrono::seconds(10)).reply.ok());
    replied.set_value();
  });
  console.loop().DispatchReady();
  EXPECT_TRUE(replied_before_handler);
}

// Hands `requests` to the console one after another while its loop stands still, so that the
// loop looks at them in this order once it runs; then runs the loop until every reply is in.
std::vector<sender::Reply> SendWhileTheLoopStands(TestConsole& console,
                                                  const std::vector<sender::Request>& requests) {
  std::vector<sender::Reply> replies(requests.size());
  std::atomic<std::size_t> answered{0};
  std::vector<std::thread> senders;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const int wakes = console.wake_counter().wakes();
    senders.emplace_back([&, i] {
      const auto line = std::get<std::string>(sender::EncodeRequest(requests[i]));
      replies[i] = sender::Exchange(console.socket_path(), line, std::chrono::seconds(20)).reply;
      ++answered;
      console.loop().core()->Post([] {});  // work the loop sees, where a bare wake-up may be missed
    });
    EXPECT_TRUE(console.wake_counter().WaitForMoreThan(wakes));
  }
  EXPECT_TRUE(console.loop().RunUntilOrTimeout([&] { return answered == requests.size(); },
                                               std::chrono::seconds(20)));
  for (std::thread& sender_thread : senders) sender_thread.join();
  return replies;
}

TEST(SenderServerTest, RequestsBeyondWhatMayWaitAreRefusedAsBusy) {
  sender::ServerLimits limits;
  limits.max_waiting = 2;
  TestConsole console(limits);
  const auto replies =
      SendWhileTheLoopStands(console, std::vector(4, Queued(CommandRequest{kButton})));
  const std::optional<std::string> busy = sender::kConsoleBusy;
  EXPECT_EQ(replies[0].error, std::nullopt);
  EXPECT_EQ(replies[1].error, std::nullopt);
  EXPECT_EQ(replies[2].error, busy);
  EXPECT_EQ(replies[3].error, busy);
  console.loop().DispatchReady();
  EXPECT_EQ(console.procedure().Received(WM_COMMAND).size(), 2u);
}

TEST(SenderServerTest, CloseFromASenderGoesAheadOfWaitingInput) {
  TestConsole console;
  std::vector requests(3, Queued(CommandRequest{kButton}));
  requests.push_back(Queued(MessageRequest{WM_CLOSE, 0, 0}));
  for (const auto& reply : SendWhileTheLoopStands(console, requests)) EXPECT_TRUE(reply.ok());
  console.loop().DispatchReady();
  EXPECT_FALSE(IsWindow(console.dialog()));
  EXPECT_TRUE(console.procedure().Received(WM_COMMAND).empty());
}

class RecordingDebugPort final : public platform::DebugSink {
 public:
  void Write(std::string_view utf8) override { lines.emplace_back(utf8); }
  std::vector<std::string> lines;
};

TEST(SenderServerTest, QueuedInputIsRefusedWhenTakenOrReportedWhenAnEarlierOneChangedTheDialog) {
  auto port = std::make_shared<RecordingDebugPort>();
  platform::Board board;
  board.debug_port = port;
  platform::InstallBoard(std::move(board));
  {
    TestConsole console;
    EXPECT_EQ(ErrorOf(console.Exchange(Queued(TextRequest{kLog, "x"}))),
              "control 104 is read-only");
    // The button's handler disables the radio button that the next request clicks.
    console.procedure().on_command = [&](WORD id) {
      if (id == kButton) EnableWindow(console.control(kRadioOne), FALSE);
    };
    const auto replies = SendWhileTheLoopStands(
        console, {Queued(CommandRequest{kButton}), Queued(CommandRequest{kRadioOne})});
    EXPECT_TRUE(replies[0].ok() && replies[1].ok());
    console.loop().DispatchReady();
    EXPECT_FALSE(Checked(console.control(kRadioOne)));
  }
  platform::InstallBoard({});
  ASSERT_EQ(port->lines.size(), 1u);
  EXPECT_EQ(port->lines[0],
            "DialogQueue::CarryOutNext():: taken request refused: control 101 is disabled\r\n");
}

TEST(SenderServerTest, CommandThatNobodyKnowsIsTakenWithANote) {
  TestConsole console;
  for (const auto& request : {Queued(CommandRequest{4242}), Sync(CommandRequest{4242})}) {
    const auto result = console.Exchange(request);
    EXPECT_TRUE(result.reply.ok());
    EXPECT_EQ(result.reply.note, "neither a control nor the command table knows command 4242; "
                                 "the dialog's default processing takes it");
  }
  EXPECT_EQ(console.Exchange(Sync(CommandRequest{kCommandWithoutControl})).reply.note,
            std::nullopt);
  EXPECT_EQ(console.Exchange(Sync(CommandRequest{kButton})).reply.note, std::nullopt);
  console.loop().DispatchReady();
  EXPECT_EQ(console.procedure().Received(WM_COMMAND).size(), 4u);
}

// --- While a message box is open --------------------------------------------------------------

TEST(SenderServerTest, WhileAMessageBoxIsOpenInputIsRefusedButReadsAndMessagesGoThrough) {
  TestConsole console;
  auto box_shown = console.BoxOnButton();
  const auto send = [&](const sender::Request& request) {
    const auto line = std::get<std::string>(sender::EncodeRequest(request));
    return sender::Exchange(console.socket_path(), line, std::chrono::seconds(10)).reply;
  };

  std::vector<sender::Reply> replies;
  console.RunWhile([&] {
    EXPECT_TRUE(send(Queued(CommandRequest{kButton})).ok());
    if (box_shown.wait_for(std::chrono::seconds(20)) != std::future_status::ready) return;
    const auto dismiss = box_shown.get();
    replies.push_back(send(Sync(TextRequest{kEdit, "x"})));
    replies.push_back(send(Sync(SelectRequest{kEdit, 0, 0})));
    replies.push_back(send(Sync(CommandRequest{kRadioOne})));
    replies.push_back(send(Sync(CommandRequest{kCommandWithoutControl})));
    replies.push_back(send(Queued(CommandRequest{kCommandWithoutControl})));
    replies.push_back(send(Queued(TextRequest{kEdit, "x"})));
    replies.push_back(send(Sync(ReadRequest{0})));
    replies.push_back(send(Sync(MessageRequest{kMeterMessage, 1, 2})));
    dismiss(IDOK);
  });

  ASSERT_EQ(replies.size(), 8u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(replies[i].error, platform::kMessageBoxOpen) << i;
  EXPECT_EQ(replies[6].text, "QUORVANE");
  EXPECT_TRUE(replies[7].ok());
  EXPECT_EQ(console.procedure().Received(kMeterMessage).size(), 1u);
  EXPECT_FALSE(Checked(console.control(kRadioOne)));
  EXPECT_EQ(console.procedure().Received(WM_COMMAND).size(), 1u);  // the button's own click
  EXPECT_TRUE(IsWindowEnabled(console.dialog()));
}

// --- Requests that are not requests -----------------------------------------------------------

TEST(SenderServerTest, GarbageOversizedAndHalfRequestsGetErrorsAndChangeNothing) {
  TestConsole console;
  EXPECT_EQ(console.ExchangeRaw("hello console\n"),
            ErrorReply("the request is not valid JSON (at byte 1)"));
  EXPECT_EQ(console.ExchangeRaw(R"({"verb":"text","id":103,"text":"half)",
                                TestConsole::AfterWriting::CloseWriting),
            ErrorReply("the request ends before its newline"));
  EXPECT_EQ(console.ExchangeRaw("", TestConsole::AfterWriting::CloseWriting),
            ErrorReply("no request arrived"));
  const std::string oversized =
      R"({"verb":"text","id":103,"text":")" + std::string(70000, 'a') + "\"}\n";
  EXPECT_EQ(console.ExchangeRaw(oversized), ErrorReply("the request is longer than 65536 bytes"));
  // The limit counts the newline: a line of exactly 64 KiB is a request.
  const std::string head = R"({"verb":"text","id":103,"sync":true,"text":")";
  const std::string largest =
      head + std::string(sender::kMaxRequestBytes - head.size() - 3, 'b') + "\"}\n";
  ASSERT_EQ(largest.size(), sender::kMaxRequestBytes);
  EXPECT_EQ(console.ExchangeRaw(largest), sender::EncodeReply(sender::Reply::Done()));
  EXPECT_EQ(console.ExchangeRaw(head + "b" + largest.substr(head.size())),
            ErrorReply("the request is longer than 65536 bytes"));
  console.Exchange(Sync(TextRequest{kEdit, ""}));
  EXPECT_EQ(console.ExchangeRaw(std::string(1000, '\0') + "\n"),
            ErrorReply("the request is not valid JSON (at byte 1)"));

  EXPECT_EQ(platform::FindWindowState(console.control(kEdit))->text, u"");
  EXPECT_TRUE(console.procedure().Received(WM_COMMAND).empty());
  // The console goes on serving.
  EXPECT_TRUE(console.Exchange(Sync(TextRequest{kEdit, "still here"})).reply.ok());
  EXPECT_EQ(ReadText(console, kEdit), "still here");
}

TEST(SenderServerTest, SenderThatSendsNothingGetsAnErrorOnceTheReceiveTimeoutPasses) {
  sender::ServerLimits limits;
  limits.receive_timeout = std::chrono::milliseconds(50);
  TestConsole console(limits);
  EXPECT_EQ(console.ExchangeRaw(R"({"verb":"read")"),
            ErrorReply("no complete request arrived in time"));
}

TEST(SenderServerTest, SilentConnectionsMakeRoomForSendersThatSpeak) {
  TestConsole console;
  std::vector<platform::posix::UniqueFd> silent;
  for (int i = 0; i < 100; ++i) silent.push_back(console.ConnectRaw());
  EXPECT_EQ(ReadText(console, 0), "QUORVANE");
  // The one that waited longest made room.
  EXPECT_EQ(TestConsole::ReadUntilClosed(silent.front().get()), ErrorReply(sender::kConsoleBusy));
}

// --- The socket itself ------------------------------------------------------------------------

TEST(SenderServerTest, SocketIsForItsOwnerAloneAndGoesAwayWithTheServer) {
  TestConsole console;
  struct stat state {};
  ASSERT_EQ(::lstat(console.socket_path().c_str(), &state), 0);
  EXPECT_TRUE(S_ISSOCK(state.st_mode));
  EXPECT_EQ(state.st_mode & 07777, 0600u);
  console.server().Stop();
  EXPECT_FALSE(std::filesystem::exists(console.socket_path()));
  const auto line = std::get<std::string>(sender::EncodeRequest(Sync(ReadRequest{0})));
  EXPECT_EQ(sender::Exchange(console.socket_path(), line, std::chrono::seconds(1)).status,
            ExchangeStatus::NoConsole);
}

TEST(SenderServerTest, SecondServerOnTheSameSocketIsRefusedAndTheFirstKeepsServing) {
  TestConsole console;
  sender::SenderServer second(console.socket_path(), console.dialog(), console.loop().core());
  EXPECT_EQ(second.Start(), "a console already listens on " + console.socket_path().string());
  second.Stop();
  EXPECT_EQ(ReadText(console, 0), "QUORVANE");
}

TEST(SenderServerTest, LeftoverSocketFileIsReplacedButOtherFilesAreNot) {
  TestConsole console;
  const auto leftover = console.folder() / "leftover.sock";
  {
    sender::SenderServer ended(leftover, console.dialog(), console.loop().core());
    ASSERT_EQ(ended.Start(), std::nullopt);
    // A console that died keeps its socket file: make a hard link to keep it past Stop.
    std::filesystem::create_hard_link(leftover, console.folder() / "kept.sock");
  }
  std::filesystem::rename(console.folder() / "kept.sock", leftover);
  sender::SenderServer next(leftover, console.dialog(), console.loop().core());
  EXPECT_EQ(next.Start(), std::nullopt);
  next.Stop();

  const auto plain_file = console.folder() / "plain";
  std::ofstream(plain_file) << "data";
  sender::SenderServer onto_file(plain_file, console.dialog(), console.loop().core());
  EXPECT_EQ(onto_file.Start(), plain_file.string() + " exists and is not a socket");
  EXPECT_TRUE(std::filesystem::exists(plain_file));
}

TEST(SenderServerTest, FolderThatOthersCanEnterIsRefused) {
  TestConsole console;
  const auto open_folder = console.folder() / "open";
  std::filesystem::create_directory(open_folder);
  ::chmod(open_folder.c_str(), 0755);
  sender::SenderServer server(open_folder / "console.sock", console.dialog(),
                              console.loop().core());
  EXPECT_EQ(server.Start(), "the socket's folder " + open_folder.string() +
                                " has mode 0755; it must be 0700 so that only its owner can reach "
                                "the socket");
  EXPECT_FALSE(std::filesystem::exists(open_folder / "console.sock"));
}

// --- Stopping ---------------------------------------------------------------------------------

TEST(SenderServerTest, StopOnTheUserInterfaceThreadLetsAWaitingSenderGoWithoutRunningItsRequest) {
  TestConsole console;
  const int wakes = console.wake_counter().wakes();
  sender::Reply reply;
  std::thread sender_thread([&] {
    const auto line = std::get<std::string>(sender::EncodeRequest(Sync(CommandRequest{kButton})));
    reply = sender::Exchange(console.socket_path(), line, std::chrono::seconds(10)).reply;
  });
  // The request is queued on the loop, which this thread is not running.
  ASSERT_TRUE(console.wake_counter().WaitForMoreThan(wakes));
  console.server().Stop();
  sender_thread.join();
  EXPECT_EQ(reply.error, sender::kConsoleClosing);
  console.loop().DispatchReady();
  EXPECT_TRUE(console.procedure().Received(WM_COMMAND).empty());
}

TEST(SenderServerTest, LoopThatEndsUnderAWaitingSenderTellsItTheConsoleIsClosing) {
  TestConsole console;
  const int wakes = console.wake_counter().wakes();
  sender::Reply reply;
  std::thread sender_thread([&] {
    const auto line = std::get<std::string>(sender::EncodeRequest(Sync(ReadRequest{0})));
    reply = sender::Exchange(console.socket_path(), line, std::chrono::seconds(10)).reply;
  });
  ASSERT_TRUE(console.wake_counter().WaitForMoreThan(wakes));
  console.EndLoop();
  sender_thread.join();
  EXPECT_EQ(reply.error, sender::kConsoleClosing);
}

}  // namespace
