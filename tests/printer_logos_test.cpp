// The printer logo functions: the command bytes and captions, the reading of capacity, free space
// and keycode list from a scripted printer (bad replies included), and registering, deleting and
// printing against the virtual printer.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/error_codes.h"
#include "emulator/nv_graphics.h"
#include "emulator/paper.h"
#include "emulator/printer_engine.h"
#include "logo/printer_logos.h"
#include "logo_test_support.h"
#include "port_harness.h"

namespace vrtruty::logo {
namespace {

using test::Hex;
using test::Join;
using test::kRecovery;
using test::kReset3;
using test::logo::Bytes;
using namespace std::chrono_literals;

const Bytes kCapacity(kCapacityQuery.begin(), kCapacityQuery.end());
const Bytes kFree(kFreeSpaceQuery.begin(), kFreeSpaceQuery.end());
const Bytes kList(kKeycodeListQuery.begin(), kKeycodeListQuery.end());
const Bytes kAckByte = {0x06};

Bytes NumberReply(std::uint8_t form, std::string_view digits) {
    return Join({{0x37, form}, test::Bytes(digits), {0x00}});
}

Bytes Block(std::uint8_t status, const std::vector<std::uint16_t>& keycodes) {
    Bytes block = {0x37, 0x72, status};
    for (const std::uint16_t keycode : keycodes) {
        block.push_back(static_cast<std::uint8_t>(keycode & 0xFF));
        block.push_back(static_cast<std::uint8_t>(keycode >> 8));
    }
    block.push_back(0x00);
    return block;
}

// Keycodes "AA", "AB", ... in list order.
std::vector<std::uint16_t> Keycodes(std::size_t count, std::size_t from = 0) {
    std::vector<std::uint16_t> keycodes;
    for (std::size_t i = from; i < from + count; ++i) {
        keycodes.push_back(static_cast<std::uint16_t>((0x41 + i / 26) << 8 | (0x41 + i % 26)));
    }
    return keycodes;
}

// The keycode list in blocks of 40, the last one with status 40.
std::vector<Bytes> ListBlocks(const std::vector<std::uint16_t>& keycodes) {
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at < keycodes.size() || blocks.empty(); at += 40) {
        const std::size_t end = std::min(keycodes.size(), at + 40);
        blocks.push_back(
            Block(end == keycodes.size() ? 0x40 : 0x41,
                  std::vector<std::uint16_t>(keycodes.begin() + static_cast<std::ptrdiff_t>(at),
                                             keycodes.begin() + static_cast<std::ptrdiff_t>(end))));
    }
    return blocks;
}

// ---- Commands and captions ----

const CaptionTexts kEnglish = {"Logoxxxx", "(Monochromatic)", "(Two Colors)"};
const CaptionTexts kJapanese = {"ロゴxxxx", "（単色）", "（２色）"};

TEST(LogoCommandTest, DeleteOneNamesTheKeycodeLowByteFirstAndDeleteAllSendsBothForms) {
    EXPECT_EQ(Hex(BuildDeleteLogoCommand(0x2041, false)), "1D 28 4C 04 00 30 42 41 20");
    EXPECT_EQ(Hex(BuildDeleteLogoCommand(0x2041, true)),
              "1D 65 75 45 00 1D 28 4C 04 00 30 42 41 20");
    const std::string all = "1D 28 4C 05 00 30 41 43 4C 52 1D 28 4C 04 00 30 41 43 4C 52 1B 40";
    EXPECT_EQ(Hex(BuildDeleteAllLogosCommand(false)), all) << "then initialises";
    EXPECT_EQ(Hex(BuildDeleteAllLogosCommand(true)), "1D 65 75 45 00 " + all);
}

TEST(LogoCommandTest, PrintMonochromeWithCutOverseasInEnglish) {
    const LogoCaption caption = ChooseLogoCaption(2, false, kJapanese, kEnglish);
    const Bytes expected = Join({{0x1B, 0x40, 0x1D, 0x65, 0x75, 0x43, 0x01},
                                 test::Bytes("Logo4120(Monochromatic)"),
                                 {0x0A, 0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x20, 0x41,
                                  0x01, 0x01, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x1B, 0x6D}});
    EXPECT_EQ(Hex(BuildPrintLogoCommand(0x4120, true, false, caption, false)), Hex(expected));
    EXPECT_EQ(PrintJobKind(true, false), LogoJobKind::PrintMonochromeCut);
}

TEST(LogoCommandTest, PrintTwoColoursInAJapaneseRegionFramesTheCaptionAndSwitchesColours) {
    const LogoCaption caption = ChooseLogoCaption(0, false, kJapanese, kEnglish);
    const Bytes expected = Join({kRecovery,
                                 {0x1B, 0x40, 0x1D, 0x65, 0x75, 0x43, 0x01, 0x1C, 0x43, 0x01},
                                 {0x83, 0x8D, 0x83, 0x53},  // ロゴ
                                 test::Bytes("4142"),
                                 {0x81, 0x69, 0x82, 0x51, 0x90, 0x46, 0x81, 0x6A},  // （２色）
                                 {0x1C, 0x43, 0x00, 0x0A, 0x1D, 0x65, 0x75, 0x43, 0x02},
                                 {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 0x42, 0x41, 0x01, 0x01},
                                 {0x1D, 0x65, 0x75, 0x43, 0x01, 0x0A}});
    EXPECT_EQ(Hex(BuildPrintLogoCommand(0x4142, false, true, caption, true)), Hex(expected));
    EXPECT_EQ(PrintJobKind(false, true), LogoJobKind::PrintTwoColours);
    EXPECT_EQ(PrintJobKind(true, true), LogoJobKind::PrintTwoColoursCut);
    EXPECT_EQ(PrintJobKind(false, false), LogoJobKind::PrintMonochrome);
}

TEST(LogoCaptionTest, RegionAndInterfaceLanguageChooseTextsAndCodePage) {
    const CaptionTexts french = {"Logoxxxx", "(Monochrome)", "(Deux couleurs)"};
    const LogoCaption japanRegion = ChooseLogoCaption(1, false, kJapanese, french);
    EXPECT_TRUE(japanRegion.japaneseRegion);
    EXPECT_EQ(japanRegion.codePage, CaptionCodePage::ShiftJis);
    EXPECT_EQ(japanRegion.texts.monochrome, "（単色）") << "the Japanese entry, whatever the UI";

    const LogoCaption japaneseAbroad = ChooseLogoCaption(2, true, {}, french);
    EXPECT_FALSE(japaneseAbroad.japaneseRegion) << "no FS C outside the Japanese regions";
    EXPECT_EQ(japaneseAbroad.codePage, CaptionCodePage::ShiftJis);
    EXPECT_EQ(japaneseAbroad.texts.number, "ロゴxxxx") << "the fixed texts";

    const LogoCaption western = ChooseLogoCaption(7, false, kJapanese, french);
    EXPECT_EQ(western.codePage, CaptionCodePage::Windows1252);
    EXPECT_EQ(Hex(LogoCaptionBytes(western, 0x7E7E, true)),
              Hex(test::Bytes("Logo7E7E(Deux couleurs)")));
}

TEST(LogoCaptionTest, EncodesTheCharactersOfTheCodePageAndMarksTheOthers) {
    EXPECT_EQ(
        Hex(EncodeCaption("(Monochromé) €–Ÿ", CaptionCodePage::Windows1252)),
        Hex(Join({test::Bytes("(Monochrom"), {0xE9}, test::Bytes(") "), {0x80, 0x96, 0x9F}})));
    EXPECT_EQ(Hex(EncodeCaption("Ωロ", CaptionCodePage::Windows1252)), "3F 3F");
    EXPECT_EQ(Hex(EncodeCaption("ロゴ２色ﾛｺﾞ", CaptionCodePage::ShiftJis)),
              "83 8D 83 53 82 51 90 46 DB BA DE");
    EXPECT_EQ(Hex(EncodeCaption("モノクロ（白黒）Ω", CaptionCodePage::ShiftJis)),
              "83 82 83 6D 83 4E 83 8D 81 69 94 92 8D 95 81 6A 3F");
    const LogoCaption shortNumber{{"No.", "", ""}, CaptionCodePage::Windows1252, false};
    EXPECT_EQ(Hex(LogoCaptionBytes(shortNumber, 0x2A21, false)), Hex(test::Bytes("2A21")))
        << "a number text shorter than four characters is replaced whole";
}

// ---- Reading the information from a scripted printer ----

class ReadLogoInfoTest : public ::testing::Test, public test::PortHarness {
  protected:
    ReadLogoInfoTest() {
        Use(app::PortKind::PORT_USB);
        switches.statusCheck = false;
    }

