// A receipt from a third-party ESC/POS client (an npm package run by node) printed on the virtual
// printer over TCP; its bar code and QR code are read back from the page with zbarimg.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "png_reader.h"
#include "printer_process.h"
#include "test_support.h"

namespace vrtruty::emulator {
namespace {

using namespace std::chrono_literals;

struct CommandResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    for (std::size_t n = 0; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        result.output.append(buffer.data(), n);
    }
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

// The first program of the name on PATH.
std::optional<std::filesystem::path> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate =
            std::filesystem::path(folders.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

TEST(PrinterEndToEndTest, ReceiptFromAThirdPartyClientPrintsWithReadableCodes) {
    const std::filesystem::path encoder =
        std::filesystem::path(VRTRUTY_SOURCE_DIR) /
        "build/escpos-client/node_modules/@point-of-sale/receipt-printer-encoder/dist/"
        "receipt-printer-encoder.mjs";
    const auto node = FindProgram("node");
    const auto zbarimg = FindProgram("zbarimg");
    if (!node || !zbarimg || !std::filesystem::exists(encoder)) {
        GTEST_SKIP() << "needs node, zbarimg (zbar-tools) and the ESC/POS client that "
                        "scripts/install-deps installs into build/escpos-client";
    }
    test::TempFolder folder;
    test::PrinterProcess printer(
        {"--listen", "127.0.0.1:0", "--paper", (folder / "paper").string()});
    const auto first = printer.ReadLine();
    ASSERT_TRUE(first && first->starts_with("PORT ")) << first.value_or("(no output)");
    const std::string port = first->substr(5);

    const std::string barcode = "VRT-2026-0042";
    const std::string qrText = "https://example.com/receipt/0042?total=6.80";
    const std::filesystem::path script =
        std::filesystem::path(VRTRUTY_SOURCE_DIR) / "tests/escpos_client/receipt.mjs";
    const CommandResult client =
        RunCommand(Quoted(*node) + " " + Quoted(script) + " " + Quoted(encoder) + " " + port +
                   " '" + barcode + "' '" + qrText + "'");
    ASSERT_EQ(client.status, 0) << client.output;

    // Two cuts: the receipt, and the page with the bit-image logo.
    std::vector<std::filesystem::path> pages;
    while (pages.size() < 2) {
        const auto line = printer.ReadLine(10s);
        ASSERT_TRUE(line) << "the printer reported " << pages.size() << " pages";
        if (line->starts_with("page ")) {
            pages.emplace_back(line->substr(5));
        }
    }

    const CommandResult read = RunCommand(Quoted(*zbarimg) + " --quiet " + Quoted(pages[0]));
    EXPECT_NE(read.output.find("CODE-128:" + barcode), std::string::npos) << read.output;
    EXPECT_NE(read.output.find("QR-Code:" + qrText), std::string::npos) << read.output;

    const auto receipt = test::ReadPng(pages[0]);
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->bitDepth, 1) << "a receipt is black and white";
    // The raster logo is centred: its frame's top row spans 96 dots in the middle.
    EXPECT_EQ(receipt->Row(0, 240, 336), std::string(96, '#'));
    EXPECT_EQ(receipt->InkIn(0, 0, 240, 48) + receipt->InkIn(336, 0, 576, 48), 0);

    const auto column = test::ReadPng(pages[1]);
    ASSERT_TRUE(column);
    // The bit-image logo comes in strips of 24 dots: they join without a gap.
    int top = 0;
    while (top < column->height && !column->Inked(0, top)) {
        ++top;
    }
    ASSERT_LT(top + 48, column->height) << "no bit-image logo";
    EXPECT_EQ(column->InkIn(0, top, 1, top + 48), 48) << "the frame's left edge, from " << top;
    EXPECT_EQ(column->InkIn(0, top + 48, 96, top + 52), 0) << "48 dots high";
}

}  // namespace
}  // namespace vrtruty::emulator
