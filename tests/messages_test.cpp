#include "lang/messages.h"

#include <gtest/gtest.h>

#include "app/printer_connection.h"
#include "lang/interface_texts.h"
#include "lang/language_files.h"

namespace vrtruty::lang {
namespace {

TextTable BuiltIn(bool japanese) {
    LanguageLoadInputs inputs;
    inputs.builtInJapanese = japanese;
    return LoadLanguageTexts(inputs);
}

TEST(ComposeMessage, CommunicationErrorsCarryTheirErrorCode) {
    const TextTable english = BuiltIn(false);
    const std::string failed =
        "An error occurred while communicating with the printer.\n\nError code:\t";
    EXPECT_EQ(ComposeMessage(english, -29), failed + "001");
    EXPECT_EQ(ComposeMessage(english, -31), failed + "003");
    EXPECT_EQ(ComposeMessage(english, 0x4000000), failed + "004")
        << "a read error word without a type bit";
    EXPECT_EQ(ComposeMessage(english, -12), english.Text(MSG_U_09) + english.Text(MSG_U_09_1));
    EXPECT_EQ(ComposeMessage(english, -10), english.Text(MSG_U_08));
    EXPECT_EQ(ComposeMessage(english, -5), english.Text(MSG_U_08));
}

TEST(ComposeMessage, ReadErrorWordsNameThePageAndTheErrorType) {
    const TextTable english = BuiltIn(false);
    const std::string intro = english.Text(MSG_S_05) + "\n\n";
    EXPECT_EQ(ComposeMessage(english, 0x20000 | 0x4000000),
              intro + "Location of error:\tMemory Switch 1\nError type:\t\tData error.");
    EXPECT_EQ(ComposeMessage(english, 0x10000),
              intro + "Location of error:\tOther\nError type:\t\tData format error.");
    EXPECT_EQ(ComposeMessage(english, 0x4000 | 0x80000 | 0x20000),
              intro + "Location of error:\tCustomize Value\nError type:\t\tData error.")
        << "the data bit wins over the no-reply bit";
    EXPECT_EQ(ComposeMessage(english, 0x4000 | 0x80000),
              intro + "Location of error:\tCustomize Value\nError type:\t\tNo data received.");
    EXPECT_EQ(ReadErrorPage(0x4000000 | 0x80000), 8) << "two location bits name no single page";
}

TEST(ComposeMessage, UnlistedNegativeCodesShowTheJapaneseFallBackInEveryLanguage) {
    for (const bool japanese : {false, true}) {
        const TextTable table = BuiltIn(japanese);
        EXPECT_EQ(ComposeMessage(table, -40), "何らかのエラーが発生しました。");
        EXPECT_EQ(ComposeMessage(table, -99999), "何らかのエラーが発生しました。");
        EXPECT_EQ(ComposeMessage(table, -11), "ポートクローズエラー");
    }
}

TEST(ComposeMessage, CallerTextsAndSecondTextsAreFormattedIn) {
    const TextTable english = BuiltIn(false);
    EXPECT_EQ(ComposeMessage(english, 0, "Plain text"), "Plain text");
    EXPECT_EQ(ComposeMessage(english, -51, "logo.bmp"),
              FormatText(english.Text(MSG_L_14), {"logo.bmp", english.Text(MSG_L_13_1)}));
    EXPECT_NE(ComposeMessage(english, -51, "logo.bmp").find("logo.bmp"), std::string::npos);
    EXPECT_EQ(ComposeMessage(english, -3),
              FormatText(english.Text(MSG_P_01), {english.Text(MSG_P_01_1)}));
    EXPECT_EQ(ComposeMessage(english, -1), "The TR Thermal Printer Utility is already running.");
}

TEST(PortOpenFailureText, PermissionOnADeviceFileSaysWhichGroupToJoin) {
    const TextTable english = BuiltIn(false);
    const auto denied = std::make_error_code(std::errc::permission_denied);
    const struct {
        app::PortOpenFailure failure;
        const char* shown;
    } cases[] = {
        {{"/dev/ttyUSB0", "Permission denied", denied},
         "/dev/ttyUSB0: Permission denied\nTo use /dev/ttyUSB0, join its group: sudo usermod -aG "
         "dialout $USER,\nthen log out and log in again."},
        {{"/dev/usb/lp0", "Permission denied", denied},
         "/dev/usb/lp0: Permission denied\nTo use /dev/usb/lp0, join its group: sudo usermod -aG "
         "lp $USER,\nthen log out and log in again."},
        {{"/dev/usb/lp0", "No such file or directory",
          std::make_error_code(std::errc::no_such_file_or_directory)},
         "/dev/usb/lp0: No such file or directory"},
        {{"10.0.0.5", "Connection timed out", std::make_error_code(std::errc::timed_out)},
         "10.0.0.5: Connection timed out"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::PortOpenFailureText(english, c.failure), c.shown);
    }
    TextTable japanese = BuiltIn(true);
    if (const auto slot = japanese.japaneseSlot()) {
        japanese.setLanguageIndex(*slot);
        EXPECT_NE(app::PortOpenFailureText(japanese, cases[0].failure).find("グループ"),
                  std::string::npos);
    }
}

TEST(ComposeVersionText, JoinsNameVersionNoticeAndRights) {
    LanguageLoadInputs inputs;
    inputs.versionString = "         Version 2.13.01";
    const TextTable english = LoadLanguageTexts(inputs);
    EXPECT_EQ(ComposeVersionText(english, INF_VERSION_NO770, "Copyright (C) 2026 VRM.     "),
              " TR Thermal Printer Utility\n         Version 2.13.01\n\n"
              "Copyright (C) 2026 VRM.     \n       All Rights Reserved.");
}

TEST(FormatText, FillsPlaceholdersInOrderAndNeverReadsPastTheArguments) {
    EXPECT_EQ(FormatText("%s and %s", {"a", "b"}), "a and b");
    EXPECT_EQ(FormatText("%s, %s, %s", {"a"}), "a, , ");
    EXPECT_EQ(FormatText("100%% %d %", {}), "100% %d %");
}

}  // namespace
}  // namespace vrtruty::lang