    // Answers the capacity and free-space queries, and gives the keycode-list blocks in order:
    // the first after the query, each further one after an ACK.
    void Script(Bytes capacity, Bytes free, std::vector<Bytes> blocks) {
        device.SetResponder([capacity = std::move(capacity), free = std::move(free),
                             blocks = std::move(blocks),
                             next = std::size_t{0}](std::span<const std::uint8_t> data) mutable {
            const Bytes written(data.begin(), data.end());
            if (written == kCapacity) {
                return capacity;
            }
            if (written == kFree) {
                return free;
            }
            if (written == kList) {
                next = 0;
            } else if (written != kAckByte) {
                return Bytes{};
            }
            return next < blocks.size() ? blocks[next++] : Bytes{};
        });
    }
    void ScriptList(std::vector<Bytes> blocks) {
        Script(NumberReply(0x30, "393216"), NumberReply(0x31, "393000"), std::move(blocks));
    }

    int Read(bool reset3 = false) { return ReadPrinterLogoInfo(Port(), info, reset3); }
    int Acks() const { return static_cast<int>(std::ranges::count(Written(), kAckByte)); }

    PrinterLogoInfo info;
};

TEST_F(ReadLogoInfoTest, ReadsCapacityFreeSpaceAndKeycodesAcknowledgingTheBlock) {
    ScriptList({Block(0x40, {0x4120, 0x2041})});
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(info.capacity, 393216u);
    EXPECT_EQ(info.free, 393000u);
    EXPECT_EQ(info.keycodes, (std::vector<std::uint16_t>{0x4120, 0x2041}));
    EXPECT_EQ(info.count, 2u);
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(Written(), (std::vector<Bytes>{kCapacity, kFree, kList, kAckByte}));
    EXPECT_EQ(Count(300ms), 3) << "a pause before each reply";
    EXPECT_EQ(opener.opened, 1);
}

TEST_F(ReadLogoInfoTest, SwitchesAddTheRecoveryPrefixTheStatusCheckAndTheReset) {
    switches.statusCheck = true;
    switches.errorAutoRecover = true;
    device.SetResponder([](std::span<const std::uint8_t> data) -> Bytes {
        const Bytes written(data.begin(), data.end());
        if (written == Bytes{0x10, 0x14, 0x08, 0x01, 0x03, 0x14, 0x01, 0x06, 0x02, 0x08}) {
            return {0x37, 0x25, 0x00};
        }
        if (written == Bytes{0x10, 0x04, 0x01}) {
            return {0x12};
        }
        if (written == kReset3) {
            return {0x3B, 0x33, 0x00};
        }
        if (written == kCapacity || written == kFree) {
            return NumberReply(written == kCapacity ? 0x30 : 0x31, "0");
        }
        return written == kList ? Block(0x40, {}) : Bytes{};
    });
    ASSERT_EQ(Read(true), 0);
    const std::vector<Bytes> writes = Written();
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_EQ(writes[2], kRecovery) << "the prefix goes alone, after the status check";
    EXPECT_EQ(writes[3], kCapacity);
    EXPECT_EQ(writes[7], kReset3) << "the reset comes last, once";
    EXPECT_TRUE(info.valid);
}

TEST_F(ReadLogoInfoTest, FollowsBlocksWithAnAckEachUpToTheClosingEmptyBlock) {
    ScriptList({{0x37, 0x72, 0x40, 0x00}});
    ASSERT_EQ(Read(), 0) << "an empty first block is an empty list";
    EXPECT_TRUE(info.keycodes.empty() && info.valid);
    EXPECT_EQ(Acks(), 1);

    device = {};
    std::vector<Bytes> blocks = ListBlocks(Keycodes(80));
    blocks.back()[2] = 0x41;  // full blocks, then a block that names none
    blocks.push_back({0x37, 0x72, 0x40, 0xFF, 0xFF, 0x00});
    ScriptList(blocks);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(info.keycodes, Keycodes(80));
    EXPECT_EQ(Acks(), 3);
    EXPECT_TRUE(info.valid);
}

TEST_F(ReadLogoInfoTest, MoreThan255KeycodesStopTheReadNotValid) {
    ScriptList(ListBlocks(Keycodes(300)));
    EXPECT_EQ(Read(), LOGO_ERR_KEYCODEMAX);
    EXPECT_EQ(info.count, 280u) << "seven blocks of 40 were read";
    EXPECT_EQ(info.keycodes, Keycodes(255)) << "the first 255 are kept";
    EXPECT_FALSE(info.valid);
    EXPECT_EQ(Acks(), 7) << "no block is asked for after the limit";

    ScriptList(ListBlocks(Keycodes(255)));
    EXPECT_EQ(Read(), 0) << "255 keycodes are still a valid list";
    EXPECT_TRUE(info.valid);
}

TEST_F(ReadLogoInfoTest, MalformedNumberRepliesAreDataErrors) {
    const Bytes goodFree = NumberReply(0x31, "1");
    const std::vector<Bytes> list = {Block(0x40, {})};
    struct Case {
        std::string_view what;
        Bytes capacity;
        int expected;
    };
    const Case cases[] = {
        {"header of the free-space reply", NumberReply(0x31, "393216"), comm::PRT_ERR_DATA},
        {"other first header byte", Join({{0x38, 0x30}, test::Bytes("1"), {0x00}}),
         comm::PRT_ERR_DATA},
        {"non-digit", NumberReply(0x30, "39A216"), comm::PRT_ERR_DATA},
        {"NUL inside the digits", Join({{0x37, 0x30, 0x31, 0x00, 0x32}, {0x00}}),
         comm::PRT_ERR_DATA},
        {"header alone", {0x37, 0x00}, comm::PRT_ERR_DATA},
        {"twelve bytes", NumberReply(0x30, "123456789"), comm::PRT_ERR_NOREPLY},
    };
    for (const Case& c : cases) {
        device = {};
        Script(c.capacity, goodFree, list);
        EXPECT_EQ(Read(), c.expected) << c.what;
        EXPECT_FALSE(info.valid) << c.what;
        EXPECT_EQ(std::ranges::count(Written(), kFree), 0) << c.what << ": the read stops";
    }
    device = {};
    Script(NumberReply(0x30, "12345678"), goodFree, list);
    EXPECT_EQ(Read(), 0) << "eleven bytes are the longest good reply";
    EXPECT_EQ(info.capacity, 12345678u);
    device = {};
    Script(NumberReply(0x30, ""), NumberReply(0x30, "5"), list);
    EXPECT_EQ(Read(), comm::PRT_ERR_DATA) << "the free-space reply has its own header";
    EXPECT_EQ(info.capacity, 0u);
}

TEST_F(ReadLogoInfoTest, MalformedKeycodeBlocksAreDataErrorsWithoutAck) {
    const struct {
        std::string_view what;
        std::vector<Bytes> blocks;
    } cases[] = {
        {"keycode byte 7F", {Block(0x40, {0x7F41})}},
        {"keycode byte 1F", {Block(0x40, {0x411F})}},
        {"status 42", {Block(0x42, {0x4141})}},
        {"wrong header", {{0x37, 0x71, 0x40, 0x00}}},
        {"half a keycode", {{0x37, 0x72, 0x40, 0x41, 0x00}}},
        {"empty-block form first", {{0x37, 0x72, 0x40, 0xFF, 0xFF, 0x00}}},
        {"empty-block form with status 41",
         {Block(0x41, {0x4141}), {0x37, 0x72, 0x41, 0xFF, 0xFF, 0x00}}},
    };
    for (const auto& c : cases) {
        device = {};
        ScriptList(c.blocks);
        EXPECT_EQ(Read(), comm::PRT_ERR_DATA) << c.what;
        EXPECT_EQ(Acks(), static_cast<int>(c.blocks.size()) - 1) << c.what;
        EXPECT_FALSE(info.valid) << c.what;
    }
}

// ---- The jobs against the virtual printer ----

// The define command of a one-colour logo, as the registration builds it.
Bytes DefineCommand(std::uint16_t keycode, std::uint16_t widthBytes, std::uint16_t rows) {
    return test::logo::DefineLogo(keycode, 0x30, widthBytes, rows, {{0xA5}});
}

LogoEntry Row(std::uint16_t keycode, bool checked, std::string path = "/logos/shop.bmp") {
    LogoEntry entry;
    entry.path = std::move(path);
    entry.nameOffset = 7;
    entry.keycode = keycode;
    entry.checked = checked;
    return entry;
}

emulator::PrinterEngineOptions Tr770() {
    emulator::PrinterEngineOptions options;
    options.model = "TR-770";
    return options;
}

class LogoJobsTest : public ::testing::Test, public test::PortHarness {
  protected:
    LogoJobsTest() {
        Use(app::PortKind::PORT_USB);
        device.SetResponder(
            [this](std::span<const std::uint8_t> data) { return engine.Feed(data); });
    }

