#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/lp.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "comm/tcp_lan_library.h"
#include "platform/device_channel.h"
#include "platform/device_file_channel.h"
#include "platform/file_descriptor.h"
#include "platform/tcp_socket.h"
#include "test_support.h"

namespace vrtruty::platform {
namespace {

using std::chrono::milliseconds;
using namespace std::string_view_literals;
using test::Bytes;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Steady = std::chrono::steady_clock;

// Long enough for any loopback or pseudo-terminal exchange; only a failing test waits this long.
constexpr milliseconds kGenerous{2000};

// Reads from a descriptor until `count` bytes have come or the time is up.
std::vector<std::uint8_t> ReadUpTo(int fd, std::size_t count) {
    std::vector<std::uint8_t> bytes;
    const auto deadline = Steady::now() + kGenerous;
    while (bytes.size() < count && Steady::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        const auto left = std::chrono::ceil<milliseconds>(deadline - Steady::now());
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        std::array<std::uint8_t, 256> chunk{};
        const ssize_t got = ::read(fd, chunk.data(), std::min(chunk.size(), count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    }
    return bytes;
}

// True when the other end closes the connection (rather than sending or staying silent).
bool SeesEndOfStream(int fd) {
    pollfd entry{fd, POLLIN, 0};
    std::uint8_t byte = 0;
    return ::poll(&entry, 1, static_cast<int>(kGenerous.count())) == 1 && ::read(fd, &byte, 1) == 0;
}

void WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// The printer's end of a serial line: the master of a pseudo-terminal pair, whose slave the
// utility opens as its serial port.
class PseudoTerminal {
  public:
    PseudoTerminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        std::array<char, 128> name{};
        if (master_.valid() && ::grantpt(master_.get()) == 0 && ::unlockpt(master_.get()) == 0 &&
            ::ptsname_r(master_.get(), name.data(), name.size()) == 0) {
            slave_ = name.data();
        }
    }
    bool valid() const { return !slave_.empty(); }
    int master() const { return master_.get(); }
    const std::string& slave() const { return slave_; }
    // The line settings as the utility's end sees them.
    termios SlaveSettings() const {
        termios settings{};
        ::tcgetattr(master_.get(), &settings);
        return settings;
    }

  private:
    FileDescriptor master_;
    std::string slave_;
};

std::unique_ptr<DeviceChannel> OpenSerial(const PseudoTerminal& terminal,
                                          const SerialLineSettings& line = {}) {
    std::error_code error;
    auto channel = OpenSerialDevice(terminal.slave(), line, error);
    EXPECT_NE(channel, nullptr) << "opening " << terminal.slave() << ": " << error.message();
    return channel;
}

TEST(SerialDeviceTest, EightBitsNoParityInRawModeBytesPassUnchangedWithoutEcho) {
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    auto port = OpenSerial(printer, {.baudRate = 19200, .xonXoff = true});
    ASSERT_NE(port, nullptr);
    const termios applied = printer.SlaveSettings();
    EXPECT_EQ(::cfgetospeed(&applied), static_cast<speed_t>(B19200));
    EXPECT_EQ(applied.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(applied.c_cflag & (CLOCAL | CREAD | CRTSCTS), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(applied.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON)) << "output only";
    EXPECT_EQ(applied.c_lflag & (ICANON | ECHO), 0u);

    // Carriage return, interrupt, line feed and erase would be translated, raise a signal, end a
    // line or delete a character in canonical mode.
    const std::vector<std::uint8_t> reply{0x0D, 0x03, 0x0A, 0x7F, 0x00, 0x1D};
    WriteAll(printer.master(), reply);
    std::array<std::uint8_t, 16> buffer{};
    const IoResult read = port->Read(buffer, kGenerous);
    ASSERT_EQ(read.status, IoStatus::Done);
    EXPECT_THAT(std::span(buffer).first(read.bytes), ElementsAreArray(reply));

    // Anything echoed was queued before the read above returned, so it would arrive first.
    const std::vector<std::uint8_t> command{0x10, 0x04, 0x0A, 0x0D};
    EXPECT_EQ(port->Write(command, kGenerous).bytes, 4u);
    EXPECT_EQ(ReadUpTo(printer.master(), 4), command);
}

TEST(SerialDeviceTest, ReadTimesOutAndStatusCountsTheWaitingBytes) {
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    auto port = OpenSerial(printer);  // DSR flow control on: a pseudo-terminal never holds it
    ASSERT_NE(port, nullptr);
    std::array<std::uint8_t, 8> buffer{};
    const auto start = Steady::now();
    const IoResult waited = port->Read(buffer, milliseconds(20));
    EXPECT_GE(Steady::now() - start, milliseconds(19));
    EXPECT_EQ(waited.status, IoStatus::TimedOut);
    EXPECT_EQ(waited.bytes, 0u);
    EXPECT_EQ(port->Read(buffer, milliseconds(0)).status, IoStatus::TimedOut);

    WriteAll(printer.master(), {0x3B, 0x33, 0x00});
    // The queue fills asynchronously after the master writes; ask again until the count arrives.
    std::optional<SerialLineStatus> status = port->QuerySerialStatus();
    for (const auto deadline = Steady::now() + kGenerous;
         status && status->bytesWaiting < 3 && Steady::now() < deadline;) {
        std::this_thread::yield();
        status = port->QuerySerialStatus();
    }
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->bytesWaiting, 3u);
    EXPECT_FALSE(status->heldByDsr);
    EXPECT_EQ(port->Read(buffer, kGenerous).bytes, 3u);
    EXPECT_EQ(port->QuerySerialStatus()->bytesWaiting, 0u);
}

TEST(SerialDeviceTest, OnlyOneOpenAtATimeAndTheLineIsFreeAgainAfterClose) {
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    // Another program keeping the line open (as the virtual printer does) keeps the terminal's
    // exclusive-use flag alive past our close unless the close clears it.
    FileDescriptor bystander(::open(printer.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(bystander.valid());
    auto first = OpenSerial(printer);
    ASSERT_NE(first, nullptr);
    std::error_code error;
    EXPECT_EQ(OpenSerialDevice(printer.slave(), {}, error), nullptr);
    EXPECT_TRUE(error) << "a second open must fail while the first holds the line";
    first.reset();
    // 7 bits with even parity is beyond a pseudo-terminal; the open succeeds all the same.
    EXPECT_NE(OpenSerialDevice(printer.slave(), {.dataBits = 7, .parity = 'e'}, error), nullptr)
        << error.message();
}

TEST(DeviceFileTest, UsbAndParallelChannelsAreExclusiveAndWriteAndReadWithTimeOuts) {
    // A raw pseudo-terminal stands in for the device file; the test plays the printer at its
    // master end and sends back what it received.
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    termios raw = printer.SlaveSettings();
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(printer.master(), TCSANOW, &raw), 0);
    for (const bool usb : {true, false}) {
        SCOPED_TRACE(usb ? "USB" : "parallel");
        ::tcflush(printer.master(), TCIOFLUSH);
        const auto open = [usb, &printer](std::error_code& error) {
            return usb ? OpenUsbPrinterDevice(printer.slave(), error)
                       : OpenParallelDevice(printer.slave(), error);
        };
        std::error_code error;
        auto port = open(error);
        ASSERT_NE(port, nullptr) << error.message();
        EXPECT_EQ(open(error), nullptr);
        EXPECT_EQ(error, std::errc::operation_would_block) << "the device is in use";

        EXPECT_EQ(port->Write(Bytes("\x1B@hello"), kGenerous).bytes, 7u);
        const std::vector<std::uint8_t> received = ReadUpTo(printer.master(), 7);
        EXPECT_EQ(received, Bytes("\x1B@hello"));
        WriteAll(printer.master(), received);
        std::array<std::uint8_t, 4> buffer{};
        EXPECT_EQ(port->Read(buffer, kGenerous).status, IoStatus::Done);
        EXPECT_THAT(buffer, ElementsAre(0x1B, '@', 'h', 'e'));
        EXPECT_EQ(port->Read(buffer, kGenerous).bytes, 3u) << "the rest of what is there, no more";
        EXPECT_EQ(port->Read(buffer, milliseconds(5)).status, IoStatus::TimedOut);

        // A device that stops taking bytes: what it took is counted.
        const std::vector<std::uint8_t> flood(1024 * 1024, 0x55);
        const IoResult stalled = port->Write(flood, milliseconds(20));
        EXPECT_EQ(stalled.status, IoStatus::TimedOut);
        EXPECT_GT(stalled.bytes, 0u);
        EXPECT_LT(stalled.bytes, flood.size());
        EXPECT_EQ(port->QueryParallelStatus(), std::nullopt) << "no parallel driver behind";
    }
}

TEST(DeviceFileTest, ParallelStatusMapsDriverLinesToPowerOffAndOffLine) {
    constexpr int kOnLine = LP_PBUSY | LP_PACK | LP_PSELECD | LP_PERRORP;  // not busy, no error
    const std::tuple<const char*, int, std::uint8_t> cases[] = {
        {"on line", kOnLine, 0},
        {"busy is still on line", kOnLine & ~LP_PBUSY, 0},
        {"reserved bits are ignored", kOnLine | 0x07, 0},
        {"deselected", kOnLine & ~LP_PSELECD, kParallelOffLine},
        {"error", kOnLine & ~LP_PERRORP, kParallelOffLine},
        {"out of paper", (kOnLine | LP_POUTPA) & ~LP_PERRORP, kParallelOffLine},
        // The busy bit reads inverted: 0x78 is every line high, 0x80 every line low.
        {"nothing on the cable", 0x78, kParallelPowerOff},
        {"printer switched off", 0x80, kParallelPowerOff},
        {"switched off, reserved bits set", 0x87, kParallelPowerOff},
    };
    for (const auto& [name, lines, expected] : cases) {
        EXPECT_EQ(ParallelStatusFromLinux(lines), expected) << name;
    }
}

// A TCP listener on a free loopback port, standing in for a network printer.
class LoopbackPrinter {
  public:
    LoopbackPrinter() : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::listen(listener_.get(), 4) == 0 &&
            ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    HostAndPort hostAndPort() const { return {"127.0.0.1", port_}; }

    // The printer's end of the connection the utility made.
    FileDescriptor Accept() {
        pollfd entry{listener_.get(), POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(kGenerous.count())) != 1) {
            return {};
        }
        return FileDescriptor(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

  private:
    FileDescriptor listener_;
    std::uint16_t port_ = 0;
};

TEST(TcpConnectionTest, SendsReceivesAndFailsOnceThePeerHasClosed) {
    LoopbackPrinter printer;
    std::error_code error;
    std::optional<TcpConnection> connected =
        TcpConnection::Connect(printer.hostAndPort(), kGenerous, error);
    ASSERT_TRUE(connected.has_value()) << error.message();
    TcpConnection& connection = *connected;
    FileDescriptor peer = printer.Accept();
    ASSERT_TRUE(peer.valid());
    EXPECT_EQ(connection.Send(Bytes("\x1DI\x01"), kGenerous).bytes, 3u);
    EXPECT_EQ(ReadUpTo(peer.get(), 3), Bytes("\x1DI\x01"));

    std::array<std::uint8_t, 16> buffer{};
    const auto start = Steady::now();
    const IoResult nothing = connection.Receive(buffer, milliseconds(0));
    EXPECT_LT(Steady::now() - start, milliseconds(5)) << "a 0 time-out does not wait";
    EXPECT_EQ(nothing.status, IoStatus::TimedOut);
    EXPECT_EQ(nothing.bytes, 0u);

    WriteAll(peer.get(), Bytes("_TR-770II\0"sv));
    const IoResult received = connection.Receive(buffer, kGenerous);
    EXPECT_EQ(received.status, IoStatus::Done);
    EXPECT_EQ(std::vector(buffer.begin(), buffer.begin() + received.bytes), Bytes("_TR-770II\0"sv));
    EXPECT_TRUE(connection.IsUsable()) << "unread data is no close";

    WriteAll(peer.get(), Bytes("last"));
    peer.close();
    EXPECT_EQ(connection.Receive(buffer, kGenerous).bytes, 4u) << "data sent before the close";
    const IoResult closed = connection.Receive(buffer, kGenerous);
    EXPECT_EQ(closed.status, IoStatus::Failed);
    EXPECT_FALSE(connection.IsUsable());
}

TEST(TcpConnectionTest, ConnectFailsWhenNothingListens) {
    const HostAndPort closed = LoopbackPrinter().hostAndPort();
    std::error_code error;
    EXPECT_FALSE(TcpConnection::Connect(closed, kGenerous, error).has_value());
    EXPECT_EQ(error, std::errc::connection_refused);
}

TEST(ParseHostAndPortTest, AcceptsHostPortAndBracketedIpv6) {
    const std::tuple<const char*, const char*, std::uint16_t> good[] = {
        {"192.168.0.10", "192.168.0.10", 9100},
        {"192.168.0.10:9101", "192.168.0.10", 9101},
        {"printer.local:1", "printer.local", 1},
        {"printer:65535", "printer", 65535},
        {"[fe80::1]:515", "fe80::1", 515},
        {"[::1]", "::1", 9100},
        {"fe80::1", "fe80::1", 9100},
        {"printer.local.", "printer.local.", 9100},
        {"abc", "abc", 9100}};
    for (const auto& [text, host, port] : good) {
        const std::optional<HostAndPort> parsed = ParseHostAndPort(text);
        ASSERT_TRUE(parsed.has_value()) << text;
        EXPECT_EQ(parsed->host, host) << text;
        EXPECT_EQ(parsed->port, port) << text;
    }
    for (const char* bad : {"", ":9100", "printer:", "printer:0", "printer:65536", "printer:91a",
                            "printer:+91", "printer: 91", "print er", "[::1", "[]:9100",
                            "[::1]9100", "[::1]:", "printer:99999999999999999999",
                            // Mistyped addresses are refused before anything is looked up.
                            "192.168.1.300", "10.0.0.256:9100", "1.2.3", "1.2.3.4.5", "a_b",
                            "-printer", "printer..local", "[12::34::56]", "abc!"}) {
        EXPECT_EQ(ParseHostAndPort(bad), std::nullopt) << '"' << bad << '"';
    }
}

class TcpLanLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(printer_.port(), 0);
        ASSERT_EQ(library_.Startup(), 1);
    }

    comm::TcpLanLibrary library_{comm::kFirstSlotDeviceIdPrefix};
    LoopbackPrinter printer_;
};

TEST_F(TcpLanLibraryTest, PortRoundTripRefusesWritesOver1024BytesAndClosesEveryPort) {
    const std::int32_t handle = library_.OpenPort(printer_.address());
    ASSERT_GT(handle, 0);
    EXPECT_EQ(library_.SetUseICMP(1), 1);
    FileDescriptor peer = printer_.Accept();
    ASSERT_TRUE(peer.valid());
    const std::int32_t other = library_.OpenPort(printer_.address());
    EXPECT_NE(other, handle);
    FileDescriptor otherPeer = printer_.Accept();

    std::uint32_t written = 99;
    EXPECT_EQ(library_.WritePort(handle, std::vector<std::uint8_t>(1025, 'A'), written), 0);
    EXPECT_EQ(written, 0u) << "more than 1024 bytes are refused";
    EXPECT_EQ(library_.WritePort(handle, Bytes("\x1D(E\x02\x00\x04\x01"sv), written), 1);
    EXPECT_EQ(written, 7u);
    EXPECT_EQ(library_.WritePort(handle, std::vector<std::uint8_t>(1024, 'B'), written), 1);
    EXPECT_EQ(written, 1024u);
    std::vector<std::uint8_t> sent = Bytes("\x1D(E\x02\x00\x04\x01"sv);
    sent.resize(7 + 1024, 'B');
    EXPECT_EQ(ReadUpTo(peer.get(), 7 + 1024), sent) << "nothing of the refused write went out";

    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t received = 99;
    EXPECT_EQ(library_.RecvPort(handle, buffer, received), 1) << "nothing there is a success";
    EXPECT_EQ(received, 0u);
    // RecvPort does not wait, so ask again until the bytes are there.
    WriteAll(peer.get(), Bytes("7H\x00"sv));
    std::vector<std::uint8_t> reply;
    for (const auto deadline = Steady::now() + kGenerous;
         reply.size() < 3 && Steady::now() < deadline;) {
        ASSERT_EQ(library_.RecvPort(handle, buffer, received), 1) << "after " << reply.size();
        reply.insert(reply.end(), buffer.begin(), buffer.begin() + received);
        std::this_thread::yield();
    }
    EXPECT_EQ(reply, Bytes("7H\x00"sv));

    EXPECT_EQ(library_.ClosePort(handle), 1);
    EXPECT_TRUE(SeesEndOfStream(peer.get()));
    EXPECT_EQ(library_.ClosePort(handle), 0) << "already closed";
    EXPECT_EQ(library_.WritePort(handle, Bytes("x"), written), 0);
    EXPECT_EQ(library_.RecvPort(handle, buffer, received), 0);
    library_.Cleanup();
    EXPECT_TRUE(SeesEndOfStream(otherPeer.get())) << "Cleanup closes the ports left open";
}

TEST_F(TcpLanLibraryTest, BadAddressesFailToOpenAndPeerCloseShowsInSetUseICMPAndRecvPort) {
    const std::string closed = LoopbackPrinter().address();
    for (const std::string& address : {closed, std::string("printer:0"), std::string()}) {
        EXPECT_EQ(library_.OpenPort(address), -1) << '"' << address << '"';
    }
    EXPECT_EQ(library_.SetUseICMP(1), 0) << "nothing was opened";

    const std::int32_t handle = library_.OpenPort(printer_.address());
    ASSERT_GT(handle, 0);
    printer_.Accept().close();
    // The end of the stream arrives asynchronously.
    for (const auto deadline = Steady::now() + kGenerous;
         library_.SetUseICMP(1) != 0 && Steady::now() < deadline;) {
        std::this_thread::yield();
    }
    EXPECT_EQ(library_.SetUseICMP(1), 0);
    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t received = 99;
    EXPECT_EQ(library_.RecvPort(handle, buffer, received), 0);
    EXPECT_EQ(received, 0u);
}

}  // namespace
}  // namespace vrtruty::platform
