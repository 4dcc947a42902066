// What the command line makes of numbers and addresses typed by a user: a value that does not
// fit is refused, never read as some other value.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/connection.h"
#include "platform/fake_clock.h"
#include "test_support.h"

namespace vrtruty {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CliInputTest : public ::testing::Test {
  protected:
    Outcome Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home.path().string()});
        std::ostringstream out;
        std::ostringstream err;
        const int status = cli::RunCli(args, out, err, clock);
        return {status, out.str(), err.str()};
    }

    test::TempFolder home;
    platform::FakeClock clock;
};

TEST_F(CliInputTest, NetworkPortsOutsideOneTo65535AreUsageErrors) {
    // The port argument, and what the message must show of it; accepted ones show nothing.
    const struct {
        const char* spec;
        const char* shown;
    } cases[] = {
        {"lan:127.0.0.1", nullptr},
        {"lan:127.0.0.1:1", nullptr},
        {"lan:127.0.0.1:65535", nullptr},
        {"lan:[::1]:9100", nullptr},
        {"lan:127.0.0.1:0", "127.0.0.1:0"},
        {"lan:127.0.0.1:65536", "127.0.0.1:65536"},
        {"lan:127.0.0.1:99999999999", "127.0.0.1:99999999999"},
        {"lan:127.0.0.1:", "127.0.0.1:"},
        {"lan:127.0.0.1: 9100", "127.0.0.1: 9100"},
        {"lan:127.0.0.1:9100 ", "127.0.0.1:9100 "},
        {"lan:printer one", "printer one"},
        {"lan:127.0.0.1:-1", "127.0.0.1:-1"},
        {"com:/dev/ttyS0:9600x:8N1:dsr", "unknown baud rate 9600x"},
    };
    for (const auto& c : cases) {
        const Outcome run = Run({"--port", c.spec, "info"});
        if (c.shown == nullptr) {
            EXPECT_EQ(run.status, 0) << c.spec << ": " << run.err;
        } else {
            EXPECT_EQ(run.status, 2) << c.spec << " is a usage error";
            EXPECT_THAT(run.err, ::testing::HasSubstr(c.shown))
                << "the message shows what was given";
        }
    }
}

TEST_F(CliInputTest, ResultCodesAreReadStrictlyAndOnlyWhenTheyFit) {
    // Accepted codes show the same message as their canonical spelling.
    const struct {
        const char* typed;
        const char* canonical;
    } same[] = {
        {"-0x1D", "-29"},
        {"0xFFFFFFFF", "-1"},
        {"4294967295", "-1"},
        {"-2147483648", "0x80000000"},
    };
    for (const auto& c : same) {
        const Outcome typed = Run({"message", c.typed});
        EXPECT_EQ(typed.status, 0) << c.typed << ": " << typed.err;
        EXPECT_EQ(typed.out, Run({"message", c.canonical}).out) << c.typed;
    }
    for (const char* refused : {"-4294967295", "-2147483649", "4294967296", "--5", "-+5", "+5",
                                "0x", "-", "5x", " 5", "0x-5"}) {
        const Outcome run = Run({"message", refused});
        EXPECT_NE(run.status, 0) << refused << " was read as a code: " << run.out;
        EXPECT_EQ(run.out, "") << refused;
    }
}

// The hex output of dry runs is written in blocks of 16384 bytes: the block boundaries must not
// lose, repeat or double-space a byte.
TEST(CliHexLine, FormatsEveryByteOnceAcrossBlockBoundaries) {
    const auto written = [](const std::vector<std::uint8_t>& bytes) {
        std::ostringstream out;
        cli::WriteHexLine(out, bytes);
        return out.str();
    };
    EXPECT_EQ(cli::HexLine({}), "");
    EXPECT_EQ(written({}), "\n");
    EXPECT_EQ(written({0x00}), "00\n");
    EXPECT_EQ(cli::HexLine(std::vector<std::uint8_t>{0x1B, 0x40, 0xAF, 0xFF}), "1B 40 AF FF");

    for (const std::size_t size : {16383u, 16384u, 16385u, 3u * 16384u + 1u}) {
        std::vector<std::uint8_t> bytes(size);
        std::string expected;
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
            static constexpr char kDigits[] = "0123456789ABCDEF";
            expected += i == 0 ? "" : " ";
            expected += kDigits[bytes[i] >> 4];
            expected += kDigits[bytes[i] & 15];
        }
        EXPECT_EQ(cli::HexLine(bytes), expected) << size << " bytes";
        EXPECT_EQ(written(bytes), expected + "\n") << size << " bytes";
    }
}

}  // namespace
}  // namespace vrtruty
