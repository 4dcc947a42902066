// Conversations of the port layer with a scripted printer: the bytes on the wire, the waits
// through the fake clock and the result codes.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "port_harness.h"
#include "test_support.h"

namespace vrtruty::comm {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using test::kBufferClear;
using test::kPrinterId;
using test::kReset3;
using test::Tagged;

const Bytes kStatus1 = {0x10, 0x04, 0x01};
const Bytes kStatus2 = {0x10, 0x04, 0x02};
const Bytes kStatus3 = {0x10, 0x04, 0x03};
const Bytes kStatus4 = {0x10, 0x04, 0x04};

class Conversation : public ::testing::Test, public test::PortHarness {};

TEST_F(Conversation, LanSendsGoInPiecesWithAPauseAfterEveryThirdFullPieceFollowedByMore) {
    Use(app::PortKind::PORT_LAN);
    const int handle = Port().PortOpen(Port().GetPortName(1));
    ASSERT_NE(handle, PortAccess::kInvalidHandle);
    EXPECT_EQ(lan.openedAddresses(), (std::vector<std::string>{"192.168.0.20"}));

    const std::size_t waitsBefore = clock.waits().size();
    ASSERT_EQ(Port().PrinterSendData(handle, Bytes(2500, 0x41)), PRT_SUCCESS);
    ASSERT_EQ(lan.writes().size(), 3u);
    EXPECT_EQ(lan.writes()[0].bytes.size(), 1024u);
    EXPECT_EQ(lan.writes()[1].bytes.size(), 1024u);
    EXPECT_EQ(lan.writes()[2].bytes.size(), 452u);
    EXPECT_EQ(clock.waits().size(), waitsBefore) << "no pause: the third piece is not full";

    ASSERT_EQ(Port().PrinterSendData(handle, Bytes(4096, 0x42)), PRT_SUCCESS);
    EXPECT_EQ(lan.writes().size(), 7u);
    EXPECT_EQ(
        std::vector<milliseconds>(clock.waits().begin() + static_cast<std::ptrdiff_t>(waitsBefore),
                                  clock.waits().end()),
        std::vector<milliseconds>{milliseconds(30)})
        << "one pause after the third piece, none after the fourth";

    lan.QueueWritePort({1, 100});
    EXPECT_EQ(Port().PrinterSendData(handle, Bytes(200, 0)), PRT_ERR_SEND) << "short write";
}

TEST_F(Conversation, SerialSendFailsWhenDsrNeverClears) {
    Use(app::PortKind::PORT_COM);
    device.QueueSerialStatus(platform::SerialLineStatus{true, 0});
    const int handle = Port().PortOpen(Port().GetPortName(1));
    ASSERT_NE(handle, PortAccess::kInvalidHandle);
    EXPECT_EQ(opener.openedNames, (std::vector<std::string>{"/dev/ttyS0"}));
    EXPECT_EQ(Port().PrinterSendData(handle, Bytes{0x0A}), PRT_ERR_SEND);
    EXPECT_TRUE(device.writes().empty());
    EXPECT_EQ(device.serialStatusQueries(), 200u);
    EXPECT_EQ(Count(milliseconds(10)), 200) << "about two seconds of 10 ms polls";
}

TEST_F(Conversation, ParallelSendFailsBeforeAnyByteWhenTheprinterIsOffLine) {
    Use(app::PortKind::PORT_LPT);
    device.SetParallelStatus(platform::kParallelOffLine);
    const int handle = Port().PortOpen(Port().GetPortName(1));
    EXPECT_EQ(Port().PrinterSendData(handle, Bytes{0x0A}), PRT_ERR_SEND);
    EXPECT_TRUE(device.writes().empty());

    device.SetParallelStatus(std::nullopt);  // an unanswered query counts as on line
    EXPECT_EQ(Port().PrinterSendData(handle, Bytes{0x0A}), PRT_SUCCESS);
}

TEST_F(Conversation, TextAndStatusRepliesCompleteOnlyInTheirForm) {
    Use(app::PortKind::PORT_USB);
    const int handle = Port().PortOpen(Port().GetPortName(1));
    std::array<std::uint8_t, 30> buffer{};
    std::size_t length = 0;

    device.QueueReply({'_', 'A', 'B', 'C', 0x00});
    context.replyMode = ReplyMode::REPLY_TEXT;
    EXPECT_EQ(Port().PrinterReceiveData(handle, buffer, length), PRT_SUCCESS);
    EXPECT_EQ(length, 5u);

    device.QueueReply({'_', 'A', 'B', 'C'});
    EXPECT_EQ(Port().PrinterReceiveData(handle, buffer, length), PRT_ERR_NOREPLY);
    EXPECT_EQ(length, 4u);

    device.QueueReply({0x12, 0x12});
    context.replyMode = ReplyMode::REPLY_STATUS;
    EXPECT_EQ(Port().PrinterReceiveData(handle, std::span(buffer).first(1), length), PRT_SUCCESS)
        << "one byte of room: the second byte stays with the device";
    EXPECT_EQ(Port().PrinterReceiveData(handle, buffer, length), PRT_SUCCESS);
    device.QueueReply({0x12, 0x12});
    EXPECT_EQ(Port().PrinterReceiveData(handle, buffer, length), PRT_ERR_NOREPLY);
    EXPECT_EQ(length, 2u);
}

TEST_F(Conversation, PrinterQueueReceivesNothingAfter200Ms) {
    Use(app::PortKind::PORT_WINDRV);
    std::array<std::uint8_t, 30> buffer{};
    std::size_t length = 99;
    EXPECT_EQ(Port().PrinterReceiveData(PortAccess::kInvalidHandle, buffer, length),
              PRT_ERR_NOREPLY);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(clock.waits(), std::vector<milliseconds>{milliseconds(200)});
}

TEST_F(Conversation, OffLineCauseChainEndsInOffline2ThenReset3) {
    Use(app::PortKind::PORT_USB);
    Answer({{kBufferClear, {0x37, 0x25, 0x00}},
            {kStatus1, {0x1A}},
            {kStatus2, {0x12}},
            {kStatus3, {0x12}},
            {kStatus4, {0x12}},
            {kReset3, {0x3B, 0x33, 0x00}}});
    const int handle = Port().PortOpen(Port().GetPortName(1));
    EXPECT_EQ(CheckPrinterStatus(Port(), handle), PRT_ERR_OFFLINE2);
    EXPECT_EQ(Written(),
              (std::vector<Bytes>{kBufferClear, kStatus1, kStatus2, kStatus3, kStatus4, kReset3}));
}

TEST_F(Conversation, EachOffLineCauseHasItsOwnCode) {
    Use(app::PortKind::PORT_USB);
    const int handle = Port().PortOpen(Port().GetPortName(1));
    const std::pair<std::map<Bytes, Bytes>, int> cases[] = {
        {{{kStatus1, {0x12}}}, PRT_SUCCESS},
        {{{kStatus1, {0x1A}}, {kStatus2, {0x16}}}, PRT_ERR_COVEROPEN},
        {{{kStatus1, {0x1A}}, {kStatus2, {0x12}}, {kStatus3, {0x1A}}}, PRT_ERR_CUTTERJAM},
        {{{kStatus1, {0x1A}}, {kStatus2, {0x12}}, {kStatus3, {0x12}}, {kStatus4, {0x72}}},
         PRT_ERR_PAPEREMPTY},
        {{{kStatus1, {0x1A}}, {kStatus2, {0x12}}, {kStatus3, {0x12}}, {kStatus4, {0x32}}},
         PRT_ERR_OFFLINE2},
    };
    for (const auto& [replies, expected] : cases) {
        Answer(replies);
        EXPECT_EQ(PrinterCommand(Port(), CommandId::CMD_STATUS1, handle), expected);
        EXPECT_EQ(context.replyMode, ReplyMode::REPLY_TEXT);
    }
}

TEST_F(Conversation, BufferClearRepliesAreCheckedByteForByte) {
    Use(app::PortKind::PORT_USB);
    const int handle = Port().PortOpen(Port().GetPortName(1));
    device.QueueReply({0x37, 0x25, 0x00});
    EXPECT_EQ(PrinterCommand(Port(), CommandId::CMD_BUFFERCLEAR, handle), PRT_SUCCESS);
    // A reply whose last byte is not zero never completes: it is refused as no reply (which
    // shows the same message as a data error).
    device.QueueReply({0x37, 0x25, 0x01});
    EXPECT_EQ(PrinterCommand(Port(), CommandId::CMD_BUFFERCLEAR, handle), PRT_ERR_NOREPLY);
    device.QueueReply({0x37, 0x26, 0x00});
    EXPECT_EQ(PrinterCommand(Port(), CommandId::CMD_BUFFERCLEAR, handle), PRT_ERR_DATA);
    device.QueueReply({0x37});
    EXPECT_EQ(PrinterCommand(Port(), CommandId::CMD_BUFFERCLEAR, handle), PRT_ERR_DATA)
        << "a first read of only 37 is judged at once against the zeroed buffer";
    EXPECT_EQ(device.pendingReplies(), 0u);
}

class CheckPrinterTest : public Conversation {
  protected:
    void SetUp() override {
        Use(app::PortKind::PORT_USB);
        replies = {{kBufferClear, {0x37, 0x25, 0x00}},
                   {kStatus1, {0x12}},
                   {kPrinterId, Tagged("_TR-770")},
                   {kReset3, {0x3B, 0x33, 0x00}}};
    }
    int Check() {
        Answer(replies);
        return CheckPrinter(Port(), Port().GetPortName(1), "_TR-770");
    }
    std::map<Bytes, Bytes> replies;
};

TEST_F(CheckPrinterTest, OnlyTheExactModelNameAnswersAndEveryAnswerIsFollowedByAReset) {
    EXPECT_EQ(Check(), PRT_SUCCESS);
    EXPECT_EQ(Written(), (std::vector<Bytes>{kBufferClear, kStatus1, kPrinterId, kReset3}));
    EXPECT_EQ(opener.opened, 1);

    replies[kPrinterId] = Tagged("_TR-770K");
    EXPECT_EQ(Check(), PRT_ERR_DATA) << "a longer model name";
    EXPECT_EQ(Written().back(), kReset3);

    replies.erase(kPrinterId);
    EXPECT_EQ(Check(), PRT_ERR_NOREPLY);
    EXPECT_EQ(Written().back(), kPrinterId) << "no reset without an answer";
}

TEST_F(CheckPrinterTest, WithoutSwitchesOnlyTheDummyByteTheIdAndTheResetGoOverTheLan) {
    Use(app::PortKind::PORT_LAN);
    switches = {false, false};
    lan.QueueRecvPort({1, {}});  // the status clear drains nothing
    lan.QueueRecvPort({1, {}});
    lan.QueueRecvPort({1, {}});
    lan.QueueRecvBytes(Tagged("_TR-770"));
    lan.QueueRecvBytes({0x3B, 0x33, 0x00});
    EXPECT_EQ(CheckPrinter(Port(), Port().GetPortName(0), "_TR-770"), PRT_SUCCESS);
    std::vector<Bytes> written;
    for (const auto& call : lan.writes()) {
        written.push_back(call.bytes);
    }
    EXPECT_EQ(written, (std::vector<Bytes>{{0x00}, kPrinterId, kReset3}));
    EXPECT_EQ(lan.closedPorts().size(), 1u);
}

TEST_F(Conversation, PortNameOfAnEmptyNetworkListIsNoneAndKeepsTheLibrary) {
    Use(app::PortKind::PORT_LAN);
    config.lanPrinters.clear();
    context.lanLibrary = 1;
    EXPECT_EQ(Port().GetPortName(1), "None");
    EXPECT_EQ(context.lanLibrary, 1);
    EXPECT_EQ(PrinterSendOperation(Port(), 14, Bytes{0x1B, 0x40}), PRT_ERR_OPEN);
}

class SendOperation : public Conversation {
  protected:
    void SetUp() override {
        switches.statusCheck = false;
        Answer({{kReset3, {0x3B, 0x33, 0x00}}});
    }
};

TEST_F(SendOperation, ConnectionCheckOpensWritesNothingClosesAndSettles) {
    Use(app::PortKind::PORT_COM);
    device.QueueSerialStatus(platform::SerialLineStatus{false, 0});
    EXPECT_EQ(PrinterSendOperation(Port(), kOperationConnectionCheck, {}), PRT_SUCCESS);
    EXPECT_EQ(opener.opened, 1);
    EXPECT_TRUE(device.writes().empty());
    EXPECT_EQ(clock.waits().back(), milliseconds(500));
}

TEST_F(SendOperation, LogoPrintWaitsWithoutResetAndLogoDeleteWaitsThenResets) {
    Use(app::PortKind::PORT_USB);
    EXPECT_EQ(PrinterSendOperation(Port(), 12, Bytes{0x1D, 0x28}), PRT_SUCCESS);
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0x1D, 0x28}}));
    EXPECT_EQ(Count(milliseconds(500)), 3 + 1) << "1500 ms in pieces of 500, then the settle";

    EXPECT_EQ(PrinterSendOperation(Port(), 10, Bytes{0x1D, 0x29}), PRT_SUCCESS);
    EXPECT_EQ(Written().back(), kReset3);
}

