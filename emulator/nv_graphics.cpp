#include "emulator/nv_graphics.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

#include "core/catalogue.h"
#include "platform/files.h"

namespace vrtruty::emulator {
namespace {

constexpr std::uint8_t kGroup = 0x30;  // m of every NV graphics function

// GS ( L functions; several have a second number that printers accept as well.
constexpr std::uint8_t kCapacity = 0x00;
constexpr std::uint8_t kCapacityAlias = 0x30;
constexpr std::uint8_t kFreeSpace = 0x03;
constexpr std::uint8_t kFreeSpaceAlias = 0x33;
constexpr std::uint8_t kKeycodeList = 0x40;
constexpr std::uint8_t kDeleteAll = 0x41;
constexpr std::uint8_t kDeleteOne = 0x42;
constexpr std::uint8_t kDefineRaster = 0x43;
constexpr std::uint8_t kPrint = 0x45;

constexpr std::uint8_t kToneColours = 0x30;
constexpr std::uint8_t kToneLevels = 0x34;
constexpr std::uint8_t kFirstPlane = 0x31;
constexpr std::size_t kLevelPlanes = 4;
constexpr std::size_t kMaxColourPlanes = 2;
// m fn a kc1 kc2 b xL xH yL yH
constexpr std::size_t kDefineHeader = 10;

constexpr std::uint8_t kReplyHeader = 0x37;
constexpr std::uint8_t kCapacityReply = 0x30;
constexpr std::uint8_t kFreeSpaceReply = 0x31;
constexpr std::uint8_t kKeycodeReply = 0x72;
constexpr std::uint8_t kLastBlock = 0x40;
constexpr std::uint8_t kMoreBlocks = 0x41;
constexpr std::uint8_t kAck = 0x06;

// A level's ink: level 15 is full ink.
constexpr int kInkPerLevel = 17;
constexpr std::uint8_t kFullInk = 255;

constexpr std::uint64_t kTr770IIStep = 512 * 1024;
constexpr std::uint64_t kOtherStep = 64 * 1024;

constexpr std::uint8_t kGsParenL[] = {0x1D, 0x28, 0x4C};
constexpr std::uint8_t kGs8L[] = {0x1D, 0x38, 0x4C};
// Where the parameters (m on) start in each command.
constexpr std::size_t kParenLParameters = 5;
constexpr std::size_t kGs8LParameters = 7;

bool KeycodeByte(std::uint8_t b) {
    return b >= 0x20 && b <= 0x7E;
}

std::uint16_t Keycode(std::uint8_t kc1, std::uint8_t kc2) {
    return static_cast<std::uint16_t>(kc1 | kc2 << 8);
}

std::size_t RowBytes(int width) {
    return static_cast<std::size_t>(width + 7) / 8;
}

bool Dot(const std::vector<std::uint8_t>& plane, std::size_t rowBytes, int x, int y) {
    if (plane.empty()) {
        return false;
    }
    const std::uint8_t byte =
        plane[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) / 8];
    return (byte & (0x80U >> (x % 8))) != 0;
}

void AppendDecimal(std::vector<std::uint8_t>& reply, std::uint8_t form, std::uint64_t value) {
    const std::string digits = std::to_string(value);
    reply.push_back(kReplyHeader);
    reply.push_back(form);
    reply.insert(reply.end(), digits.begin(), digits.end());
    reply.push_back(0x00);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto [end, ec] =
            std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, bytes[i], 16);
        if (ec != std::errc() || end != text.data() + 2 * i + 2) {
            return std::nullopt;
        }
    }
    return bytes;
}

std::string_view TakeWord(std::string_view& line) {
    const auto space = line.find(' ');
    const std::string_view word = line.substr(0, space);
    line = space == line.npos ? std::string_view{} : line.substr(space + 1);
    return word;
}

LoadedLogos Damaged(std::string problem) {
    return {NvGraphicsMemory{}, StateFileStatus::Damaged, std::move(problem)};
}

}  // namespace

// ---- Logos ----

