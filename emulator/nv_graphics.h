// The virtual printer's NV graphics memory: logos defined with GS 8 L (or GS ( L) function 67,
// listed, deleted and printed with GS ( L, and kept across restarts in a file beside the state
// file. The memory's size follows the printer's NV memory setting (customise value 2): a changed
// size lays the memory out anew, empty, as a printer does when it restarts with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "emulator/paper.h"
#include "emulator/printer_engine.h"
#include "emulator/state_file.h"

namespace vrtruty::emulator {

// The customise value that sizes the NV graphics memory.
inline constexpr int kNvAreaSetting = 2;
// Bytes the printer keeps per logo besides its dots.
inline constexpr std::uint32_t kNvLogoOverhead = 24;
// Most keycodes in one block of the keycode list.
inline constexpr std::size_t kKeycodesPerBlock = 40;
// Largest logo the printer takes, in dots.
inline constexpr int kMaxNvLogoWidth = 8192;
inline constexpr int kMaxNvLogoHeight = 2304;

// How the dots of a stored logo are coded.
enum class NvTone : std::uint8_t {
    // a = 0x30: one bit per dot in each colour's plane: plane 1 the first colour (black), plane 2
    // the second colour (red); a logo may have either plane or both.
    Colours,
    // a = 0x34: four planes of one bit each, together a darkness level 0..15 per dot; plane 1
    // holds the most significant bit.
    Levels16,
};

struct NvLogo {
    std::uint16_t keycode = 0;  // kc1 low byte, kc2 high byte
    NvTone tone = NvTone::Colours;
    int width = 0;  // dots
    int height = 0;
    // Plane c = 0x31 + i at index i; an absent plane is empty. Rows top first, (width + 7) / 8
    // bytes each, the leftmost dot in the most significant bit.
    std::array<std::vector<std::uint8_t>, 4> planes;

    // Bytes of memory the logo takes: its planes and the overhead.
    std::uint32_t StoredSize() const;
    bool operator==(const NvLogo&) const = default;
};

// The logo a define function's parameters describe, from m on (m fn a kc1 kc2 b xL xH yL yH,
// then c and the plane data for each plane); nothing when they are malformed.
std::optional<NvLogo> ParseNvDefinition(std::span<const std::uint8_t> parameters);
// The define parameters of a logo, as ParseNvDefinition reads them.
std::vector<std::uint8_t> NvDefinitionParameters(const NvLogo& logo);

// Bytes of NV graphics memory of a printer of the model (a catalogue display name) with NV memory
// setting `value`: (value - 1) steps of 512 KiB on the TR-770II, of 64 KiB on the others; none
// for 0.
std::uint64_t NvGraphicsCapacity(std::string_view model, int value);

class NvGraphicsMemory {
  public:
    NvGraphicsMemory() = default;
    // Laid out for NV memory setting `area`, which gives it `capacity` bytes.
    NvGraphicsMemory(int area, std::uint64_t capacity) : area_(area), capacity_(capacity) {}

    int Area() const { return area_; }
    std::uint64_t Capacity() const { return capacity_; }
    std::uint64_t Used() const;
    // What is left; 0 when logos take more than the capacity (a memory loaded from a file that
    // names a smaller area than its logos need).
    std::uint64_t Free() const;

    // Lays the memory out for another setting, empty; false when the setting is the same.
    bool FollowArea(int area, std::uint64_t capacity);
    // Stores the logo, replacing one with its keycode, and lists it last. False, and nothing
    // changes, when the memory has no room for it.
    bool Define(NvLogo logo);
    bool Delete(std::uint16_t keycode);
    // False when there was nothing to delete.
    bool DeleteAll();

    const NvLogo* Find(std::uint16_t keycode) const;
    // In the order they were defined.
    const std::vector<NvLogo>& Logos() const { return logos_; }
    std::vector<std::uint16_t> Keycodes() const;

  private:
    int area_ = 0;
    std::uint64_t capacity_ = 0;
    std::vector<NvLogo> logos_;
};

// The picture fn 69 prints: the logo enlarged by the scales, cut at the paper's width. The first
// colour prints black at full ink, the second red, levels as ink of level x 17.
PrintedPicture NvLogoPicture(const NvLogo& logo, int scaleX, int scaleY);

// Runs the NV graphics commands on an engine: gives its GS ( L and GS 8 L entries their handlers
// and adds ACK (06), which asks for the next block of the keycode list. Handlers refer to this
// object, so it must outlive the engine's use, and it cannot be copied or moved.
class NvGraphicsCommands {
  public:
    // Called with the memory after every change, for it to be kept.
    using Store = std::function<void(const NvGraphicsMemory&)>;

    NvGraphicsCommands(PrinterEngine& engine, PaperSink& paper, std::string model,
                       NvGraphicsMemory memory = {}, Store store = {});
    NvGraphicsCommands(const NvGraphicsCommands&) = delete;
    NvGraphicsCommands& operator=(const NvGraphicsCommands&) = delete;

    const NvGraphicsMemory& Memory() const { return memory_; }

  private:
    void OnNvGraphics(const Command& command, std::vector<std::uint8_t>& reply);
    void OnDefine(const Command& command);
    void OnAck(std::vector<std::uint8_t>& reply);
    void Define(std::span<const std::uint8_t> parameters);
    void Print(std::span<const std::uint8_t> parameters);
    void SendNextBlock(std::vector<std::uint8_t>& reply);
    void FollowAreaSetting();
    void Changed();

    PrinterEngine& engine_;
    PaperSink& paper_;
    std::string model_;
    NvGraphicsMemory memory_;
    Store store_;
    // The keycodes of the list still to be sent, one block per ACK, while a list is being sent.
    std::optional<std::vector<std::uint16_t>> listing_;
};

// The file that keeps the logos of the printer whose state file this is: "STATE.logos".
//
//     vrtruty-printer logos 1
//     area 7
//     logo 4120 30433020410110000200310000000000
//
// "area" is the NV memory setting the memory is laid out for; each "logo" line holds the keycode
// and the hexadecimal define parameters (m fn a kc1 kc2 b x y, then the planes). A file that
// cannot be read as a whole is not used: the memory starts empty.
std::filesystem::path LogoFilePath(const std::filesystem::path& stateFile);

inline constexpr std::string_view kLogoFileHeader = "vrtruty-printer logos 1";

struct LoadedLogos {
    NvGraphicsMemory memory;
    StateFileStatus status = StateFileStatus::Missing;  // Loaded, Missing or Damaged
    std::string problem;                                // why a damaged file was not used
};

std::string FormatLogoText(const NvGraphicsMemory& memory);
// The memory a file's text describes, sized for a printer of the model.
LoadedLogos ParseLogoText(std::string_view text, std::string_view model);
LoadedLogos LoadLogoFile(const std::filesystem::path& path, std::string_view model);
// Written under a temporary name and renamed over the old file.
std::error_code SaveLogoFile(const std::filesystem::path& path, const NvGraphicsMemory& memory);

// The NV graphics commands of the printer program: the memory is read from `logoFile` when one
// is given, and written back to it after every change; what goes wrong is told to `report`.
std::unique_ptr<NvGraphicsCommands> AttachNvGraphics(
    PrinterEngine& engine, PaperSink& paper, const std::string& model,
    const std::optional<std::filesystem::path>& logoFile,
    const std::function<void(const std::string&)>& report);

}  // namespace vrtruty::emulator
