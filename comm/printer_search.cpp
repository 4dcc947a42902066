#include "comm/printer_search.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "comm/error_codes.h"
#include "comm/tcp_lan_library.h"

namespace vrtruty::comm {
namespace {

// What each slot is called in the log and how long the length prefix of its device IDs is.
struct SlotTraits {
    std::string_view logName;
    std::size_t deviceIdPrefix;
};
constexpr std::array<SlotTraits, 2> kSlots = {{
    {"SXMODE", kFirstSlotDeviceIdPrefix},
    {"QKMODE", kSecondSlotDeviceIdPrefix},
}};

// One fixed 32-byte text field of a search answer, up to its terminator.
std::string AnswerField(const char (&field)[32]) {
    return std::string(field, strnlen(field, sizeof field));
}

std::string PrinterLines(std::string_view heading, const app::LanPrinterEntry& printer) {
    return std::string(heading) + "\nIPAddress = " + printer.ipAddress +
           "\nMACAddress = " + printer.macAddress + "\nMachineName = " + printer.model;
}

// What the device ID of one answer told.
struct DeviceIdResult {
    std::optional<std::string> model;
    bool readable = false;  // the status channel opened, the ID arrived and the channel closed
};

DeviceIdResult ReadDeviceModel(LanLibrary& library, std::size_t prefix, const std::string& ip,
                               app::Logger& log) {
    DeviceIdResult result;
    const std::int32_t handle = library.OpenStatus(ip);
    if (handle == -1) {
        log.WriteLog("SearchPrinter(OpenStatus[LAN_STATUS_OPEN_ERROR])");
        return result;
    }
    std::array<std::uint8_t, kDeviceIdRoom> buffer{};
    std::uint32_t length = 0;
    const bool idRead = library.GetDeviceID(handle, buffer, length) != 0;
    if (!idRead) {
        log.WriteLog("SearchPrinter(GetDeviceID[LAN_DEVICEID_ERROR])");
    }
    if (library.CloseStatus(handle) == 0) {
        log.WriteLog("SearchPrinter(CloseStatus[LAN_STATUS_CLOSE_ERROR])");
        return result;
    }
    if (!idRead) {
        return result;
    }
    result.readable = true;
    const std::size_t end = std::min<std::size_t>(length, buffer.size());
    std::string_view id(reinterpret_cast<const char*>(buffer.data()), end);
    id.remove_prefix(std::min(prefix, id.size()));
    // The ID is text: a terminator inside it ends it.
    id = id.substr(0, id.find('\0'));
    if (const auto model = DeviceIdModel(id)) {
        result.model = std::string(*model);
    }
    return result;
}

}  // namespace

std::optional<std::string_view> DeviceIdModel(std::string_view deviceId) {
    std::size_t start = deviceId.find("MODEL:");
    if (start != std::string_view::npos) {
        start += 6;
    } else {
        start = deviceId.find("MDL:");
        if (start == std::string_view::npos) {
            return std::nullopt;
        }
        start += 4;
    }
    std::string_view value = deviceId.substr(start);
    value = value.substr(0, value.find(';'));
    return value.substr(0, 255);
}

int SearchPrinter(std::array<LanLibrary*, 2> libraries, std::string_view searchModelName,
                  app::Logger& log, std::vector<app::LanPrinterEntry>& results,
                  std::vector<app::LanPrinterEntry>* otherModels) {
    log.Start("SearchPrinter");
    std::size_t found = 0;
    int error = PRT_SUCCESS;
    std::vector<LanSearchAnswer> answers(kSearchAnswerRoom);
    for (std::size_t slot = 0; slot < libraries.size(); ++slot) {
        LanLibrary* library = libraries[slot];
        const SlotTraits& traits = kSlots[slot];
        if (library == nullptr) {
            log.WriteLog(std::string(traits.logName) + " DLL Nothing");
            continue;
        }
        const std::int32_t search = library->OpenSearch();
        if (search == -1) {
            error = PRT_ERR_OPEN;
            log.WriteLog("SearchPrinter(OpenSearch[PRT_ERR_OPEN])");
            continue;
        }
        std::memset(answers.data(), 0, answers.size() * sizeof(LanSearchAnswer));
        log.WriteLog("SearchPrinter SendSearch");
        std::uint32_t count = 0;
        if (library->SendSearch(search, answers, kSearchAnswerLimit, 5, 0, count) == 0) {
            error = PRT_ERR_SEARCH;
            log.WriteLog("SearchPrinter(SendSearch[PRT_ERR_SEARCH])");
            library->CloseSearch(search);
            continue;
        }
        log.WriteLog(std::string(traits.logName) + " dwSearchCnt = " + std::to_string(count));
        const std::size_t answered = std::min<std::size_t>(count, answers.size());
        for (std::size_t i = 0; i < answered; ++i) {
            app::LanPrinterEntry printer{static_cast<std::int32_t>(slot),
                                         AnswerField(answers[i].ipAddress),
                                         AnswerField(answers[i].macAddress),
                                         {}};
            const DeviceIdResult id =
                ReadDeviceModel(*library, traits.deviceIdPrefix, printer.ipAddress, log);
            if (!id.readable) {
                error = PRT_ERR_SEARCH;
                continue;
            }
            if (!id.model) {
                error = PRT_ERR_SEARCH;
                log.WriteLog("SearchPrinter(Model[LAN_MODEL_ERROR])");
                continue;
            }
            printer.model = *id.model;
            if (printer.model == searchModelName) {
                log.WriteLog(PrinterLines("SearchPrinter SendSearch", printer));
                results.push_back(std::move(printer));
                ++found;
            } else {
                log.WriteLog(PrinterLines("SearchPrinter SendSearch Not Printer", printer));
                error = PRT_SUCCESS;
                if (otherModels != nullptr) {
                    otherModels->push_back(std::move(printer));
                }
            }
        }
        library->CloseSearch(search);
    }
    int result = PRT_SUCCESS;
    if (found == 0) {
        result = error;
        if (result == PRT_SUCCESS) {
            log.WriteLog("SearchPrinter(NO SEARCH[PRT_ERR_SEARCH])");
            result = PRT_ERR_SEARCH;
        }
    }
    log.End("SearchPrinter");
    return result;
}

}  // namespace vrtruty::comm
