#include "comm/usb_discovery.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "comm/error_codes.h"
#include "platform/fake_clock.h"
#include "platform/usb_printers.h"
#include "test_support.h"

namespace vrtruty::comm {
namespace {

namespace fs = std::filesystem;
using platform::UsbPrinterDevice;

constexpr std::string_view kPrefix = "7a41/5c21/";

void WriteText(const fs::path& file, std::string_view text) {
    std::ofstream(file) << text;
}

// A /sys and /dev as the usblp driver leaves them: class/usbmisc/lpN links to the printer
// interface's class folder, whose "device" link leads back to the interface inside the USB device.
class FakeUsbTree {
  public:
    fs::path sys() const { return folder_ / "sys"; }
    fs::path dev() const { return folder_ / "dev"; }
    std::string usbDevice(int number) const {
        return (sys() / "devices/usb1" / ("1-" + std::to_string(number))).string();
    }

    void Attach(int number, std::string_view vendor, std::string_view product,
                std::optional<std::string_view> serial) {
        const fs::path device = usbDevice(number);
        const fs::path usbInterface = device / ("1-" + std::to_string(number) + ":1.0");
        const std::string name = "lp" + std::to_string(number);
        fs::create_directories(usbInterface / "usbmisc" / name);
        fs::create_directories(sys() / "class/usbmisc");
        fs::create_directory_symlink(usbInterface / "usbmisc" / name,
                                     sys() / "class/usbmisc" / name);
        fs::create_directory_symlink(usbInterface, usbInterface / "usbmisc" / name / "device");
        WriteText(device / "idVendor", std::string(vendor) + "\n");
        WriteText(device / "idProduct", std::string(product) + "\n");
        if (serial) {
            WriteText(device / "serial", std::string(*serial) + "\n");
        }
    }

    app::UsbPrinterEnumerator enumerator() const {
        return [this] { return platform::EnumerateUsbPrinters(sys(), dev()); };
    }

  private:
    test::TempFolder folder_;
};

TEST(UsbPrinters, DevicesWithoutAReadableIdentityAreLeftOut) {
    FakeUsbTree tree;
    tree.Attach(0, "7a41", "5c21", "A1");
    tree.Attach(1, "7a41", "5c2", "short");
    tree.Attach(2, "xyz1", "5c21", "not hex");
    tree.Attach(3, "7a41", "5c21", "gone");
    fs::remove(fs::path(tree.usbDevice(3)) / "idVendor");
    fs::create_directories(tree.sys() / "class/usbmisc/lpx");
    fs::create_directories(tree.sys() / "class/usbmisc/lp4");  // no device link
    const auto devices = platform::EnumerateUsbPrinters(tree.sys(), tree.dev());
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].sysfsPath, tree.usbDevice(0));

    EXPECT_TRUE(platform::EnumerateUsbPrinters(tree.sys() / "missing", tree.dev()).empty());
}

TEST(GetUsbPort, ListsThePrintersOfTheModelInDeviceNumberOrder) {
    FakeUsbTree tree;
    tree.Attach(10, "7a41", "5c21", "C3");
    tree.Attach(0, "7a41", "5c21", "A1");
    tree.Attach(1, "7a41", "5c21", "B2");
    tree.Attach(2, "7a41", "5c21", std::nullopt);
    tree.Attach(3, "7a41", "5c99", "OTHER");
    std::vector<UsbDeviceEntry> list;
    std::size_t usbIndex = 1;
    app::Logger log;
    EXPECT_EQ(GetUsbPort(list, usbIndex, kPrefix, "None", log, tree.enumerator()), PRT_SUCCESS);
    std::vector<std::string> shown;
    for (const UsbDeviceEntry& entry : list) {
        shown.push_back(entry.displayName + " " + entry.portName);
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{"USB(Serial No:A1) USB001", "USB(Serial No:B2) USB002",
                                        "USB(Serial No:) USB003", "USB(Serial No:C3) USB011"}));
    EXPECT_EQ(list[1].devicePath, (tree.dev() / "usb/lp1").string());
    EXPECT_EQ(usbIndex, 1u) << "the caller looks the remembered printer up again";
}

TEST(GetUsbPort, WithoutAPrinterOfTheModelTheListIsTheNoneEntry) {
    FakeUsbTree tree;
    tree.Attach(0, "7A41", "5c21", "UPPER");  // the prefix is lower case and compared as it is
    std::vector<UsbDeviceEntry> list = {{"USB(Serial No:OLD)", "/dev/usb/lp7", "USB008"}};
    std::size_t usbIndex = 3;
    app::Logger log;
    EXPECT_EQ(GetUsbPort(list, usbIndex, kPrefix, "None", log, tree.enumerator()),
              PRT_ERR_NODEVICE);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].displayName, "None");
    EXPECT_EQ(list[0].devicePath, "None");
    EXPECT_EQ(list[0].portName, "None");
    EXPECT_EQ(usbIndex, 0u);

    usbIndex = 2;
    EXPECT_EQ(GetUsbPort(list, usbIndex, kPrefix, "None", log, {}), PRT_ERR_NODEVICE)
        << "no enumerator: a machine without USB printers";
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(usbIndex, 0u);
}

TEST(GetUSBHandle, LogsEveryDeviceAndWhatIsTakenFromIt) {
    test::TempFolder home;
    platform::FakeClock clock;
    clock.setLocalTime({9, 0, 0, 0});
    app::Logger log(home / "_DEBUG.LOG", clock, true);
    const std::vector<UsbPrinterDevice> devices = {
        {"/sys/devices/usb1/1-1", "/dev/usb/lp0", "7a41", "5c21", "A1", 1},
        {"/sys/devices/usb1/1-2", "/dev/usb/lp1", "7a41", "5c21", "", std::nullopt},
    };
    std::vector<UsbDeviceEntry> entries;
    EXPECT_EQ(GetUSBHandle(kPrefix, devices, entries, log), PRT_SUCCESS);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].portName, "USB") << "no port number known";
    const std::vector<std::string> lines = {
        "GetUSBHandle Start",
        "Get USB Device = [1] [/sys/devices/usb1/1-1]",
        "Get USB PID = [7a41]",
        "Get USB PID = [5c21]",
        "Get USB SerialNo = [A1]",
        "Set SerialNo = A1",
        "Set USB Device = /dev/usb/lp0",
        "Set USB PortName = USB001",
        "Get USB Device = [2] [/sys/devices/usb1/1-2]",
        "Get USB PID = [7a41]",
        "Get USB PID = [5c21]",
        "Get USB SerialNo = []",
        "Set SerialNo = ",
        "Set USB Device = /dev/usb/lp1",
        "GetUSBHandle End",
    };
    std::string expected;
    for (const std::string& line : lines) {
        expected += "[09:00:00:000] " + line + "\r\n";
    }
    const auto bytes = test::ReadBytes(home / "_DEBUG.LOG");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

    EXPECT_EQ(GetUSBHandle(kPrefix, {}, entries, log), PRT_ERR_NODEVICE);
    EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace vrtruty::comm