std::uint32_t NvLogo::StoredSize() const {
    std::uint64_t size = kNvLogoOverhead;
    for (const auto& plane : planes) {
        size += plane.size();
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFF));
}

std::optional<NvLogo> ParseNvDefinition(std::span<const std::uint8_t> parameters) {
    if (parameters.size() < kDefineHeader || parameters[0] != kGroup ||
        parameters[1] != kDefineRaster) {
        return std::nullopt;
    }
    NvLogo logo;
    const std::uint8_t tone = parameters[2];
    const std::size_t planes = parameters[5];
    if (tone == kToneColours && planes >= 1 && planes <= kMaxColourPlanes) {
        logo.tone = NvTone::Colours;
    } else if (tone == kToneLevels && planes == kLevelPlanes) {
        logo.tone = NvTone::Levels16;
    } else {
        return std::nullopt;
    }
    if (!KeycodeByte(parameters[3]) || !KeycodeByte(parameters[4])) {
        return std::nullopt;
    }
    logo.keycode = Keycode(parameters[3], parameters[4]);
    logo.width = parameters[6] | parameters[7] << 8;
    logo.height = parameters[8] | parameters[9] << 8;
    if (logo.width < 1 || logo.width > kMaxNvLogoWidth || logo.height < 1 ||
        logo.height > kMaxNvLogoHeight) {
        return std::nullopt;
    }
    const std::size_t k = RowBytes(logo.width) * static_cast<std::size_t>(logo.height);
    if (parameters.size() != kDefineHeader + planes * (k + 1)) {
        return std::nullopt;
    }
    const std::size_t planeLimit = logo.tone == NvTone::Levels16 ? kLevelPlanes : kMaxColourPlanes;
    for (std::size_t i = 0; i < planes; ++i) {
        const auto plane = parameters.subspan(kDefineHeader + i * (k + 1), k + 1);
        const std::size_t index = static_cast<std::size_t>(plane[0] - kFirstPlane);
        if (plane[0] < kFirstPlane || index >= planeLimit || !logo.planes[index].empty()) {
            return std::nullopt;
        }
        logo.planes[index].assign(plane.begin() + 1, plane.end());
    }
    return logo;
}

std::vector<std::uint8_t> NvDefinitionParameters(const NvLogo& logo) {
    std::vector<std::uint8_t> bytes = {
        kGroup,
        kDefineRaster,
        logo.tone == NvTone::Levels16 ? kToneLevels : kToneColours,
        static_cast<std::uint8_t>(logo.keycode & 0xFF),
        static_cast<std::uint8_t>(logo.keycode >> 8),
        0,
        static_cast<std::uint8_t>(logo.width & 0xFF),
        static_cast<std::uint8_t>(logo.width >> 8),
        static_cast<std::uint8_t>(logo.height & 0xFF),
        static_cast<std::uint8_t>(logo.height >> 8),
    };
    std::uint8_t planes = 0;
    for (std::size_t i = 0; i < logo.planes.size(); ++i) {
        if (!logo.planes[i].empty()) {
            ++planes;
            bytes.push_back(static_cast<std::uint8_t>(kFirstPlane + i));
            bytes.insert(bytes.end(), logo.planes[i].begin(), logo.planes[i].end());
        }
    }
    bytes[5] = planes;
    return bytes;
}

std::uint64_t NvGraphicsCapacity(std::string_view model, int value) {
    if (value <= 1) {
        return 0;
    }
    const auto row = app::FindPrinterRow(model);
    const bool tr770II = row && app::PrinterNameTable()[*row].modelId == app::kBuildModelId;
    return static_cast<std::uint64_t>(value - 1) * (tr770II ? kTr770IIStep : kOtherStep);
}