TEST_F(SendOperation, EachOperationWaitsItsSettleTimeAfterClosingThePort) {
    // After a settings send (1) the printer restarts; other operations give it time to finish
    // what it was sent before the next job may open the port.
    const std::pair<int, int> cases[] = {
        {1, 1000}, {2, 500},  {3, 1000},  {4, 1000}, {5, 3000}, {6, 5000},  {7, 5000},
        {8, 3000}, {9, 500},  {10, 500},  {11, 500}, {12, 500}, {13, 1500}, {14, 500},
        {15, 500}, {16, 500}, {17, 1000}, {18, 500}, {26, 500},
    };
    Use(app::PortKind::PORT_USB);
    milliseconds closedAt{-1};
    opener.onClose = [&] { closedAt = clock.now(); };
    for (const auto& [operation, settle] : cases) {
        closedAt = milliseconds(-1);
        EXPECT_EQ(PrinterSendOperation(Port(), operation, Bytes{0x1B, 0x40}), PRT_SUCCESS)
            << "operation " << operation;
        ASSERT_GE(closedAt, milliseconds(0)) << "operation " << operation << " closed no port";
        // The port layer's own 100 ms after any close, then the operation's settle time.
        EXPECT_EQ(clock.now() - closedAt, milliseconds(100 + settle))
            << "wait after closing the port in operation " << operation;
    }
    opener.onClose = nullptr;
}

