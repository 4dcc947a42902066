// The start-up sequence up to the windows, and the shutdown: everything the utility prepares
// before a user can act, as one routine that returns the application's state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/app_info.h"
#include "app/runtime_libraries.h"
#include "comm/print_queue_list.h"
#include "core/catalogue.h"
#include "core/config.h"
#include "core/log.h"
#include "core/port_names.h"
#include "core/usb_list.h"
#include "lang/text_table.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/os_info.h"
#include "platform/print_queues.h"
#include "settings/settings_state.h"

namespace vrtruty::app {

// What start-up needs from the machine; tests replace any of it.
struct StartupOptions {
    std::filesystem::path home;  // the resolved program folder
    // Where the program's shipped files are: language files, manuals, library markers. Language
    // files in the home folder come first, so a user's own translation can sit there.
    std::filesystem::path resourceFolder;
    platform::Clock* clock = nullptr;
    LibraryProbe libraryAvailable;
    // Where the single-instance lock lives; nothing: this run does not take part (the command line
    // may run beside the window).
    std::optional<std::filesystem::path> lockDirectory;
    // Whether start-up may rewrite damaged temporary settings with factory values. A run that
    // does not hold the home folder's lock uses the factory values but leaves the file alone, so
    // that it cannot overwrite a change another copy is making.
    bool repairsTemporarySettings = true;
    std::function<std::optional<platform::OsVersion>()> queryOsVersion = platform::QueryOsVersion;
    std::vector<std::string> serialDevices;              // serial ports found on the machine
    std::vector<std::string> parallelDevices;            // parallel ports found on the machine
    UsbPrinterEnumerator enumerateUsbPrinters;           // the USB printers attached to the machine
    std::shared_ptr<platform::PrintQueues> printQueues;  // the printing system; null: none
};

// A device file or network printer that did not open: which one and the system's reason.
struct PortOpenFailure {
    std::string device;
    std::string reason;
    std::error_code error;
};

// Everything a running utility keeps from start to exit.
struct AppState {
    explicit AppState(platform::Clock& runClock) : clock(runClock) {}

    platform::Clock& clock;  // every wait of the run goes through it
    AppInfo info;
    ProgramIdentity identity;
    std::filesystem::path configPath;
    Logger log;
    CurrentModel model;
    UtilityConfig config;
    lang::TextTable texts;
    settings::SettingsState settings;             // the printer settings being edited
    std::filesystem::path temporarySettingsPath;  // "Vrtrutys.dat" in the home folder
    PortNameList comPorts;
    PortNameList lptPorts;
    std::vector<UsbDeviceEntry> usbDevices;     // the model's USB printers; config.usbIndex selects
    UsbPrinterEnumerator enumerateUsbPrinters;  // lists the USB printers attached now
    std::vector<comm::WinPrinterEntry> winPrinters;  // the printer queues; config.winPrinterIndex
    std::shared_ptr<platform::PrintQueues> printQueues;  // null: no printing system
    std::filesystem::path heldQueuesPath;                // the record of queues this run has paused
    RuntimeLibraries libraries;
    int osClass = -1;
    std::optional<platform::InstanceLock> instanceLock;
    std::uint32_t logoCapacity = 0;       // NV graphics capacity of the model, in bytes
    std::uint32_t logoFreeCapacity = 0;   // of which still free
    std::filesystem::path logoFolder;     // where the logo file dialogs start
    std::filesystem::path settingFolder;  // where the setting file dialogs start
    bool connectionVerified = false;
    bool showPortDialogAtStart = true;
    std::optional<PortOpenFailure> lastPortOpenFailure;  // of the last printer operation
};

enum class StartupStatus {
    Running,         // ready: the windows can be created
    AlreadyRunning,  // another copy holds the lock; end quietly with success
    Failed,          // start-up cannot go on; the message says why
};

struct StartupMessage {
    std::uint32_t style;  // message-box style
    std::string text;
    std::string caption;  // the utility's title in the configured language
    std::string locale;   // the configured language as a locale name, for the box's buttons
};

struct StartupResult {
    StartupStatus status = StartupStatus::Failed;
    std::optional<StartupMessage> message;  // to show before ending
    std::unique_ptr<AppState> state;        // while Running
};

StartupResult RunStartup(const StartupOptions& options);

// Makes another printer row the chosen model: the flags follow it, and the settings being edited
// become the new model's factory values with the connection's serial parameters.
void ChangePrinterModel(AppState& state, std::size_t printerRow);

// Ends the run: unloads the libraries, releases the lock and logs "Program END".
void Shutdown(AppState& state);

}  // namespace vrtruty::app