PrintedPicture NvLogoPicture(const NvLogo& logo, int scaleX, int scaleY) {
    PrintedPicture picture;
    picture.width = std::min(logo.width * scaleX, kPaperWidthDots);
    picture.height = logo.height * scaleY;
    picture.dots.resize(static_cast<std::size_t>(picture.width) *
                        static_cast<std::size_t>(picture.height));
    const std::size_t rowBytes = RowBytes(logo.width);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const int sourceX = x / scaleX;
            const int sourceY = y / scaleY;
            PictureDot& dot =
                picture.dots[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                             static_cast<std::size_t>(x)];
            if (logo.tone == NvTone::Levels16) {
                int level = 0;
                for (const auto& plane : logo.planes) {
                    level = level << 1 | (Dot(plane, rowBytes, sourceX, sourceY) ? 1 : 0);
                }
                dot.ink = static_cast<std::uint8_t>(level * kInkPerLevel);
            } else if (Dot(logo.planes[0], rowBytes, sourceX, sourceY)) {
                dot.ink = kFullInk;  // the first colour covers the second
            } else if (Dot(logo.planes[1], rowBytes, sourceX, sourceY)) {
                dot = {kFullInk, true};
            }
        }
    }
    return picture;
}

// ---- Memory ----

std::uint64_t NvGraphicsMemory::Used() const {
    std::uint64_t used = 0;
    for (const NvLogo& logo : logos_) {
        used += logo.StoredSize();
    }
    return used;
}

std::uint64_t NvGraphicsMemory::Free() const {
    const std::uint64_t used = Used();
    return used >= capacity_ ? 0 : capacity_ - used;
}

bool NvGraphicsMemory::FollowArea(int area, std::uint64_t capacity) {
    if (area == area_) {
        capacity_ = capacity;
        return false;
    }
    area_ = area;
    capacity_ = capacity;
    logos_.clear();
    return true;
}

bool NvGraphicsMemory::Define(NvLogo logo) {
    const NvLogo* old = Find(logo.keycode);
    const std::uint64_t room = Free() + (old != nullptr ? old->StoredSize() : 0);
    if (logo.StoredSize() > room) {
        return false;
    }
    Delete(logo.keycode);
    logos_.push_back(std::move(logo));
    return true;
}

bool NvGraphicsMemory::Delete(std::uint16_t keycode) {
    return std::erase_if(logos_,
                         [keycode](const NvLogo& logo) { return logo.keycode == keycode; }) > 0;
}

bool NvGraphicsMemory::DeleteAll() {
    const bool any = !logos_.empty();
    logos_.clear();
    return any;
}

const NvLogo* NvGraphicsMemory::Find(std::uint16_t keycode) const {
    const auto it = std::ranges::find(logos_, keycode, &NvLogo::keycode);
    return it == logos_.end() ? nullptr : &*it;
}

std::vector<std::uint16_t> NvGraphicsMemory::Keycodes() const {
    std::vector<std::uint16_t> keycodes;
    keycodes.reserve(logos_.size());
    for (const NvLogo& logo : logos_) {
        keycodes.push_back(logo.keycode);
    }
    return keycodes;
}

// ---- Commands ----

NvGraphicsCommands::NvGraphicsCommands(PrinterEngine& engine, PaperSink& paper, std::string model,
                                       NvGraphicsMemory memory, Store store)
    : engine_(engine),
      paper_(paper),
      model_(std::move(model)),
      memory_(std::move(memory)),
      store_(std::move(store)) {
    engine_.SetHandler(kGsParenL, [this](const Command& command, std::vector<std::uint8_t>& reply) {
        OnNvGraphics(command, reply);
    });
    engine_.SetHandler(
        kGs8L, [this](const Command& command, std::vector<std::uint8_t>&) { OnDefine(command); });
    // ACK is no command of its own elsewhere; a printer without a list to send ignores it.
    engine_.DefineCommand(
        {{kAck},
         FixedExtent(1),
         [this](const Command&, std::vector<std::uint8_t>& reply) { OnAck(reply); },
         false});
}

void NvGraphicsCommands::FollowAreaSetting() {
    const auto& values = engine_.Settings().customizeValues;
    const auto it = values.find(kNvAreaSetting);
    const int area = it == values.end() ? 0 : it->second;
    if (memory_.FollowArea(area, NvGraphicsCapacity(model_, area))) {
        Changed();
    }
}

void NvGraphicsCommands::Changed() {
    if (store_) {
        store_(memory_);
    }
}

