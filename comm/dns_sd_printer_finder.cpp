// The DNS-SD finder of the second LAN library slot.
#include <algorithm>
#include <cctype>

#include "comm/printer_finder.h"
#include "platform/dns_sd.h"

namespace vrtruty::comm {
namespace {

std::string TxtValue(const std::vector<std::pair<std::string, std::string>>& txt,
                     std::string_view key) {
    for (const auto& [name, value] : txt) {
        // Keys of a TXT record are compared without regard to case.
        if (name.size() == key.size() &&
            std::equal(name.begin(), name.end(), key.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return value;
        }
    }
    return {};
}

class DnsSdPrinterFinder final : public PrinterFinder {
  public:
    explicit DnsSdPrinterFinder(SearchOptions options) : options_(std::move(options)) {}

    std::vector<FoundPrinter> Find(std::string& note) override {
        const platform::DnsSdBrowseResult browsed =
            platform::BrowseDnsSd(kRawPrinterServiceType, options_.timeout, options_.stop);
        if (!browsed.error.empty()) {
            note = "DNS-SD: " + browsed.error;
        }
        std::vector<FoundPrinter> found;
        for (const platform::DnsSdService& service : browsed.services) {
            const bool targeted = options_.targets.empty() ||
                                  std::any_of(options_.targets.begin(), options_.targets.end(),
                                              [&](const platform::HostAndPort& t) {
                                                  return t.host == service.address;
                                              });
            const bool listed = std::any_of(
                found.begin(), found.end(),
                [&](const FoundPrinter& printer) { return printer.ipAddress == service.address; });
            if (!targeted || listed) {
                continue;
            }
            std::string deviceId;
            if (const std::string model = TxtModel(service.txt); !model.empty()) {
                const std::string maker = TxtValue(service.txt, "usb_MFG");
                deviceId = (maker.empty() ? "" : "MFG:" + maker + ";") + "MDL:" + model + ";";
            }
            found.push_back({service.address, platform::NeighbourMacAddress(service.address),
                             std::move(deviceId)});
        }
        return found;
    }

  private:
    SearchOptions options_;
};

}  // namespace

std::string TxtModel(const std::vector<std::pair<std::string, std::string>>& txt) {
    if (std::string model = TxtValue(txt, "usb_MDL"); !model.empty()) {
        return model;
    }
    if (std::string product = TxtValue(txt, "product"); !product.empty()) {
        if (product.size() >= 2 && product.front() == '(' && product.back() == ')') {
            product = product.substr(1, product.size() - 2);
        }
        if (!product.empty()) {
            return product;
        }
    }
    return TxtValue(txt, "ty");
}

std::unique_ptr<PrinterFinder> MakeDnsSdPrinterFinder(SearchOptions options) {
    return std::make_unique<DnsSdPrinterFinder>(std::move(options));
}

std::string DnsSdUnavailable() {
    return platform::DnsSdDaemonProblem();
}

}  // namespace vrtruty::comm
