// The stored defaults of the machine's serial ports ("9600,n,8,1,p" per port), kept by the utility
// itself in a [Ports] section of a profile file in its home folder, since this platform has no
// system-wide place for them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/port_kind.h"
#include "core/profile_file.h"
#include "core/serial_settings.h"

namespace vrtruty::app {

inline constexpr std::string_view kPortDefaultsFileName = "Ports.ini";
inline constexpr std::string_view kPortDefaultsSection = "Ports";

// The port's profile text by its long name, or the default text when it has none.
std::string ReadPortProfileText(const ProfileFile& portDefaults, std::string_view longName);

// "9600,n,8,1,p": baud, the format text of the parity and data bits (without parity always
// "n,8,1", as the text has no 7-bit form without parity), and the handshake letter.
std::string PortProfileText(const SerialSettings& serial);

// Makes the serial settings the stored defaults of a COM port, so that the next open of the port
// uses them; other kinds of port are left alone. Returns the text written, or nothing when the
// port is not a COM port or the store could not be written.
std::optional<std::string> ApplyComPortSettings(const std::filesystem::path& home, PortKind kind,
                                                std::string_view longName,
                                                const SerialSettings& serial);

}  // namespace vrtruty::app
