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
#include "fake_device_channel.h"
#include "fake_lan_library.h"
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

// Long enough for any loopback or pseudo-terminal exchange; only a failing test waits this long.
constexpr milliseconds kGenerous{2000};

using Steady = std::chrono::steady_clock;

// Reads from a descriptor until `count` bytes have come or the time is up.
std::vector<std::uint8_t> ReadUpTo(int fd, std::size_t count, milliseconds timeout = kGenerous) {
    std::vector<std::uint8_t> bytes;
    const auto deadline = Steady::now() + timeout;
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

SerialLineSettings Line8N1(unsigned baudRate = 9600) {
    SerialLineSettings line;
    line.baudRate = baudRate;
    line.dataBits = 8;
    line.parity = 'n';
    return line;
}

std::unique_ptr<DeviceChannel> OpenSerial(const PseudoTerminal& terminal,
                                          const SerialLineSettings& line = Line8N1()) {
    std::error_code error;
    auto channel = OpenSerialDevice(terminal.slave(), line, error);
    EXPECT_NE(channel, nullptr) << "opening " << terminal.slave() << ": " << error.message();
    return channel;
}

// A pseudo-terminal's queue fills asynchronously after the master writes; wait without sleeping
// until the count arrives.
std::optional<SerialLineStatus> StatusOnceWaiting(DeviceChannel& channel, std::size_t count) {
    const auto deadline = Steady::now() + kGenerous;
    std::optional<SerialLineStatus> status = channel.QuerySerialStatus();
    while (status && status->bytesWaiting < count && Steady::now() < deadline) {
        std::this_thread::yield();
        status = channel.QuerySerialStatus();
    }
    return status;
}

TEST(SerialDeviceTest, BytesPassBothWaysUnchangedInRawModeWithoutEcho) {
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    auto port = OpenSerial(printer);
    ASSERT_NE(port, nullptr);

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
    const IoResult written = port->Write(command, kGenerous);
    EXPECT_EQ(written.status, IoStatus::Done);
    EXPECT_EQ(written.bytes, 4u);
    EXPECT_THAT(ReadUpTo(printer.master(), 4), ElementsAreArray(command));
}

TEST(SerialDeviceTest, LineSettingsAreAppliedAndRefusedFormatsStillOpenInRawMode) {
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    SerialLineSettings line = Line8N1(19200);
    line.xonXoff = true;
    {
        auto port = OpenSerial(printer, line);
        const termios applied = printer.SlaveSettings();
        EXPECT_EQ(::cfgetospeed(&applied), static_cast<speed_t>(B19200));
        EXPECT_EQ(applied.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(applied.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
        EXPECT_EQ(applied.c_cflag & CRTSCTS, 0u);
        EXPECT_NE(applied.c_iflag & IXON, 0u) << "XON/XOFF output flow control";
        EXPECT_EQ(applied.c_iflag & IXOFF, 0u) << "no input flow control";
        EXPECT_EQ(applied.c_lflag & (ICANON | ECHO), 0u);
    }

    // A pseudo-terminal does not do 7 bits with parity; the open succeeds all the same.
    line = Line8N1(2400);
    line.dataBits = 7;
    line.parity = 'e';
    line.twoStopBits = true;
    auto port = OpenSerial(printer, line);
    ASSERT_NE(port, nullptr);
    const termios applied = printer.SlaveSettings();
    EXPECT_EQ(applied.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(::cfgetospeed(&applied), static_cast<speed_t>(B2400));
}

TEST(SerialDeviceTest, ReadTimesOutWithNothingToRead) {
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    auto port = OpenSerial(printer);
    ASSERT_NE(port, nullptr);
    std::array<std::uint8_t, 8> buffer{};

    const auto start = Steady::now();
    const IoResult waited = port->Read(buffer, milliseconds(20));
    EXPECT_GE(Steady::now() - start, milliseconds(19));
    EXPECT_EQ(waited.status, IoStatus::TimedOut);
    EXPECT_EQ(waited.bytes, 0u);

    const IoResult immediate = port->Read(buffer, milliseconds(0));
    EXPECT_EQ(immediate.status, IoStatus::TimedOut);
    EXPECT_EQ(immediate.bytes, 0u);
}

TEST(SerialDeviceTest, StatusCountsWaitingBytesAndIsNeverHeldWithoutModemLines) {
    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    SerialLineSettings line = Line8N1();
    line.dsrFlowControl = true;
    auto port = OpenSerial(printer, line);
    ASSERT_NE(port, nullptr);

    std::optional<SerialLineStatus> status = port->QuerySerialStatus();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->bytesWaiting, 0u);
    EXPECT_FALSE(status->heldByDsr) << "a pseudo-terminal has no DSR line to hold the output";

    WriteAll(printer.master(), {0x3B, 0x33, 0x00});
    status = StatusOnceWaiting(*port, 3);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->bytesWaiting, 3u);
    EXPECT_FALSE(status->heldByDsr);

    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(port->Read(buffer, kGenerous).bytes, 3u);
    EXPECT_EQ(port->QuerySerialStatus()->bytesWaiting, 0u);
    EXPECT_EQ(port->QueryParallelStatus(), std::nullopt);
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
    EXPECT_EQ(OpenSerialDevice(printer.slave(), Line8N1(), error), nullptr);
    EXPECT_TRUE(error) << "a second open must fail while the first holds the line";

    first.reset();
    EXPECT_NE(OpenSerialDevice(printer.slave(), Line8N1(), error), nullptr) << error.message();
}

TEST(SerialDeviceTest, OpenFailsForMissingDevicesNonTerminalsAndUnknownSettings) {
    std::error_code error;
    EXPECT_EQ(OpenSerialDevice("/dev/ttyNoSuchPort", Line8N1(), error), nullptr);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);

    const test::TempFolder folder;
    test::WriteBytes(folder / "not-a-port", {});
    EXPECT_EQ(OpenSerialDevice(folder / "not-a-port", Line8N1(), error), nullptr);
    EXPECT_EQ(error, std::errc::inappropriate_io_control_operation);

    PseudoTerminal printer;
    ASSERT_TRUE(printer.valid());
    for (const auto& [baud, bits, parity] :
         {std::tuple{1200u, 8u, 'n'}, {230400u, 8u, 'n'}, {9600u, 6u, 'n'}, {9600u, 8u, 'm'}}) {
        SerialLineSettings line = Line8N1(baud);
        line.dataBits = bits;
        line.parity = parity;
        EXPECT_EQ(OpenSerialDevice(printer.slave(), line, error), nullptr)
            << baud << " baud, " << bits << " bits, parity " << parity;
        EXPECT_EQ(error, std::errc::invalid_argument);
    }
}

// A named pipe opened for reading and writing loops every written byte back, which lets the
// channel shared by USB and parallel ports be driven without the devices.
class LoopbackPipe {
  public:
    LoopbackPipe() { ::mkfifo(path_.c_str(), 0600); }
    const std::filesystem::path& path() const { return path_; }

  private:
    test::TempFolder folder_;
    std::filesystem::path path_ = folder_ / "printer";
};

TEST(DeviceFileTest, UsbAndParallelChannelsWriteAndReadWithTimeOuts) {
    LoopbackPipe pipe;
    for (const bool usb : {true, false}) {
        SCOPED_TRACE(usb ? "USB" : "parallel");
        std::error_code error;
        auto port =
            usb ? OpenUsbPrinterDevice(pipe.path(), error) : OpenParallelDevice(pipe.path(), error);
        ASSERT_NE(port, nullptr) << error.message();

        std::error_code second;
        EXPECT_EQ(usb ? OpenUsbPrinterDevice(pipe.path(), second)
                      : OpenParallelDevice(pipe.path(), second),
                  nullptr);
        EXPECT_EQ(second, std::errc::operation_would_block) << "the device is in use";

        const IoResult written = port->Write(Bytes("\x1B@hello"), milliseconds(1000));
        EXPECT_EQ(written.status, IoStatus::Done);
        EXPECT_EQ(written.bytes, 7u);
        std::array<std::uint8_t, 4> buffer{};
        IoResult read = port->Read(buffer, milliseconds(1000));
        EXPECT_EQ(read.status, IoStatus::Done);
        EXPECT_THAT(buffer, ElementsAre(0x1B, '@', 'h', 'e'));
        read = port->Read(buffer, milliseconds(1000));
        EXPECT_EQ(read.bytes, 3u) << "the rest of what is there, no more";
        EXPECT_EQ(port->Read(buffer, milliseconds(5)).status, IoStatus::TimedOut);

        // A device that stops taking bytes: what it took is counted.
        const std::vector<std::uint8_t> flood(1024 * 1024, 0x55);
        const IoResult stalled = port->Write(flood, milliseconds(20));
        EXPECT_EQ(stalled.status, IoStatus::TimedOut);
        EXPECT_GT(stalled.bytes, 0u);
        EXPECT_LT(stalled.bytes, flood.size());

        EXPECT_EQ(port->QuerySerialStatus(), std::nullopt);
        if (!usb) {
            EXPECT_EQ(port->QueryParallelStatus(), std::nullopt) << "no parallel driver behind";
        }
    }
}

TEST(DeviceFileTest, ParallelStatusMapsDriverLinesToPowerOffAndOffLine) {
    constexpr int kOnLine = LP_PBUSY | LP_PACK | LP_PSELECD | LP_PERRORP;  // not busy, no error
    EXPECT_EQ(ParallelStatusFromLinux(kOnLine), 0);
    EXPECT_EQ(ParallelStatusFromLinux(kOnLine & ~LP_PBUSY), 0) << "busy is still on line";
    EXPECT_EQ(ParallelStatusFromLinux(kOnLine | 0x07), 0) << "reserved bits are ignored";
    EXPECT_EQ(ParallelStatusFromLinux(kOnLine & ~LP_PSELECD), kParallelOffLine) << "deselected";
    EXPECT_EQ(ParallelStatusFromLinux(kOnLine & ~LP_PERRORP), kParallelOffLine) << "error";
    EXPECT_EQ(ParallelStatusFromLinux((kOnLine | LP_POUTPA) & ~LP_PERRORP), kParallelOffLine)
        << "out of paper";
    // The busy bit reads inverted: 0x78 is every line high, 0x80 every line low.
    EXPECT_EQ(ParallelStatusFromLinux(0x78), kParallelPowerOff) << "nothing on the cable";
    EXPECT_EQ(ParallelStatusFromLinux(0x80), kParallelPowerOff) << "printer switched off";
    EXPECT_EQ(ParallelStatusFromLinux(0x87), kParallelPowerOff);
}

// A TCP listener on a free loopback port, standing in for a network printer.
class LoopbackPrinter {
  public:
    // A receive buffer size other than 0 is fixed on the connections accepted, so that a printer
    // that stops reading stalls the sender soon.
    explicit LoopbackPrinter(int receiveBuffer = 0)
        : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        if (receiveBuffer != 0) {
            ::setsockopt(listener_.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer,
                         sizeof receiveBuffer);
        }
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

TcpConnection ConnectTo(const LoopbackPrinter& printer) {
    std::error_code error;
    std::optional<TcpConnection> connection =
        TcpConnection::Connect(printer.hostAndPort(), kGenerous, error);
    EXPECT_TRUE(connection.has_value()) << error.message();
    return std::move(connection.value());
}

TEST(TcpConnectionTest, SendsAndReceivesAndDoesNotWaitWithZeroTimeOut) {
    LoopbackPrinter printer;
    ASSERT_NE(printer.port(), 0);
    TcpConnection connection = ConnectTo(printer);
    FileDescriptor peer = printer.Accept();
    ASSERT_TRUE(peer.valid());
    EXPECT_TRUE(connection.IsUsable());

    const IoResult sent = connection.Send(Bytes("\x1DI\x01"), kGenerous);
    EXPECT_EQ(sent.status, IoStatus::Done);
    EXPECT_EQ(sent.bytes, 3u);
    EXPECT_EQ(ReadUpTo(peer.get(), 3), Bytes("\x1DI\x01"));

    std::array<std::uint8_t, 16> buffer{};
    const auto start = Steady::now();
    const IoResult nothing = connection.Receive(buffer, milliseconds(0));
    EXPECT_LT(Steady::now() - start, milliseconds(5));
    EXPECT_EQ(nothing.status, IoStatus::TimedOut);
    EXPECT_EQ(nothing.bytes, 0u);

    WriteAll(peer.get(), Bytes("_TR-770II\0"sv));
    const IoResult received = connection.Receive(buffer, kGenerous);
    EXPECT_EQ(received.status, IoStatus::Done);
    EXPECT_EQ(std::vector(buffer.begin(), buffer.begin() + received.bytes), Bytes("_TR-770II\0"sv));
    EXPECT_TRUE(connection.IsUsable()) << "unread data is no close";
}

TEST(TcpConnectionTest, PeerCloseFailsReceiveAndMakesTheConnectionUnusable) {
    LoopbackPrinter printer;
    ASSERT_NE(printer.port(), 0);
    TcpConnection connection = ConnectTo(printer);
    FileDescriptor peer = printer.Accept();
    ASSERT_TRUE(peer.valid());

    WriteAll(peer.get(), Bytes("last"));
    peer.close();
    std::array<std::uint8_t, 16> buffer{};
    EXPECT_EQ(connection.Receive(buffer, kGenerous).bytes, 4u) << "data sent before the close";
    const IoResult closed = connection.Receive(buffer, kGenerous);
    EXPECT_EQ(closed.status, IoStatus::Failed);
    EXPECT_TRUE(closed.error);
    EXPECT_FALSE(connection.IsUsable());

    TcpConnection moved = std::move(connection);
    EXPECT_FALSE(connection.IsUsable()) << "a moved-from connection holds nothing";
    EXPECT_EQ(connection.Send(Bytes("x"), kGenerous).status, IoStatus::Failed);
}

TEST(TcpConnectionTest, SendTimesOutCountingWhatThePeerTook) {
    LoopbackPrinter printer(4096);
    ASSERT_NE(printer.port(), 0);
    TcpConnection connection = ConnectTo(printer);
    FileDescriptor peer = printer.Accept();
    ASSERT_TRUE(peer.valid());

    // More than both socket buffers hold while the peer reads nothing.
    const std::vector<std::uint8_t> flood(16 * 1024 * 1024, 0x20);
    const IoResult stalled = connection.Send(flood, milliseconds(20));
    EXPECT_EQ(stalled.status, IoStatus::TimedOut);
    EXPECT_GT(stalled.bytes, 0u);
    EXPECT_LT(stalled.bytes, flood.size());
}

TEST(TcpConnectionTest, ConnectFailsWhenNothingListens) {
    HostAndPort closed;
    {
        LoopbackPrinter gone;
        closed = gone.hostAndPort();
    }
    std::error_code error;
    EXPECT_FALSE(TcpConnection::Connect(closed, kGenerous, error).has_value());
    EXPECT_EQ(error, std::errc::connection_refused);
}

TEST(ParseHostAndPortTest, AcceptsHostPortAndBracketedIpv6) {
    struct Case {
        const char* text;
        const char* host;
        std::uint16_t port;
    };
    for (const Case& c :
         {Case{"192.168.0.10", "192.168.0.10", 9100},
          Case{"192.168.0.10:9101", "192.168.0.10", 9101},
          Case{"printer.local:1", "printer.local", 1}, Case{"printer:65535", "printer", 65535},
          Case{"[fe80::1]:515", "fe80::1", 515}, Case{"[::1]", "::1", 9100},
          Case{"fe80::1", "fe80::1", 9100}}) {
        const std::optional<HostAndPort> parsed = ParseHostAndPort(c.text);
        ASSERT_TRUE(parsed.has_value()) << c.text;
        EXPECT_EQ(parsed->host, c.host) << c.text;
        EXPECT_EQ(parsed->port, c.port) << c.text;
    }
    for (const char* bad : {"", ":9100", "printer:", "printer:0", "printer:65536", "printer:91a",
                            "printer:+91", "printer: 91", "print er", "[::1", "[]:9100",
                            "[::1]9100", "[::1]:", "printer:99999999999999999999"}) {
        EXPECT_EQ(ParseHostAndPort(bad), std::nullopt) << '"' << bad << '"';
    }
}

// RecvPort does not wait, so the test asks again until the bytes are there.
std::vector<std::uint8_t> ReceiveFromLibrary(comm::LanLibrary& library, std::int32_t handle,
                                             std::size_t count) {
    std::vector<std::uint8_t> bytes;
    const auto deadline = Steady::now() + kGenerous;
    while (bytes.size() < count && Steady::now() < deadline) {
        std::array<std::uint8_t, 64> buffer{};
        std::uint32_t received = 99;
        if (library.RecvPort(handle, buffer, received) != 1) {
            ADD_FAILURE() << "RecvPort failed after " << bytes.size() << " bytes";
            break;
        }
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + received);
        std::this_thread::yield();
    }
    return bytes;
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

TEST_F(TcpLanLibraryTest, PortRoundTripOpensWritesReceivesAndCloses) {
    const std::int32_t handle = library_.OpenPort(printer_.address());
    ASSERT_GT(handle, 0);
    EXPECT_EQ(library_.SetUseICMP(1), 1);
    FileDescriptor peer = printer_.Accept();
    ASSERT_TRUE(peer.valid());

    std::uint32_t written = 0;
    EXPECT_EQ(library_.WritePort(handle, Bytes("\x1D(E\x02\x00\x04\x01"sv), written), 1);
    EXPECT_EQ(written, 7u);
    EXPECT_EQ(ReadUpTo(peer.get(), 7), Bytes("\x1D(E\x02\x00\x04\x01"sv));

    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t received = 99;
    EXPECT_EQ(library_.RecvPort(handle, buffer, received), 1) << "nothing there is a success";
    EXPECT_EQ(received, 0u);

    WriteAll(peer.get(), Bytes("7H\x00"sv));
    EXPECT_EQ(ReceiveFromLibrary(library_, handle, 3), Bytes("7H\x00"sv));

    EXPECT_EQ(library_.ClosePort(handle), 1);
    EXPECT_TRUE(SeesEndOfStream(peer.get()));
    EXPECT_EQ(library_.ClosePort(handle), 0) << "already closed";
    EXPECT_EQ(library_.WritePort(handle, Bytes("x"), written), 0);
    EXPECT_EQ(library_.RecvPort(handle, buffer, received), 0);
}

TEST_F(TcpLanLibraryTest, WritePortRefusesMoreThan1024BytesWithoutSendingAny) {
    const std::int32_t handle = library_.OpenPort(printer_.address());
    ASSERT_GT(handle, 0);
    FileDescriptor peer = printer_.Accept();
    ASSERT_TRUE(peer.valid());

    std::uint32_t written = 99;
    EXPECT_EQ(library_.WritePort(handle, std::vector<std::uint8_t>(1025, 'A'), written), 0);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(library_.WritePort(handle, std::vector<std::uint8_t>(1024, 'B'), written), 1);
    EXPECT_EQ(written, 1024u);
    EXPECT_EQ(ReadUpTo(peer.get(), 1024), std::vector<std::uint8_t>(1024, 'B'))
        << "the refused bytes would have come first";
}

TEST_F(TcpLanLibraryTest, PeerCloseShowsInSetUseICMPAndRecvPort) {
    const std::int32_t handle = library_.OpenPort(printer_.address());
    ASSERT_GT(handle, 0);
    printer_.Accept().close();

    // The end of the stream arrives asynchronously.
    const auto deadline = Steady::now() + kGenerous;
    while (library_.SetUseICMP(1) != 0 && Steady::now() < deadline) {
        std::this_thread::yield();
    }
    EXPECT_EQ(library_.SetUseICMP(1), 0);
    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t received = 99;
    EXPECT_EQ(library_.RecvPort(handle, buffer, received), 0);
    EXPECT_EQ(received, 0u);
}

TEST_F(TcpLanLibraryTest, OpenPortGivesMinusOneForBadAddressesAndClosedPorts) {
    std::string closed;
    {
        LoopbackPrinter gone;
        closed = gone.address();
    }
    EXPECT_EQ(library_.OpenPort(closed), -1);
    EXPECT_EQ(library_.OpenPort("printer:0"), -1);
    EXPECT_EQ(library_.OpenPort(""), -1);
    EXPECT_EQ(library_.SetUseICMP(1), 0) << "nothing was opened";
}

TEST_F(TcpLanLibraryTest, CleanupClosesEverythingAndSearchFindsNothing) {
    const std::int32_t first = library_.OpenPort(printer_.address());
    const std::int32_t second = library_.OpenPort(printer_.address());
    const std::int32_t search = library_.OpenSearch();
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 0);
    EXPECT_GT(search, 0);
    EXPECT_NE(first, second);
    EXPECT_NE(search, second);
    FileDescriptor firstPeer = printer_.Accept();
    FileDescriptor secondPeer = printer_.Accept();

    std::array<comm::LanSearchAnswer, 4> answers{};
    std::uint32_t count = 99;
    EXPECT_EQ(library_.SendSearch(search, answers, 255, 5, 0, count), 1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(library_.ClosePort(search), 0) << "a search handle is no port";
    EXPECT_EQ(library_.CloseSearch(search), 1);

    std::uint8_t id[512];
    std::uint32_t length = 99;
    EXPECT_EQ(library_.GetDeviceID(first, id, length), 0);
    EXPECT_EQ(length, 0u);

    library_.Cleanup();
    EXPECT_TRUE(SeesEndOfStream(firstPeer.get()));
    EXPECT_TRUE(SeesEndOfStream(secondPeer.get()));
    EXPECT_EQ(library_.ClosePort(first), 0);
    EXPECT_EQ(library_.SetUseICMP(1), 0);
}

// The fakes stand in for these transports in the conversation tests, so they must script and
// record what they promise.
TEST(TransportFakesTest, DeviceChannelSplitsRepliesRespondsAndScriptsFailuresAndStatus) {
    test::FakeDeviceChannel port;
    port.QueueReply({0x01, 0x02, 0x03});
    port.SetResponder([](std::span<const std::uint8_t> data) {
        return data[0] == 0x10 ? std::vector<std::uint8_t>{0x16} : std::vector<std::uint8_t>{};
    });
    std::array<std::uint8_t, 2> buffer{};
    EXPECT_EQ(port.Read(buffer, milliseconds(5000)).bytes, 2u);
    EXPECT_EQ(port.Read(buffer, milliseconds(5000)).bytes, 1u);
    EXPECT_EQ(buffer[0], 0x03);
    EXPECT_EQ(port.Read(buffer, milliseconds(5000)).status, IoStatus::TimedOut);

    EXPECT_EQ(port.Write(std::vector<std::uint8_t>{0x10, 0x04, 0x01}, milliseconds(500)).bytes, 3u);
    EXPECT_EQ(port.Read(buffer, milliseconds(5000)).bytes, 1u);
    EXPECT_EQ(buffer[0], 0x16);
    port.TimeOutNextWrite(1);
    const IoResult stalled = port.Write(std::vector<std::uint8_t>{0x10, 0xBB}, milliseconds(500));
    EXPECT_EQ(stalled.status, IoStatus::TimedOut);
    EXPECT_EQ(stalled.bytes, 1u);
    EXPECT_EQ(port.pendingReplies(), 0u) << "no answer to a write that did not go through";
    port.FailNextWrite();
    EXPECT_EQ(port.Write(std::vector<std::uint8_t>{0x1B}, milliseconds(1000)).status,
              IoStatus::Failed);
    EXPECT_EQ(port.written(), (std::vector<std::uint8_t>{0x10, 0x04, 0x01, 0x10}));
    ASSERT_EQ(port.writes().size(), 3u);
    EXPECT_EQ(port.writes()[2].timeout, milliseconds(1000));

    EXPECT_EQ(port.QuerySerialStatus(), std::nullopt);
    port.QueueSerialStatus(SerialLineStatus{true, 0});
    port.QueueSerialStatus(SerialLineStatus{false, 4});
    EXPECT_TRUE(port.QuerySerialStatus()->heldByDsr);
    EXPECT_EQ(port.QuerySerialStatus()->bytesWaiting, 4u);
    EXPECT_EQ(port.QuerySerialStatus()->bytesWaiting, 4u) << "the last answer repeats";
}

TEST(TransportFakesTest, LanLibrarySplitsReceivesAndScriptsResults) {
    test::FakeLanLibrary library;
    library.QueueOpenPort(3);
    library.QueueWritePort({1, 2u});
    library.QueueRecvBytes({'a', 'b', 'c', 0x00});
    EXPECT_EQ(library.OpenPort("10.0.0.5"), 3);
    EXPECT_EQ(library.OpenPort("10.0.0.6"), test::FakeLanLibrary::kDefaultHandle);

    std::uint32_t written = 0;
    EXPECT_EQ(library.WritePort(3, Bytes("xyz"), written), 1);
    EXPECT_EQ(written, 2u) << "scripted short write";
    EXPECT_EQ(library.WritePort(3, Bytes("xyz"), written), 1);
    EXPECT_EQ(written, 3u);

    std::array<std::uint8_t, 3> buffer{};
    std::uint32_t received = 0;
    EXPECT_EQ(library.RecvPort(3, buffer, received), 1);
    EXPECT_EQ(received, 3u);
    EXPECT_EQ(library.RecvPort(3, buffer, received), 1);
    EXPECT_EQ(received, 1u) << "the rest of the chunk";
    EXPECT_EQ(library.RecvPort(3, buffer, received), 1);
    EXPECT_EQ(received, 0u);
    EXPECT_THAT(library.calls(), ElementsAre("OpenPort", "OpenPort", "WritePort", "WritePort",
                                             "RecvPort", "RecvPort", "RecvPort"));
    EXPECT_THAT(library.openedAddresses(), ElementsAre("10.0.0.5", "10.0.0.6"));
    EXPECT_EQ(library.written(), Bytes("xyxyz"));
}

}  // namespace
}  // namespace vrtruty::platform
