#include "app/startup.h"

#include "comm/queue_handover.h"
#include "core/port_defaults.h"
#include "core/profile_file.h"
#include "lang/interface_texts.h"
#include "lang/language_files.h"
#include "lang/message_style.h"
#include "lang/text_numbers.h"
#include "settings/factory_settings.h"
#include "settings/setting_files.h"

namespace vrtruty::app {
namespace {

// Ends the start with a message (none when `text` is empty) captioned with the utility's title in
// the configured language.
StartupResult Stop(const AppState& state, StartupStatus status, lang::MessageStyle style,
                   const std::string& text) {
    StartupResult result;
    result.status = status;
    if (!text.empty()) {
        result.message = StartupMessage{style, text, state.texts.Text(lang::TXT_TITLE),
                                        lang::LanguageLocaleName(state.texts)};
    }
    return result;
}

StartupResult Stop(const AppState& state, lang::MessageStyle style, const std::string& text) {
    return Stop(state, StartupStatus::Failed, style, text);
}

// The chosen model's flags and factory values.
void LoadFactorySettings(AppState& state) {
    DefaultSet(state.model, state.log, [&] {
        settings::DefaultDataSet(state.settings, state.model, state.config.xonXoff, state.texts,
                                 state.log);
    });
}

// The chosen model's flags and factory values, then the temporary settings over them.
void LoadModelSettings(AppState& state, bool repairFile) {
    LoadFactorySettings(state);
    settings::LoadTemporarySettings(state.settings, state.model, state.config.serial,
                                    state.temporarySettingsPath,
                                    {state.config.xonXoff, state.texts, state.log}, repairFile);
}

// Reads the configuration that the model's flags depend on and the language texts, then derives
// the flags. Runs with the configuration file created when it was missing.
void SpecSet(AppState& state, ProfileFile& profile, const StartupOptions& options) {
    const std::filesystem::path& resourceFolder = options.resourceFolder;
    state.log.Start("SpecSet");
    if (!profile.exists()) {
        profile = CreateConfigFile(state.configPath, PrinterNameTable()[state.model.printerRow]);
    }

    const RegionResult region = ReadRegion(profile);
    state.model.regionIndex = region.regionIndex;
    state.model.overseaMode = region.overseaMode;
    const ChineseVariant chinese = ReadChineseVariant(profile);
    state.model.chineseVariant = chinese.variant;
    state.model.chineseEdition = chinese.edition;

    std::vector<std::filesystem::path> searchFolders = {state.info.programFolder};
    if (!resourceFolder.empty() && resourceFolder != state.info.programFolder) {
        searchFolders.push_back(resourceFolder);
    }
    state.texts = lang::LoadLanguageTexts({
        .searchFolders = std::move(searchFolders),
        .manualFolder = resourceFolder.empty() ? state.info.programFolder : resourceFolder,
        .builtInJapanese = state.model.regionIndex == 0 || state.model.regionIndex == 1,
        .modelId = state.model.modelId,
        .versionString = state.info.versionString,
    });
    const LanguageChoice language = ReadLanguageChoice(profile, state.texts.languageNames());
    state.texts.setLanguageIndex(language.index);

    // Queues a previous run left paused are resumed before anyone looks at them.
    state.printQueues = options.printQueues;
    state.heldQueuesPath = state.info.programFolder / comm::kHeldQueuesFileName;
    comm::RecoverHeldQueues(state.printQueues.get(), state.heldQueuesPath, state.log);
    comm::GetWinPort(state.printQueues.get(), state.texts.Text(lang::MSG_NONE), state.log,
                     state.winPrinters);
    std::vector<std::string> winPortNames;
    for (const comm::WinPrinterEntry& queue : state.winPrinters) {
        winPortNames.push_back(queue.portName);
    }

    // The remembered USB printer is looked up among those attached now; the reader sets the
    // selection, so the one kept here does not matter.
    std::size_t usbIndex = 0;
    state.enumerateUsbPrinters = options.enumerateUsbPrinters;
    RebuildUsbList(state.usbDevices, usbIndex,
                   PrinterNameTable()[state.model.printerRow].usbIdPrefix,
                   state.texts.Text(lang::MSG_NONE), state.log, state.enumerateUsbPrinters);
    std::vector<std::string> usbIdentifiers;
    for (const UsbDeviceEntry& device : state.usbDevices) {
        usbIdentifiers.push_back(device.displayName);
    }

    const ProfileFile portDefaults =
        ProfileFile::Load(state.info.programFolder / kPortDefaultsFileName);
    const ConfigContext context{.comPorts = state.comPorts,
                                .lptPorts = state.lptPorts,
                                .usbIdentifiers = usbIdentifiers,
                                .winPortNames = winPortNames,
                                .overseaMode = state.model.overseaMode,
                                .portProfileText = [&](std::string_view longName) {
                                    return ReadPortProfileText(portDefaults, longName);
                                }};
    state.config = ReadUtilityConfig(profile, context);
    state.config.winPrinterIndex =
        comm::ChosenQueue(state.winPrinters, state.model.printerRow, state.config.winPrinterIndex)
            .value_or(state.config.winPrinterIndex);

    // The working defaults of every model, with the configuration's overrides; the full-cut mode
    // they depend on follows from the region read above.
    state.model.factoryRegionIndex = EffectiveRegion(state.model);
    state.model.flags = ComputeCapabilityFlags(state.model);
    settings::BuildModelDefaults(state.settings, profile, state.texts, state.texts.languageIndex(),
                                 state.model);
    state.temporarySettingsPath = settings::TemporarySettingsPath(state.info.programFolder);
    LoadModelSettings(state, options.repairsTemporarySettings);
    // SpecSet closes with its start text, not with an "End" line.
    state.log.WriteLog("SpecSet Start");
    state.log.WriteLog(kLogCloseLine);
}

}  // namespace

StartupResult RunStartup(const StartupOptions& options) {
    auto state = std::make_unique<AppState>(*options.clock);
    state->identity = GetProgramIdentity(kBuildModelId);
    state->info = InitAppInfo(options.home);

    state->configPath = options.home / state->identity.configFileName;
    ProfileFile profile = ProfileFile::Load(state->configPath);

    std::vector<std::string> serialDevices = options.serialDevices;
    if (auto configured = ConfiguredSerialDevice(profile)) {
        serialDevices.push_back(std::move(*configured));  // the list drops it when it was found
    }
    state->comPorts = InitialComPortList();
    state->lptPorts = InitialLptPortList();
    FillPortNameList(state->comPorts, std::move(serialDevices));
    FillPortNameList(state->lptPorts, options.parallelDevices);
    const EarlyConfig early = ReadEarlyConfig(profile);
    state->log = Logger(options.home / kLogFileName, *options.clock, early.logEnabled);
    state->model.printerRow = early.printerRow;

    const auto available = [&](std::string_view name) {
        return options.libraryAvailable && options.libraryAvailable(name);
    };
    state->libraries.sxLoaded = available(kSxLanLibrary);
    state->libraries.qkLoaded = available(kQkLanLibrary);

    SelectPrinterRow(state->model);
    SpecSet(*state, profile, options);

    state->logoFolder = options.home;
    state->settingFolder = options.home;
    // The NV graphics memory the printer was last known to have, until the printer is asked.
    state->logoCapacity =
        NominalNvCapacity(state->settings.rememberedNvChoice, state->model.modelId);
    state->logoFreeCapacity = state->logoCapacity;

    if (options.lockDirectory) {
        state->instanceLock =
            platform::InstanceLock::TryAcquire(state->identity.mutexName, *options.lockDirectory);
        if (!state->instanceLock) {
            return Stop(*state, StartupStatus::AlreadyRunning, lang::MB_WARNING_OK,
                        state->texts.Text(lang::MSG_U_01));
        }
    }

    const auto version = options.queryOsVersion ? options.queryOsVersion() : std::nullopt;
    if (!version) {
        state->log.Failure("GetVersionEx ERROR");
        return Stop(*state, lang::MB_STOP_OK, {});
    }
    const platform::OsClassification os = platform::ClassifyOs(*version);
    if (os.check == platform::OsCheck::Win32s) {
        state->log.Failure("VER_PLATFORM_WIN32s ERROR");
        return Stop(*state, lang::MB_STOP_OK, {});
    }
    if (os.check == platform::OsCheck::Unknown) {
        return Stop(*state, lang::MB_STOP_OK, state->texts.Text(lang::INF_UNKNOWN_OS));
    }
    state->osClass = os.osClass;

    // The built-in LAN libraries have every function and always start, so binding and starting
    // them cannot fail here; only a switched-off slot can be missing.
    if (!state->libraries.sxLoaded && !state->libraries.qkLoaded) {
        state->log.Failure("LoadLibrary ERROR");
        return Stop(*state, lang::MB_WARNING_OK, state->texts.Text(lang::MSG_U_02));
    }
    state->libraries.conversionLoaded = available(kConversionLibrary);
    if (!state->libraries.conversionLoaded) {
        state->log.Failure("LoadLibrary ERROR");
        return Stop(*state, lang::MB_WARNING_OK, state->texts.Text(lang::MSG_U_02));
    }

    StartupResult result;
    result.status = StartupStatus::Running;
    result.state = std::move(state);
    return result;
}

void ChangePrinterModel(AppState& state, std::size_t printerRow) {
    state.model.printerRow = printerRow;
    // The temporary settings cannot say which model they belong to when two models share a name
    // (TR-770 and TR-770 (PFBM)): another model starts from its own factory values.
    LoadFactorySettings(state);
    settings::PutHostSerialSettings(state.settings.current, state.config.serial);
}

void Shutdown(AppState& state) {
    state.libraries = {};
    state.instanceLock.reset();
    state.log.WriteLog(kLogOpenLine);
    state.log.WriteLog("Program END");
    state.log.WriteLog(kLogCloseLine);
}

}  // namespace vrtruty::app
