// The model catalogue: the identities of the sibling utilities that share this source base, the
// printer models this utility offers, and the capability flags derived from the chosen printer
// and the configured region. The setting pages, the reading and writing of settings and the
// printer tests consult the flags instead of asking for a model by name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/log.h"

namespace vrtruty::app {

// Identifies one utility identity of the shared source base (0 to 19).
using ModelId = int;
// This utility's identity; also the model of printer row 0 (TR-770II).
inline constexpr ModelId kBuildModelId = 17;
// Number of identities in the shared tables.
inline constexpr int kModelIdCount = 20;

// File and object names of one utility, all derived from its identity name.
struct ProgramIdentity {
    std::string identityName;          // "Vrtruty"
    std::string mutexName;             // single-instance lock: "POS Vrtruty_Mutex"
    std::string executableName;        // "Vrtruty.exe"
    std::string configFileName;        // utility configuration: "Vrtrutys.ini"
    std::string tempSettingsFileName;  // last edited printer settings: "Vrtrutys.dat"
    std::string logoListFileName;      // the utility's own logo list: "Vrtrutyl.dat"
    std::string windowClassName;       // main window class: "Vrtruty"
    std::string modelSubtitle;         // line under the title in the version texts
};

// Out-of-range ids give this build's identity, so a bad id can never produce empty file names.
ProgramIdentity GetProgramIdentity(ModelId id);

// Number of language files; the manual table has one name per language file index.
inline constexpr int kLanguageFileCount = 14;

// Manual file name for a language file index (Japanese, English, French, Italian, German, Spanish,
// Portuguese, Arabic, Korean, Thai, Chinese, Simplified Chinese, Traditional Chinese, and an
// unused fourteenth). Empty when there is no manual for that slot or either argument is out of
// range.
std::string_view ManualName(ModelId id, int languageFileIndex);

// One printer model the user can choose. 8-bit and UTF-16 texts of the file formats are both held
// as UTF-8 here.
struct PrinterModelRow {
    std::uint16_t kVariant;       // 1 for the K variants: second half of the template table
    std::string modelName;        // the name the printer reports; setting files, factory values
    std::string displayName;      // shown in the printer list; the configuration's match key
    std::string driverName;       // system printer driver whose queues are offered as ports
    std::string usbIdPrefix;      // "vvvv/pppp/", lower-case hex vendor and product id
    std::string modelTag;         // "_" + model name
    std::string searchModelName;  // model name the network search looks for
    std::uint32_t value1;         // no reader in this build
    std::uint32_t value2;         // no reader in this build
    std::uint16_t modelId;        // identity of the printer's model (16 or 17 here)
    std::uint16_t variant;        // variant number, read by the factory values
    std::uint32_t secondModelId;  // equal to modelId; no reader in this build
    std::array<std::uint32_t, 4> reserved;  // no reader in this build
    std::uint32_t layout;                   // 7 customisable; 1, 3, 4 black-mark paper support
    std::uint32_t family;  // Japanese defaults (18, 20, 21, 22), logo pane variant (32..36, 47)
    std::uint16_t settingVariant;     // selects setting items and their choice lists
    std::uint16_t versionTextNumber;  // number of the model's version text
    std::uint32_t filterTextNumber;   // number of the model's setting-file filter text
};

// The printers of this build, in the order the user sees them.
std::span<const PrinterModelRow> PrinterNameTable();

// Row whose display name equals the given name, ignoring ASCII case.
std::optional<std::size_t> FindPrinterRow(std::string_view displayName);

// Region names of the configuration, in index order.
inline constexpr std::array<std::string_view, 8> kRegionNames = {
    "JAPAN", "JAPANK", "OVERSEA", "QLMX", "XRV", "XWD", "XNJ", "OVERSEA2"};

// Where the full-cut item of the settings is edited.
enum class FullCutMode {
    None = 0,          // FULLCUT_NONE: the layout has no full cut item
    CustomizeOff = 1,  // FULLCUT_CUSTOMIZE_OFF: not edited, the model's default is kept
    CustomizeOn = 2,   // FULLCUT_CUSTOMIZE_ON: edited among the customise values
    Other = 3,         // FULLCUT_OTHER: edited on the "other" page
};

// The text the log and the command line show for a mode ("FULLCUT_CUSTOMIZE_OFF").
std::string_view FullCutModeName(FullCutMode mode);

// What the chosen printer and region allow; each comment gives the rule that sets the flag.
struct CapabilityFlags {
    bool bGuppy = false;                           // layout 7 (customisable layout)
    bool bBlachmark = false;                       // layout 1, 3 or 4 (black-mark paper)
    bool bFontTypeFace = false;                    // region XRV
    bool bCutBuzzer = false;                       // region XRV
    bool bBusyCond = false;                        // always, once computed
    bool bOverseaMode = false;                     // region other than JAPAN and JAPANK
    FullCutMode FULLCUT_Mode = FullCutMode::None;  // see ComputeCapabilityFlags
    bool bFontb = false;                           // region other than QLMX, XRV, XWD, XNJ
    bool bMelody = false;                          // family 21 or 32, or layout 7 outside JAPAN
};

// The state of the model in use, set at start and again whenever the user picks another printer.
struct CurrentModel {
    std::size_t printerRow = 0;  // index into PrinterNameTable()
    ModelId modelId = kBuildModelId;
    std::uint32_t layout = 0;
    std::uint32_t family = 0;
    std::uint16_t settingVariant = 0;
    int regionIndex = 0;         // the region shown and configured (index into kRegionNames)
    int factoryRegionIndex = 0;  // the effective region: factory values and flags use it
    bool overseaMode = false;    // as the configuration reader decided it from the region
    int chineseVariant = 2;      // 0 Simplified, 1 Traditional, 2 neither
    bool chineseEdition = false;
    CapabilityFlags flags{};
    int paneVariant = 0;  // logo pane variant; 5 is set from outside and kept
};

// Takes model id, layout, family and setting variant from the current printer row. A row outside
// the table falls back to row 0, as an unknown configured printer name does.
void SelectPrinterRow(CurrentModel& model);

// Flags of the current row and region. The full cut has no item on layout 1; overseas it is
// edited on the "other" page; in Japan the PFBM row (2) edits it among the customise values and
// the other rows keep the model's default.
CapabilityFlags ComputeCapabilityFlags(const CurrentModel& model);

// Logo pane variant of a family value: 32..34 → 1, 35 → 2, 36 → 3, 47 → 4, otherwise 0.
int PaneVariant(std::uint32_t family);

// The nine flag lines of the log, "bGuppy        = TRUE" ... "bMelody       = FALSE".
std::vector<std::string> CapabilityFlagLines(const CapabilityFlags& flags);

// Selects the current row, derives the flags and the pane variant, runs the factory-values step
// when given and logs the flags.
void DefaultSet(CurrentModel& model, Logger& log, const std::function<void()>& defaultDataSet = {});

struct RegionResult {
    int regionIndex;  // shown and kept in the configuration
    bool overseaMode;
    bool matched;  // false: the value named no region and the defaults apply
};

// The region from the configuration's SPECKEY value (already cleaned of comments and trailing
// blanks); nullopt when the key is absent.
RegionResult ResolveRegion(std::optional<std::string_view> speckeyValue);

// The region the factory values and the flags use: JAPANK (1) for the K variants, whatever region
// is configured (a K printer configured as JAPAN keeps showing JAPAN), else the configured one.
int EffectiveRegion(const CurrentModel& model);

// Text numbers of the current row's version text and setting-file filter text.
int VersionTextNumber(const CurrentModel& model);
int FilterTextNumber(const CurrentModel& model);

// Highest "NV Graphic Memory" choice (0 = none).
inline constexpr int kMaxNvGraphicChoice = 6;

// NV graphics capacity assumed when the printer cannot be asked, in bytes.
std::uint32_t NominalNvCapacity(int nvGraphicChoice, ModelId id);

}  // namespace vrtruty::app
