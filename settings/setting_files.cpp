#include "settings/setting_files.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "settings/factory_settings.h"
#include "settings/setting_items.h"

namespace vrtruty::settings {
namespace {

namespace fs = std::filesystem;

// The record bytes a file stores after the model name, in file order.
constexpr std::size_t kStoredValueCount = kSettingImageSize - kModelNameSize;
constexpr std::array<std::size_t, kStoredValueCount> kStoredValueBytes = [] {
    constexpr std::size_t kFirstRun = 49;  // 49-86: the three pages
    constexpr std::size_t kFirstRunEnd = 87;
    constexpr std::size_t kSecondRun = 90;  // 90-94: added after the six-page bytes 87-89
    std::array<std::size_t, kStoredValueCount> bytes{};
    std::size_t next = 0;
    for (std::size_t b = kFirstRun; b < kFirstRunEnd; ++b) {
        bytes[next++] = b;
    }
    for (std::size_t b = kSecondRun; b < kSettingRecordSize; ++b) {
        bytes[next++] = b;
    }
    return bytes;
}();

// Enough to tell a setting file from anything else by its size without reading much of it.
constexpr std::size_t kSettingFileReadLimit = 64 * 1024;

void NoteFailure(SettingsState& state, const fs::path& path, std::string reason) {
    state.lastFileFailure = FileFailure{path, std::move(reason)};
}

// The first stored byte beyond the model's limits.
std::optional<std::size_t> FirstOutOfRange(const SettingRecord& record,
                                           const app::CurrentModel& model) {
    for (const std::size_t b : kStoredValueBytes) {
        if (record[b] > HighestValidIndex(static_cast<int>(b), model)) {
            return b;
        }
    }
    return std::nullopt;
}

// The printer of this catalogue whose name a setting image starts with (NUL-padded).
std::optional<std::string> ImageModelName(std::span<const std::uint8_t> image) {
    const auto field = image.first(kModelNameSize);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    if (std::any_of(end, field.end(), [](std::uint8_t b) { return b != 0; })) {
        return std::nullopt;
    }
    const std::string name(field.begin(), end);
    for (const app::PrinterModelRow& row : app::PrinterNameTable()) {
        if (!name.empty() && row.modelName.substr(0, kModelNameSize) == name) {
            return name;
        }
    }
    return std::nullopt;
}

// The name the selected model shows for a record byte; the byte number when it shows none.
std::string SettingNameOf(std::size_t recordByte, const app::CurrentModel& model,
                          const lang::TextTable& texts) {
    for (const SettingItem& item : SettingItems()) {
        if (item.recordByte == static_cast<int>(recordByte) && ModelHasItem(item, model)) {
            return ItemName(texts, item, model);
        }
    }
    return "byte " + std::to_string(recordByte);
}

// Record bytes the start-up takes over from the host's serial port (and their six-page copies).
constexpr std::size_t kBaudByte = 70;
constexpr std::size_t kFormatByte = 71;
constexpr std::size_t kProtocolByte = 72;
constexpr std::size_t kSixPageBaudByte = 44;
constexpr std::size_t kSixPageFormatByte = 45;
constexpr std::size_t kSixPageProtocolByte = 46;
// Remembered as what the printer was last told.
constexpr std::size_t kNvGraphicByte = 60;
constexpr std::size_t kPaperWidthByte = 61;

const std::string& ModelNameOf(const app::CurrentModel& model) {
    const auto printers = app::PrinterNameTable();
    return printers[model.printerRow < printers.size() ? model.printerRow : 0].modelName;
}

// The record as a file stores it: with the selected model's name.
SettingImage NamedImage(const SettingRecord& record, const app::CurrentModel& model) {
    SettingRecord named = record;
    named.setModelName(ModelNameOf(model));
    return BuildSettingImage(named);
}

bool WithinLimits(const SettingRecord& record, const app::CurrentModel& model) {
    return std::all_of(kStoredValueBytes.begin(), kStoredValueBytes.end(), [&](std::size_t b) {
        return record[b] <= HighestValidIndex(static_cast<int>(b), model);
    });
}

// Replaces a file with an image. A read-only file refuses, as it would refuse being opened for
// writing: replacing it by renaming would silently undo the owner's choice.
std::error_code ReplaceWithImage(const fs::path& path, const SettingImage& image) {
    if (platform::IsReadOnlyFile(path)) {
        return std::make_error_code(std::errc::permission_denied);
    }
    return platform::ReplaceFileAtomically(path, image);
}

// Format index of the host's data bits and parity; 7 bits without parity has no entry of its own
// and keeps what the port's profile gave.
std::uint8_t FormatIndexOf(const app::SerialSettings& serial) {
    constexpr std::uint16_t kEven = 1;
    constexpr std::uint16_t kOdd = 2;
    if (serial.dataBits == 0) {
        switch (serial.parity) {
            case kEven:
                return 0;  // 7EVEN1
            case kOdd:
                return 1;  // 7ODD1
            default:
                return static_cast<std::uint8_t>(serial.formatIndex);
        }
    }
    switch (serial.parity) {
        case kEven:
            return 3;  // 8EVEN1
        case kOdd:
            return 4;  // 8ODD1
        default:
            return 2;  // 8NONE1
    }
}

}  // namespace

void PutHostSerialSettings(SettingRecord& record, const app::SerialSettings& serial) {
    const auto baud = static_cast<std::uint8_t>(serial.baudIndex);
    const std::uint8_t format = FormatIndexOf(serial);
    const auto protocol = static_cast<std::uint8_t>(serial.protocolIndex);
    record[kBaudByte] = baud;
    record[kFormatByte] = format;
    record[kProtocolByte] = protocol;
    record[kSixPageBaudByte] = baud;
    record[kSixPageFormatByte] = format;
    record[kSixPageProtocolByte] = protocol;
}

std::optional<lang::TextNumber> SettingFileMessage(int code) {
    switch (code) {
        case SET_ERR_NOFILE:
            return lang::ERR_0005;
        case SET_ERR_ACCESS:
            return lang::ERR_0022;
        case SET_ERR_WRITEPROTECT:
            return lang::ERR_0020;
        case SET_ERR_NETWORK:
            return lang::ERR_0021;
        case SET_ERR_TEMPFILE:
            return lang::ERR_0003;
        case SET_ERR_UNREADABLE:
        case SET_ERR_NOT_SETTING_FILE:
        case SET_ERR_OTHER_MODEL:
        case SET_ERR_OUT_OF_RANGE:
            return lang::ERR_0006;
        case SET_ERR_EXISTS:
            return lang::ERR_0004;
        case SET_ERR_READONLY:
            return lang::ERR_0002;
        default:
            return std::nullopt;
    }
}

SettingImage BuildSettingImage(const SettingRecord& record) {
    SettingImage image{};
    std::copy_n(record.bytes.begin(), kModelNameSize, image.begin());
    for (std::size_t i = 0; i < kStoredValueCount; ++i) {
        image[kModelNameSize + i] = record[kStoredValueBytes[i]];
    }
    return image;
}

void ApplySettingImage(SettingRecord& record, std::span<const std::uint8_t> image) {
    SettingImage full{};
    std::copy_n(image.begin(), std::min(image.size(), full.size()), full.begin());
    std::copy_n(full.begin(), kModelNameSize, record.bytes.begin());
    for (std::size_t i = 0; i < kStoredValueCount; ++i) {
        record[kStoredValueBytes[i]] = full[kModelNameSize + i];
    }
}

int ReadDataCheck(SettingsState& state, app::CurrentModel& model, const FactoryInputs& inputs,
                  const fs::path& rewritePath) {
    inputs.log.WriteLog(app::kLogOpenLine);
    inputs.log.WriteLog("ReadDataCheck");

    if (!WithinLimits(state.current, model)) {
        DefaultDataSet(state, model, inputs.xonXoff, inputs.texts, inputs.log);
        if (!rewritePath.empty()) {
            const std::error_code error =
                ReplaceWithImage(rewritePath, BuildSettingImage(state.current));
            if (error) {
                NoteFailure(state, rewritePath, error.message());
                return FileErrorCode(error, SET_ERR_TEMPFILE);
            }
        }
    }

    state.pneLengthText = PneLengthText(state.current, inputs.texts);
    inputs.log.WriteLog("ReadDataCheck");
    inputs.log.WriteLog(app::kLogCloseLine);
    return SET_SUCCESS;
}

SettingFileCheck CheckSettingFile(std::span<const std::uint8_t> bytes, const SettingRecord& current,
                                  const app::CurrentModel& model, const lang::TextTable& texts) {
    SettingFileCheck check;
    if (bytes.empty()) {
        return {SET_ERR_UNREADABLE, "the file is empty", {}};
    }
    if (bytes.size() != kSettingImageSize) {
        return {SET_ERR_NOT_SETTING_FILE,
                "not a setting file: it holds " + std::to_string(bytes.size()) +
                    " bytes, a setting file " + std::to_string(kSettingImageSize),
                {}};
    }
    const std::optional<std::string> fileModel = ImageModelName(bytes);
    if (!fileModel) {
        return {SET_ERR_NOT_SETTING_FILE,
                "not a setting file: it does not start with a printer model name",
                {}};
    }
    check.record = current;
    ApplySettingImage(check.record, bytes);
    if (const auto b = FirstOutOfRange(check.record, model)) {
        const std::string setting = "\"" + SettingNameOf(*b, model, texts) + "\"";
        const std::string& selected = ModelNameOf(model);
        if (*fileModel != selected.substr(0, kModelNameSize)) {
            return {SET_ERR_OTHER_MODEL,
                    "made for another model (" + *fileModel + "): " + setting +
                        " is out of range for " + selected,
                    {}};
        }
        return {SET_ERR_OUT_OF_RANGE, "value out of range: " + setting, {}};
    }
    return check;
}

int ImportSettingFile(SettingsState& state, app::CurrentModel& model, const FactoryInputs& inputs,
                      const fs::path& path) {
    state.lastFileFailure.reset();
    const platform::FileContent content = platform::ReadRegularFile(path, kSettingFileReadLimit);
    if (content.error) {
        NoteFailure(state, path, content.error.message());
        const bool refused = content.error.category() == platform::FileErrorCategory();
        return refused ? SET_ERR_NOT_SETTING_FILE : SET_ERR_NOFILE;
    }
    // Checked before anything changes: a refused file leaves the record as it was.
    SettingFileCheck check = CheckSettingFile(content.bytes, state.current, model, inputs.texts);
    if (check.code != SET_SUCCESS) {
        NoteFailure(state, path, std::move(check.reason));
        return check.code;
    }
    state.current = check.record;
    return ReadDataCheck(state, model, inputs, {});
}

int ExportSettingFile(SettingsState& state, const app::CurrentModel& model, const fs::path& path,
                      bool overwrite) {
    state.lastFileFailure.reset();
    const SettingImage image = NamedImage(state.current, model);
    if (!overwrite) {
        // Created only where no file is, so nothing can be lost; an incomplete file is removed.
        const std::error_code error = platform::CreateFileExclusively(path, image);
        if (error == std::errc::file_exists) {
            return SET_ERR_EXISTS;
        }
        if (error) {
            NoteFailure(state, path, error.message());
            return FileErrorCode(error, SET_ERR_READONLY);
        }
    } else if (const std::error_code error = ReplaceWithImage(path, image)) {
        NoteFailure(state, path, error.message());
        return SET_ERR_READONLY;
    }
    state.current.setModelName(ModelNameOf(model));
    return SET_SUCCESS;
}

fs::path TemporarySettingsPath(const fs::path& programFolder) {
    return programFolder / app::GetProgramIdentity(app::kBuildModelId).tempSettingsFileName;
}

int LoadTemporarySettings(SettingsState& state, app::CurrentModel& model,
                          const app::SerialSettings& serial, const fs::path& path,
                          const FactoryInputs& inputs, bool repairFile) {
    fs::path rewritePath;
    // A FIFO, device or oversized file in its place reads as missing, and is not rewritten.
    if (const platform::FileContent content =
            platform::ReadRegularFile(path, kSettingFileReadLimit);
        !content.error) {
        if (repairFile) {
            rewritePath = path;
        }
        ApplySettingImage(state.current, content.bytes);
        const std::string_view selectedName =
            std::string_view(ModelNameOf(model)).substr(0, kModelNameSize);
        if (state.current.modelName() != selectedName) {
            DefaultDataSet(state, model, inputs.xonXoff, inputs.texts, inputs.log);
        }
    }
    const int result = ReadDataCheck(state, model, inputs, rewritePath);

    PutHostSerialSettings(state.current, serial);
    state.rememberedNvChoice = state.current[kNvGraphicByte];
    state.lastSent.paperWidth = state.current[kPaperWidthByte];
    return result;
}

int SaveTemporarySettings(SettingsState& state, const app::CurrentModel& model,
                          const fs::path& path) {
    state.lastFileFailure.reset();
    if (const std::error_code error = ReplaceWithImage(path, NamedImage(state.current, model))) {
        NoteFailure(state, path, error.message());
        return FileErrorCode(error, SET_ERR_TEMPFILE);
    }
    state.current.setModelName(ModelNameOf(model));
    return SET_SUCCESS;
}

int FileErrorCode(const std::error_code& error, int otherwise) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) {
        return SET_ERR_ACCESS;
    }
    if (error == std::errc::read_only_file_system) {
        return SET_ERR_WRITEPROTECT;
    }
    return otherwise;
}

}  // namespace vrtruty::settings