    LogoSession& Session() {
        if (!session) {
            session.emplace(LogoSession{Port(), infoValid, kNominal});
            session->rows = rows;
            session->caption = ChooseLogoCaption(2, false, kJapanese, kEnglish);
            session->convert = [this](LogoEntry& entry) {
                ++conversions;
                entry.command = DefineCommand(defineAs.value_or(entry.keycode), 2, 3);
                entry.size = static_cast<std::int32_t>(entry.command.size());
                return 0;
            };
            session->onWait = [this](const LogoWaitNotice& notice) { notices.push_back(notice); };
        }
        return *session;
    }
    void Define(std::initializer_list<std::uint16_t> keycodes) {
        for (const std::uint16_t keycode : keycodes) {
            engine.Feed(DefineCommand(keycode, 1, 1));
        }
    }
    // The waits of the jobs: only they wait in whole pieces of 500 ms.
    std::chrono::milliseconds JobWaits() const { return Count(500ms) * 500ms; }
    // Writes of the job that completes a define, a delete or a print, in order.
    std::size_t WritesOf(const Bytes& command) const {
        return static_cast<std::size_t>(std::ranges::count(Written(), command));
    }

    static constexpr std::uint32_t kNominal = 393216;
    emulator::DiscardPaper paper;
    emulator::PrinterEngine engine{Tr770(), paper};
    emulator::NvGraphicsCommands nv{engine, paper, "TR-770"};
    bool infoValid = false;
    std::vector<LogoEntry> rows;
    std::optional<LogoSession> session;
    std::optional<std::uint16_t> defineAs;  // the keycode the conversion puts into the command
    int conversions = 0;
    std::vector<LogoWaitNotice> notices;
};

TEST_F(LogoJobsTest, RegistersTheCheckedRowsAndVerifiesEachOne) {
    rows = {Row(0x4120, true), Row(0x4121, false), Row(0x4122, true)};
    ASSERT_EQ(RegisterCheckedLogos(Session()), 0);
    EXPECT_EQ(nv.Memory().Keycodes(), (std::vector<std::uint16_t>{0x4120, 0x4122}));
    EXPECT_EQ(Session().printer.keycodes, (std::vector<std::uint16_t>{0x4120, 0x4122}));
    EXPECT_EQ(Session().printer.free, 393216u - 2 * (6 + 24));
    EXPECT_TRUE(infoValid);
    EXPECT_EQ(conversions, 2);
    EXPECT_TRUE(rows[0].command.empty()) << "the command is released after sending";
    EXPECT_EQ(JobWaits(), 2 * 3000ms) << "each registration settles";
    EXPECT_EQ(WritesOf(kReset3), 1u) << "only the check after the last row resets";
    ASSERT_EQ(notices.size(), 4u);
    EXPECT_EQ(notices[0].text, LogoWaitNotice::Text::Registering);
    EXPECT_EQ(notices[0].fileName, "shop.bmp");
    EXPECT_EQ(notices[1].text, LogoWaitNotice::Text::CheckingRegistered);
}

TEST_F(LogoJobsTest, AKeycodeMissingAfterRegisteringIsAVerifyFailure) {
    rows = {Row(0x4120, true), Row(0x4121, true)};
    defineAs = 0x4141;
    infoValid = true;
    EXPECT_EQ(RegisterCheckedLogos(Session()), LOGO_ERR_VERIFY);
    EXPECT_FALSE(infoValid);
    EXPECT_EQ(conversions, 1) << "the first failure stops the loop";
}

TEST_F(LogoJobsTest, RegistrationIsRefusedBeforeAnythingIsSent) {
    rows = {Row(0x4120, true)};
    rows[0].gradation = kGradation16;
    Session().printerRow = 1;
    EXPECT_EQ(RegisterCheckedLogos(Session()), LOGO_ERR_GRADATION);
    Session().printerRow = 0;
    EXPECT_EQ(CheckLogoRegistration(Session()), 0) << "row 0 prints 16 levels";
    rows[0].gradation = kGradation2;
    Session().printerRow = 1;
    Session().printer.keycodes = Keycodes(255);
    EXPECT_EQ(RegisterCheckedLogos(Session()), LOGO_ERR_KEYCODEMAX);
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(conversions, 0);
}

TEST_F(LogoJobsTest, DeletesOneLogoAndReadsTheRestBack) {
    Define({0x4120, 0x2041});
    switches.statusCheck = false;
    ASSERT_EQ(DeletePrinterLogo(Session(), 0x2041), 0);
    EXPECT_EQ(nv.Memory().Keycodes(), (std::vector<std::uint16_t>{0x4120}));
    EXPECT_EQ(Session().printer.keycodes, (std::vector<std::uint16_t>{0x4120}));
    EXPECT_TRUE(infoValid);
    EXPECT_EQ(Written().front(), BuildDeleteLogoCommand(0x2041, false));
    EXPECT_EQ(JobWaits(), 5000ms);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.front().text, LogoWaitNotice::Text::DeletingOne);
    EXPECT_EQ(notices.front().keycode, 0x2041);
}

