// Plays a printer that answers with arbitrary bytes: the status and identity exchange, the
// settings read of every model and the logo information (capacity, free space, keycode blocks)
// all parse what it sends. The first byte picks the conversation and the model; the rest is a
// series of replies, each a length byte and that many bytes, one per command written.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "comm/command_exchange.h"
#include "fuzz_support.h"
#include "lang/language_files.h"
#include "logo/printer_logos.h"
#include "settings/settings_reader.h"
#include "tests/port_harness.h"
#include "tests/settings_test_support.h"

using namespace vrtruty;

namespace {

// Hands out one reply per written command, in order, until the input is used up.
class ReplyScript {
  public:
    explicit ReplyScript(std::span<const std::uint8_t> input) : input_(input) {}
    std::vector<std::uint8_t> Next() {
        if (input_.empty()) {
            return {};
        }
        const std::size_t length = std::min<std::size_t>(input_[0], input_.size() - 1);
        std::vector<std::uint8_t> reply(input_.begin() + 1,
                                        input_.begin() + 1 + static_cast<std::ptrdiff_t>(length));
        input_ = input_.subspan(1 + length);
        return reply;
    }

  private:
    std::span<const std::uint8_t> input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const lang::TextTable texts = lang::LoadLanguageTexts({});
    ReplyScript script(std::span<const std::uint8_t>(data + 1, size - 1));
    test::PortHarness harness;
    harness.switches.statusCheck = (data[0] & 0x10) != 0;
    harness.Use(app::PortKind::PORT_USB);
    harness.device.SetResponder([&](std::span<const std::uint8_t>) { return script.Next(); });
    comm::PortAccess& port = harness.Port();

    switch (data[0] % 3) {
        case 0:
            comm::CheckPrinter(port, port.GetPortName(1), "_TR-770");
            break;
        case 1: {
            settings::SettingsState state;
            app::Logger log;
            const std::size_t row = (data[0] >> 5) % 5;
            const app::CurrentModel model = test::SelectPrinter(state, row, texts, log);
            settings::GetPrinterSettings(port, state, model, settings::kReadAllSettings,
                                         port.GetPortName(1), texts);
            break;
        }
        default: {
            logo::PrinterLogoInfo info;
            const int result = logo::ReadPrinterLogoInfo(port, info, (data[0] & 0x20) != 0);
            fuzz::Require(info.keycodes.size() <= 255);
            if (result == 0) {
                fuzz::Require(info.valid && info.keycodes.size() == info.count);
            }
            break;
        }
    }
    return 0;
}
