// The network search: asks each LAN library slot for the printers answering on the network and
// keeps those whose device ID names the chosen model.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "comm/lan_library.h"
#include "core/config.h"
#include "core/log.h"

namespace vrtruty::comm {

// Answers one SendSearch may return; the answer buffer has room for one more.
inline constexpr int kSearchAnswerLimit = 255;
inline constexpr std::size_t kSearchAnswerRoom = 256;
// Room for a device ID, its length prefix included.
inline constexpr std::size_t kDeviceIdRoom = 512;

// The model named by a device ID ("MFG:VRM;MODEL:TR-770II;..."): the value of MODEL, else of MDL,
// up to the next ';' (at most 255 bytes); nothing when the ID names neither.
std::optional<std::string_view> DeviceIdModel(std::string_view deviceId);

// Searches with the first slot, then the second (nullptr: not loaded) and appends to `results`
// every printer whose model equals searchModelName exactly, with the index of the slot that found
// it as its library mode. 0 when one was found; otherwise the last error, PRT_ERR_SEARCH when
// there was none. Printers of other models go to otherModels when it is given.
int SearchPrinter(std::array<LanLibrary*, 2> libraries, std::string_view searchModelName,
                  app::Logger& log, std::vector<app::LanPrinterEntry>& results,
                  std::vector<app::LanPrinterEntry>* otherModels = nullptr);

}  // namespace vrtruty::comm
