// "Send Settings to Printer" and "Print Setting List": the current record becomes one block of
// user-setup commands, sent in one operation; after a successful send the utility follows the
// serial parameters it has just given the printer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "comm/port_access.h"
#include "core/catalogue.h"
#include "core/serial_settings.h"
#include "settings/settings_state.h"

namespace vrtruty::settings {

// Appends the memory-switch, customise-value and serial-item commands of the current record for
// the model, and returns the end of the written bytes (the buffer's new size). A record whose
// NV-graphics choice differs from the one confirmed with the printer makes the printer's logo
// information stale.
std::size_t BuildSettingCommands(std::vector<std::uint8_t>& buffer, SettingsState& state,
                                 const app::CurrentModel& model);

// The whole block of one send: the error-recovery request when that switch is on, ESC @, then
// for comm::kOperationSettingList the setting-list print, for comm::kOperationSendSettings the
// setting commands inside the user-setting mode.
std::vector<std::uint8_t> BuildSendBlock(int mode, SettingsState& state,
                                         const app::CurrentModel& model, bool errorAutoRecover);

// "Sound check": the melody command ESC p 3 t1 t2 n that plays the record's "Buzzer Interval"
// pattern (byte 68) "Buzzer Repetition" times (byte 69), sent with comm::kOperationSoundCheck.
std::array<std::uint8_t, 6> BuildSoundCheckCommand(const SettingRecord& record);

// Sends the block of the mode (comm::kOperationSendSettings or comm::kOperationSettingList)
// through the one-shot send: 0 or a PRT_ERR code. After a successful settings send the host
// serial settings follow the record's serial items (setting serialChanged when they change) and
// the values sent are remembered; a failed send changes neither.
int SendSettings(comm::PortAccess& port, SettingsState& state, const app::CurrentModel& model,
                 app::SerialSettings& hostSerial, int mode);

// SendSettings once, or for a network connection once for every listed printer, stopping at the
// first failure and returning it. `afterTarget` runs after each successful target, while
// serialChanged still tells whether that send changed the host serial settings (the COM-port
// defaults and the restart prompt depend on it); the flag is cleared afterwards.
int SendSettingsToTargets(comm::PortAccess& port, SettingsState& state,
                          const app::CurrentModel& model, app::SerialSettings& hostSerial, int mode,
                          const std::function<void()>& afterTarget = {});

}  // namespace vrtruty::settings