void NvGraphicsCommands::OnNvGraphics(const Command& command, std::vector<std::uint8_t>& reply) {
    FollowAreaSetting();
    listing_.reset();  // any other function ends a list being sent
    if (command.Truncated() || command.bytes.size() < kParenLParameters + 2 ||
        command.bytes[kParenLParameters] != kGroup) {
        return;
    }
    const auto parameters = command.bytes.subspan(kParenLParameters);
    const auto data = parameters.subspan(2);  // after m and fn
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    switch (parameters[1]) {
        case kCapacity:
        case kCapacityAlias:
            if (data.empty()) {
                AppendDecimal(reply, kCapacityReply, memory_.Capacity());
            }
            break;
        case kFreeSpace:
        case kFreeSpaceAlias:
            if (data.empty()) {
                AppendDecimal(reply, kFreeSpaceReply, memory_.Free());
            }
            break;
        case kKeycodeList:
            if (text == "KC") {
                listing_ = memory_.Keycodes();
                SendNextBlock(reply);
            }
            break;
        case kDeleteAll:
            // Printers know the function with "CLR"; some firmware reads only "CL".
            if ((text == "CLR" || text == "CL") && memory_.DeleteAll()) {
                Changed();
            }
            break;
        case kDeleteOne:
            if (data.size() == 2 && memory_.Delete(Keycode(data[0], data[1]))) {
                Changed();
            }
            break;
        case kDefineRaster:
            Define(parameters);
            break;
        case kPrint:
            Print(data);
            break;
        default:
            engine_.OnGraphicsBuffer(parameters);  // the print buffer's functions
            break;
    }
}

void NvGraphicsCommands::OnDefine(const Command& command) {
    FollowAreaSetting();
    listing_.reset();
    if (command.Truncated() || command.bytes.size() < kGs8LParameters) {
        return;  // a logo larger than the printer keeps of a command is not stored
    }
    const auto parameters = command.bytes.subspan(kGs8LParameters);
    if (!engine_.OnGraphicsBuffer(parameters)) {
        Define(parameters);
    }
}

void NvGraphicsCommands::Define(std::span<const std::uint8_t> parameters) {
    std::optional<NvLogo> logo = ParseNvDefinition(parameters);
    if (logo && memory_.Define(std::move(*logo))) {
        Changed();
    }
}

void NvGraphicsCommands::Print(std::span<const std::uint8_t> data) {
    // kc1 kc2, then the horizontal and vertical scale, 1 or 2.
    if (data.size() != 4 || data[2] < 1 || data[2] > 2 || data[3] < 1 || data[3] > 2) {
        return;
    }
    if (const NvLogo* logo = memory_.Find(Keycode(data[0], data[1]))) {
        paper_.PrintPicture(NvLogoPicture(*logo, data[2], data[3]));
    }
}

void NvGraphicsCommands::OnAck(std::vector<std::uint8_t>& reply) {
    if (listing_) {
        SendNextBlock(reply);
    }
}

void NvGraphicsCommands::SendNextBlock(std::vector<std::uint8_t>& reply) {
    std::vector<std::uint16_t>& rest = *listing_;
    const std::size_t count = std::min(rest.size(), kKeycodesPerBlock);
    const bool more = rest.size() > count;
    reply.push_back(kReplyHeader);
    reply.push_back(kKeycodeReply);
    reply.push_back(more ? kMoreBlocks : kLastBlock);
    for (std::size_t i = 0; i < count; ++i) {
        reply.push_back(static_cast<std::uint8_t>(rest[i] & 0xFF));
        reply.push_back(static_cast<std::uint8_t>(rest[i] >> 8));
    }
    reply.push_back(0x00);
    rest.erase(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(count));
    if (!more) {
        listing_.reset();
    }
}

// ---- The logo file ----

std::filesystem::path LogoFilePath(const std::filesystem::path& stateFile) {
    std::filesystem::path path = stateFile;
    path += ".logos";
    return path;
}

