// The logos stored in the printer's NV graphics memory: reading the memory's capacity, free space
// and keycode list, and the one-shot jobs that register, delete and print logos. Every operation
// opens and closes the port itself; nothing here shows anything. Results are the printer error
// codes of the port layer or the LOGO_ERR codes, which the caller turns into messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "comm/port_access.h"
#include "lang/text_table.h"
#include "logo/logo_entry.h"

namespace vrtruty::logo {

// Most keycodes the utility takes from a printer; a printer with more cannot register any more.

// What the printer reported about its NV graphics memory.
struct PrinterLogoInfo {
    std::uint32_t capacity = 0;           // bytes of NV graphics memory
    std::uint32_t free = 0;               // bytes not taken by logos
    std::vector<std::uint16_t> keycodes;  // in the printer's order; kc1 low byte, kc2 high byte
    std::size_t count = 0;  // keycodes the printer listed; above 255 when it had too many to keep
    bool valid = false;     // the whole list was read
};

// GS ( L queries and the acknowledgement of a keycode-list block.
inline constexpr std::array<std::uint8_t, 7> kCapacityQuery = {0x1D, 0x28, 0x4C, 0x02,
                                                               0x00, 0x30, 0x00};
inline constexpr std::array<std::uint8_t, 7> kFreeSpaceQuery = {0x1D, 0x28, 0x4C, 0x02,
                                                                0x00, 0x30, 0x03};
inline constexpr std::array<std::uint8_t, 9> kKeycodeListQuery = {0x1D, 0x28, 0x4C, 0x04, 0x00,
                                                                  0x30, 0x40, 0x4B, 0x43};
inline constexpr std::uint8_t kAck = 0x06;

// Longest replies the utility accepts.
inline constexpr std::size_t kNumberReplyLimit = 11;   // capacity and free space
inline constexpr std::size_t kKeycodeBlockLimit = 84;  // one keycode-list block

// Operation numbers of the logo jobs; they select the waits of PrinterSendOperation.
enum class LogoJobKind : int {
    DeleteOne = 6,
    DeleteAll = 7,
    Register = 8,
    PrintMonochromeCut = 10,
    PrintTwoColoursCut = 11,
    PrintMonochrome = 12,
    PrintTwoColours = 13,
};

// What RunLogoJob is asked to do.
enum class LogoJob : std::uint8_t {
    DeleteOne,  // the keycode given
    DeleteAll,
    Register,  // the row given
    Print,     // the keycode given
};

// How a read of the logo information treats printer-queue ports: set aside before the read,
// restored after it, both, or neither (the caller holds them aside between two steps).
enum class LogoPortMode : int {
    ReplaceAndRestore = 18,
    ReplaceOnly = 19,
    RestoreOnly = 20,
    Neither = 21,
};

// Text kinds of the wait box around a read of the logo information.
inline constexpr int kInfoTextAfterRegistering = 22;  // with the file name
inline constexpr int kInfoTextAfterDeleting = 23;
inline constexpr int kInfoTextReading = 24;  // any other kind reads the same

// What the wait box shows while a step runs. The caller formats the text.
struct LogoWaitNotice {
    enum class Text : std::uint8_t {
        GettingInformation,  // "Getting logo information registered in the printer..."
        CheckingRegistered,  // "The logo file (%s) has been sent..."
        CheckingDeleted,     // "The logo data has been deleted. Checking deleted logo data..."
        DeletingOne,         // "Deleting the printer logo (%04X)..."
        DeletingAll,         // "Deleting all printer logos..."
        Registering,         // "Sending the logo file (%s) to the printer..."
        Printing,            // "Printing the printer logo (%04X)..."
    };
    Text text = Text::GettingInformation;
    std::string fileName;  // the row's file name, without its folder
    std::uint16_t keycode = 0;
};
using LogoWaitCallback = std::function<void(const LogoWaitNotice&)>;

// The code page the printer reads a caption in: the system code page of the language.
enum class CaptionCodePage : std::uint8_t {
    Windows1252,  // western languages
    ShiftJis,     // Japanese
};

// The texts LOGO_P_NO, LOGO_P_MONO and LOGO_P_COLOR of one language, in UTF-8.
struct CaptionTexts {
    std::string number;      // "Logoxxxx": its last four characters become the keycode
    std::string monochrome;  // "(Monochromatic)"
    std::string twoColours;  // "(Two Colors)"
};

// The Japanese captions printed when the interface is Japanese outside the Japanese regions.
CaptionTexts FixedJapaneseCaptionTexts();

// How a printed logo is captioned.
struct LogoCaption {
    CaptionTexts texts;
    CaptionCodePage codePage = CaptionCodePage::Windows1252;
    bool japaneseRegion = false;  // the caption is framed by FS C 1 and FS C 0 (Shift-JIS kanji)
};

// The caption rules: in the Japanese regions (region index 0 or 1) the Japanese entry's texts in
// Shift-JIS inside FS C 1 / FS C 0; elsewhere the fixed Japanese texts in Shift-JIS when the
// interface language is Japanese, otherwise the interface language's texts in Windows-1252.
LogoCaption ChooseLogoCaption(int regionIndex, bool japaneseInterface,
                              const CaptionTexts& japaneseEntry,
                              const CaptionTexts& interfaceTexts);
// The same rules for the interface language of the text table.
LogoCaption ChooseLogoCaption(int regionIndex, const lang::TextTable& texts);

// A UTF-8 text in the code page. Characters the code page lacks become '?', as the system's
// conversion writes them.
std::vector<std::uint8_t> EncodeCaption(std::string_view text, CaptionCodePage codePage);

// The caption's bytes for the keycode: "Logo4120(Monochromatic)" in the caption's code page.
std::vector<std::uint8_t> LogoCaptionBytes(const LogoCaption& caption, std::uint16_t keycode,
                                           bool twoColours);

// The commands the jobs send. The error-recovery prefix leads each one when asked for.
std::vector<std::uint8_t> BuildDeleteLogoCommand(std::uint16_t keycode, bool errorAutoRecover);
std::vector<std::uint8_t> BuildDeleteAllLogosCommand(bool errorAutoRecover);
std::vector<std::uint8_t> BuildPrintLogoCommand(std::uint16_t keycode, bool cut, bool twoColours,
                                                const LogoCaption& caption, bool errorAutoRecover);
LogoJobKind PrintJobKind(bool cut, bool twoColours);

// Opens the port, readies the printer and asks for capacity, free space and the keycode list;
// with `reset3` it then runs the RESET3 command once. 0, PRT_ERR_OPEN, a status failure, a send
// or receive failure, PRT_ERR_DATA for a malformed reply, or LOGO_ERR_KEYCODEMAX when the printer
// lists more than 255 keycodes (`info` then keeps the first 255 and the full count, not valid).
int ReadPrinterLogoInfo(comm::PortAccess& port, PrinterLogoInfo& info, bool reset3);

// What the logo functions work on between the pane and the printer.
struct LogoSession {
    comm::PortAccess& port;
    // Whether `printer` is what the printer holds: the settings state's flag, which a change of
    // the NV memory setting clears as well.
    bool& printerInfoValid;
    // Capacity assumed when the printer cannot be asked: the settings state's nominal capacity.
    std::uint32_t nominalCapacity = 0;
    // The last good read: the pane's printerKeycodes, capacity and free space.
    PrinterLogoInfo printer{};
    std::size_t printerRow = 0;  // the current printer row of the catalogue
    // Port type of the chosen printer queue (4: a port of the maker's network monitors).
    int queuePortType = 0;
    LogoCaption caption{};
    std::span<LogoEntry> rows{};  // the logo file list
    // Builds a row's registration command into its `command` and its length into `size`.
    std::function<int(LogoEntry&)> convert{};
    LogoWaitCallback onWait{};
};

// The read behind the pane's wait box: sets printer-queue ports aside as `portMode` says, runs
// ReadPrinterLogoInfo and, on any failure, puts the nominal capacity into capacity and free space.
int GetLogoInfoWithWaitBox(LogoSession& session, LogoPortMode portMode, int textKind,
                           PrinterLogoInfo& info, std::string_view fileName, bool reset3);

// GetLogoInfoWithWaitBox for the pane: a good read becomes the session's printer information;
// a failed one keeps the keycodes, shows the nominal capacity and marks the information not valid.
int RefreshPrinterLogoInfo(LogoSession& session, LogoPortMode portMode, int textKind,
                           std::string_view fileName, bool reset3);

// Builds the job's command, announces it and sends it with PrinterSendOperation. For Register
// `keycodeOrRow` is a row of the session's list, converted first; otherwise it is the keycode.
// `cutFlag` and `twoColours` choose the print job.
int RunLogoJob(LogoSession& session, LogoJob job, std::size_t keycodeOrRow, bool cutFlag,
               bool twoColours);

// Whether the printer of this catalogue row stores sixteen-level logos.
bool PrintsSixteenLevels(std::size_t printerRow);

// Whether the rows may be registered on the current printer: LOGO_ERR_GRADATION for 16-level
// rows on a printer without 16 levels, LOGO_ERR_KEYCODEMAX when the printer is full, else 0.
int CheckLogoRegistration(const LogoSession& session);

// Registers every checked row on every target printer, reading each one back; stops at the first
// failure and marks the printer information not valid. Nothing happens for an empty list.
int RegisterCheckedLogos(LogoSession& session);

// Deletes one logo or all of them on every target printer, then reads the information again.
int DeletePrinterLogo(LogoSession& session, std::uint16_t keycode);
int DeleteAllPrinterLogos(LogoSession& session);

// Prints one logo, with a cut, on every target printer.
int PrintPrinterLogo(LogoSession& session, std::uint16_t keycode, bool twoColours);
// Prints every logo of the session's keycode list, cutting after the last one. Further network
// printers of the list print the keycodes they report themselves.
int PrintAllPrinterLogos(LogoSession& session, bool twoColours);

}  // namespace vrtruty::logo