TEST_F(SendOperation, ASendErrorStillClosesThePort) {
    Use(app::PortKind::PORT_USB);
    device.FailNextWrite();
    EXPECT_EQ(PrinterSendOperation(Port(), 17, Bytes{0x0A}), PRT_ERR_SEND);
    EXPECT_EQ(Port().PrinterSendData(1, Bytes{0x0A}), PRT_ERR_SEND) << "handle 1 was closed";
}

TEST_F(SendOperation, SoundCheckWaitsForTheBeeps) {
    EXPECT_EQ(ActionTime(kOperationSoundCheck, {0, 3}), milliseconds((40 + 120) * 3 - 120));
    EXPECT_EQ(ActionTime(kOperationSoundCheck, {4, 5}), milliseconds((30 + 50) * 5 - 50));
    EXPECT_EQ(ActionTime(kOperationSoundCheck, {2, 0}), milliseconds(0));
    EXPECT_EQ(ActionTime(16), milliseconds(4000));
}

TEST_F(SendOperation, NetworkJobsGoToEveryListedPrinterAndStopAtTheFirstFailure) {
    Use(app::PortKind::PORT_LAN);
    config.lanPrinters.push_back({0, "192.168.0.21", "", {}});
    config.lanPrinters.push_back({0, "192.168.0.22", "", {}});
    config.lanIndex = 2;
    lan.QueueOpenPort(7);
    lan.QueueOpenPort(-1);  // the second printer cannot be reached
    lan.QueueOpenPort(-1);
    lan.QueueOpenPort(-1);
    const int result = ForEachTargetPrinter(Port(), [&] {
        return PrinterSendOperation(Port(), 15, Bytes{0x1B, 0x40});
    });
    EXPECT_EQ(result, PRT_ERR_OPEN);
    EXPECT_EQ(lan.openedAddresses(), (std::vector<std::string>{"192.168.0.20", "192.168.0.21",
                                                               "192.168.0.21", "192.168.0.21"}));
    EXPECT_EQ(config.lanIndex, 2u) << "the chosen printer is kept";
}

}  // namespace
}  // namespace vrtruty::comm
