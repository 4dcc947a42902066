// The network printer list: the search over the LAN library slots, the addresses the list takes,
// and how found printers join it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/port_settings.h"
#include "comm/error_codes.h"
#include "comm/port_tables.h"
#include "comm/printer_search.h"
#include "comm/tcp_lan_library.h"
#include "fake_lan_library.h"
#include "platform/fake_clock.h"

namespace vrtruty {
namespace {

using app::LanPrinterEntry;

// A library whose search finds the given printers; each answers its device ID behind the slot's
// length prefix.
class SearchingLibrary final : public test::FakeLanLibrary {
  public:
    struct Printer {
        std::string ip;
        std::string mac;
        std::string deviceId;  // empty: the device ID cannot be read
    };

    SearchingLibrary(std::size_t prefix, std::vector<Printer> printers)
        : prefix_(prefix), printers_(std::move(printers)) {}

    int SendSearch(std::int32_t, std::span<comm::LanSearchAnswer> answers, int, int, int,
                   std::uint32_t& count) override {
        for (std::size_t i = 0; i < printers_.size(); ++i) {
            std::strncpy(answers[i].ipAddress, printers_[i].ip.c_str(), 31);
            std::strncpy(answers[i].macAddress, printers_[i].mac.c_str(), 31);
        }
        count = static_cast<std::uint32_t>(printers_.size());
        return 1;
    }
    std::int32_t OpenStatus(std::string_view ip) override {
        asked_ = std::string(ip);
        return kDefaultHandle;
    }
    int GetDeviceID(std::int32_t, std::span<std::uint8_t> buffer, std::uint32_t& length) override {
        const auto printer = std::find_if(printers_.begin(), printers_.end(),
                                          [&](const Printer& p) { return p.ip == asked_; });
        if (printer == printers_.end() || printer->deviceId.empty()) {
            return 0;
        }
        std::fill_n(buffer.begin(), prefix_, std::uint8_t{'0'});
        std::copy(printer->deviceId.begin(), printer->deviceId.end(), buffer.begin() + prefix_);
        length = static_cast<std::uint32_t>(prefix_ + printer->deviceId.size());
        return 1;
    }

  private:
    std::size_t prefix_;
    std::vector<Printer> printers_;
    std::string asked_;
};

TEST(PrinterSearch, KeepsExactlyTheChosenModelWithTheSlotThatFoundIt) {
    SearchingLibrary second(comm::kSecondSlotDeviceIdPrefix,
                            {{"10.0.0.5", "00:00:5E:00:53:01", "MFG:VRM;MDL:TR-770;CMD:ESC;"},
                             {"10.0.0.6", "00:00:5E:00:53:02", "MFG:VRM;MDL:TR-770K;"}});
    app::Logger log;
    std::vector<LanPrinterEntry> found;
    ASSERT_EQ(comm::SearchPrinter({nullptr, &second}, "TR-770", log, found), comm::PRT_SUCCESS);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].libraryMode, 1);
    EXPECT_EQ(found[0].ipAddress, "10.0.0.5");
    EXPECT_EQ(found[0].macAddress, "00:00:5E:00:53:01");
    EXPECT_EQ(found[0].model, "TR-770");

    found.clear();
    EXPECT_EQ(comm::SearchPrinter({nullptr, &second}, "TR-770II", log, found), comm::PRT_ERR_SEARCH)
        << "no printer of the model: nothing found";
    EXPECT_TRUE(found.empty());
}

TEST(PrinterSearch, UnreadableAnswersFailOnlyWhenNothingWasFound) {
    SearchingLibrary first(comm::kFirstSlotDeviceIdPrefix,
                           {{"10.0.0.7", "", ""}, {"10.0.0.8", "", "MODEL:TR-770II;"}});
    app::Logger log;
    std::vector<LanPrinterEntry> found;
    EXPECT_EQ(comm::SearchPrinter({&first, nullptr}, "TR-770II", log, found), comm::PRT_SUCCESS);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].ipAddress, "10.0.0.8");
    EXPECT_EQ(found[0].libraryMode, 0);

    SearchingLibrary unreadable(comm::kFirstSlotDeviceIdPrefix,
                                {{"10.0.0.7", "", ""}, {"10.0.0.9", "", "MFG:VRM;"}});
    found.clear();
    EXPECT_EQ(comm::SearchPrinter({&unreadable, nullptr}, "TR-770II", log, found),
              comm::PRT_ERR_SEARCH);
    EXPECT_TRUE(found.empty());
}

TEST(PrinterSearch, ModelOfDeviceId) {
    EXPECT_EQ(comm::DeviceIdModel("MDL:TR-770K;MODEL:TR-770;"), "TR-770") << "MODEL comes first";
    EXPECT_EQ(comm::DeviceIdModel("MFG:VRM;MDL:TR-770"), "TR-770") << "the end ends the value";
    EXPECT_EQ(comm::DeviceIdModel("MFG:VRM;CMD:ESC;"), std::nullopt);
}