TEST_F(LogoJobsTest, AFailedReadBackShowsTheNominalCapacityAndKeepsTheKeycodes) {
    Session().printer = {100, 50, {0x4120}, 1, true};
    infoValid = true;
    opener.fail = true;
    EXPECT_EQ(DeletePrinterLogo(Session(), 0x4120), comm::PRT_ERR_OPEN);
    EXPECT_FALSE(infoValid);

    PrinterLogoInfo info;
    EXPECT_EQ(
        GetLogoInfoWithWaitBox(Session(), LogoPortMode::ReplaceAndRestore, 0, info, {}, false),
        comm::PRT_ERR_OPEN);
    EXPECT_EQ(info.capacity, kNominal);
    EXPECT_EQ(info.free, kNominal);
    EXPECT_EQ(RefreshPrinterLogoInfo(Session(), LogoPortMode::Neither, 0, {}, false),
              comm::PRT_ERR_OPEN);
    EXPECT_EQ(Session().printer.capacity, kNominal);
    EXPECT_EQ(Session().printer.keycodes, (std::vector<std::uint16_t>{0x4120}));
}

TEST_F(LogoJobsTest, PrintsEveryLogoCuttingAfterTheLastOnly) {
    Define({0x4120, 0x2041});
    switches.statusCheck = false;
    Session().printer.keycodes = {0x4120, 0x2041};
    ASSERT_EQ(PrintAllPrinterLogos(Session(), false), 0);
    const LogoCaption& caption = Session().caption;
    EXPECT_EQ(Written(), (std::vector<Bytes>{
                             BuildPrintLogoCommand(0x4120, false, false, caption, false),
                             BuildPrintLogoCommand(0x2041, true, false, caption, false), kReset3}));
    EXPECT_EQ(JobWaits(), 1500ms + 500ms + 4000ms + 500ms)
        << "job 12 waits after sending; job 10 waits longer, then resets";
}

TEST_F(LogoJobsTest, PrintsOneLogoOnEveryNetworkPrinter) {
    config.lanPrinters.push_back({0, "192.168.0.21", "", {}});
    config.lanIndex = 1;
    Use(app::PortKind::PORT_LAN);
    switches.statusCheck = false;
    ASSERT_EQ(PrintPrinterLogo(Session(), 0x4120, true), 0);
    EXPECT_EQ(lan.openedAddresses(), (std::vector<std::string>{"192.168.0.20", "192.168.0.21"}));
    EXPECT_EQ(config.lanIndex, 1u) << "the chosen printer is chosen again";
    EXPECT_EQ(JobWaits(), 2 * (6000ms + 500ms)) << "job 11 on each printer";
}

}  // namespace
}  // namespace vrtruty::logo