std::string FormatLogoText(const NvGraphicsMemory& memory) {
    std::string text(kLogoFileHeader);
    text += "\narea " + std::to_string(memory.Area()) + '\n';
    for (const NvLogo& logo : memory.Logos()) {
        const std::uint8_t keycode[] = {static_cast<std::uint8_t>(logo.keycode >> 8),
                                        static_cast<std::uint8_t>(logo.keycode & 0xFF)};
        text += "logo " + Hex(keycode) + ' ' + Hex(NvDefinitionParameters(logo)) + '\n';
    }
    return text;
}

LoadedLogos ParseLogoText(std::string_view text, std::string_view model) {
    if (text.find_first_not_of(" \t\r\n") == text.npos) {
        return {};
    }
    std::optional<int> area;
    std::vector<NvLogo> logos;
    RecordLines lines(text);
    if (auto problem = lines.HeaderProblem(kLogoFileHeader, "not a logo file of this printer")) {
        return Damaged(std::move(*problem));
    }
    while (const auto next = lines.Next()) {
        const std::string_view line = *next;
        const std::string where = lines.Where();
        std::string_view rest = line;
        const std::string_view keyword = TakeWord(rest);
        if (keyword == "area") {
            int value = 0;
            const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
            if (ec != std::errc() || end != rest.data() + rest.size() || value < 0 ||
                value > std::numeric_limits<std::uint16_t>::max()) {
                return Damaged(where + "not an area: \"" + std::string(rest) + "\"");
            }
            area = value;
            continue;
        }
        if (keyword != "logo") {
            return Damaged(where + "not understood: \"" + std::string(line) + "\"");
        }
        const std::string_view keycodeText = TakeWord(rest);
        const auto keycode = FromHex(keycodeText);
        const auto parameters = FromHex(rest);
        std::optional<NvLogo> logo;
        if (parameters) {
            logo = ParseNvDefinition(*parameters);
        }
        if (!keycode || keycode->size() != 2 || !logo ||
            logo->keycode != Keycode((*keycode)[1], (*keycode)[0])) {
            return Damaged(where + "not a logo: \"" + std::string(keycodeText) + " ...\"");
        }
        logos.push_back(std::move(*logo));
    }
    if (!area) {
        return Damaged("no area line");
    }
    NvGraphicsMemory memory(*area, NvGraphicsCapacity(model, *area));
    for (NvLogo& logo : logos) {
        if (!memory.Define(std::move(logo))) {
            return Damaged("the logos take more than the area holds");
        }
    }
    return {std::move(memory), StateFileStatus::Loaded, {}};
}

LoadedLogos LoadLogoFile(const std::filesystem::path& path, std::string_view model) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return {};
    }
    const auto bytes = platform::ReadFileBytes(path);
    if (!bytes) {
        return Damaged("cannot be read");
    }
    return ParseLogoText(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), model);
}

std::error_code SaveLogoFile(const std::filesystem::path& path, const NvGraphicsMemory& memory) {
    const std::string text = FormatLogoText(memory);
    return platform::ReplaceFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::unique_ptr<NvGraphicsCommands> AttachNvGraphics(
    PrinterEngine& engine, PaperSink& paper, const std::string& model,
    const std::optional<std::filesystem::path>& logoFile,
    const std::function<void(const std::string&)>& report) {
    NvGraphicsMemory memory;
    NvGraphicsCommands::Store store;
    if (logoFile) {
        LoadedLogos loaded = LoadLogoFile(*logoFile, model);
        if (loaded.status == StateFileStatus::Damaged && report) {
            // Kept as it is until the memory changes, so that it can still be looked at.
            report(logoFile->string() + " is not used (" + loaded.problem +
                   "); the NV graphics memory starts empty");
        }
        memory = std::move(loaded.memory);
        store = [path = *logoFile, report](const NvGraphicsMemory& changed) {
            if (const std::error_code ec = SaveLogoFile(path, changed); ec && report) {
                report("cannot write " + path.string() + ": " + ec.message());
            }
        };
    }
    return std::make_unique<NvGraphicsCommands>(engine, paper, model, std::move(memory),
                                                std::move(store));
}

}  // namespace vrtruty::emulator