TEST(LanPrinterList, RefusesNetworkBroadcastMalformedDuplicateAndSurplusAddresses) {
    const std::vector<LanPrinterEntry> list = {{0, "192.168.1.10", "", ""}};
    EXPECT_EQ(app::CheckNewLanAddress("192.168.1.11", list), comm::PRT_SUCCESS);
    for (const char* address : {"192.168.1.0", "192.168.1.255", "192.168.1", "", "256.1.1.1",
                                "1.2.3.4.5", "-1.2.3.4", "1..3.4", "a.b.c.d"}) {
        EXPECT_EQ(app::CheckNewLanAddress(address, list), comm::LAN_ERR_IPADDRESS) << address;
    }
    EXPECT_EQ(app::CheckNewLanAddress("192.168.1.10", list), comm::LAN_ERR_IPDUPLICATE);
    EXPECT_EQ(app::CheckNewLanAddress("192.168.001.010", list), comm::LAN_ERR_IPDUPLICATE)
        << "the same numbers are the same printer";

    const std::vector<LanPrinterEntry> full(app::kMaxLanPrinters, {0, "10.0.0.1", "", ""});
    EXPECT_EQ(app::CheckNewLanAddress("10.0.0.2", full), comm::LAN_ERR_IPMAX);
}

TEST(LanPrinterList, FoundPrintersJoinOncePerAddressUpToTheLimit) {
    std::vector<LanPrinterEntry> list = {{0, "10.0.0.1", "", ""}};
    const std::vector<LanPrinterEntry> found = {
        {1, "10.0.0.2", "00:00:5E:00:53:02", "TR-770"},
        {0, "10.0.0.1", "00:00:5E:00:53:01", "TR-770"},
        {0, "10.0.0.3", std::string(40, 'm'), "TR-770"},
    };
    EXPECT_EQ(app::MergeFoundPrinters(list, found), comm::PRT_SUCCESS);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].macAddress, "") << "a listed printer keeps its row";
    EXPECT_EQ(list[1].ipAddress, "10.0.0.2");
    EXPECT_EQ(list[1].libraryMode, 1);
    EXPECT_EQ(list[2].macAddress, std::string(31, 'm'));

    std::vector<LanPrinterEntry> nearlyFull(app::kMaxLanPrinters - 1, {0, "10.0.0.1", "", ""});
    EXPECT_EQ(app::MergeFoundPrinters(nearlyFull, found), comm::LAN_ERR_IPMAX);
    EXPECT_EQ(nearlyFull.size(), app::kMaxLanPrinters);
    EXPECT_EQ(nearlyFull.back().ipAddress, "10.0.0.2");
}

TEST(LanPrinterList, FormatChoiceSetsDataBitsAndParityOfItsTableRow) {
    for (std::uint16_t row = 0; row < comm::FormatTable.size(); ++row) {
        app::SerialSettings serial{};
        app::SelectSerialFormat(serial, row);
        const comm::FormatRow& format = comm::FormatTable[row];
        EXPECT_EQ(serial.formatIndex, row);
        EXPECT_EQ(serial.dataBits, format.dataBits == 8 ? 1 : 0) << format.label;
        EXPECT_EQ("neo"[serial.parity], format.parity) << format.label;
    }
}

// Serial settings confirmed in the port dialog become the stored defaults of the device that
// will be opened: the COM port, or the device of a queue on a serial port; no other port.
TEST(PortSettings, ConfirmedSerialSettingsGoToTheComPortOrTheSerialQueuesDevice) {
    platform::FakeClock clock;
    app::AppState state(clock);
    state.comPorts = app::InitialComPortList();
    app::FillPortNameList(state.comPorts, {"/dev/ttyS0", "/dev/ttyUSB0"});
    state.config.portKind = app::PortKind::PORT_COM;
    state.config.comIndex = 1;
    EXPECT_EQ(app::SerialDefaultsPort(state), "/dev/ttyUSB0");

    state.winPrinters = {{"serial:/dev/ttyACM0?baud=38400", comm::kQueuePortSerial, "till", ""},
                         {"usb://VRM/TR-770II?serial=7", comm::kQueuePortUsb, "back", ""}};
    state.config.portKind = app::PortKind::PORT_WINDRV;
    state.config.winPrinterIndex = 0;
    EXPECT_EQ(app::SerialDefaultsPort(state), "/dev/ttyACM0");
    state.config.winPrinterIndex = 1;
    EXPECT_EQ(app::SerialDefaultsPort(state), std::nullopt) << "a USB queue";
    state.config.winPrinterIndex = 2;
    EXPECT_EQ(app::SerialDefaultsPort(state), std::nullopt) << "no queue chosen";
    state.config.portKind = app::PortKind::PORT_LAN;
    EXPECT_EQ(app::SerialDefaultsPort(state), std::nullopt);
}

}  // namespace
}  // namespace vrtruty
