// The port layer over a scripted printer for conversation tests: a fake device behind a real
// PortAccess, the fake clock, a configuration with one port of every kind, and helpers to script
// the printer's answers and to read back what was written.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "comm/port_access.h"
#include "comm/printer_context.h"
#include "core/config.h"
#include "core/log.h"
#include "core/port_names.h"
#include "fake_device_channel.h"
#include "fake_lan_library.h"
#include "platform/fake_clock.h"

namespace vrtruty::test {

// Hands out the test's fake device; the port layer owns only this forwarder.
class ForwardingChannel final : public platform::DeviceChannel {
  public:
    ForwardingChannel(FakeDeviceChannel& device, std::function<void()> onClose)
        : device_(device), onClose_(std::move(onClose)) {}
    ~ForwardingChannel() override {
        if (onClose_) {
            onClose_();
        }
    }
    ForwardingChannel(const ForwardingChannel&) = delete;
    ForwardingChannel& operator=(const ForwardingChannel&) = delete;
    platform::IoResult Write(std::span<const std::uint8_t> data,
                             std::chrono::milliseconds timeout) override {
        return device_.Write(data, timeout);
    }
    platform::IoResult Read(std::span<std::uint8_t> buffer,
                            std::chrono::milliseconds timeout) override {
        return device_.Read(buffer, timeout);
    }
    std::optional<platform::SerialLineStatus> QuerySerialStatus() override {
        return device_.QuerySerialStatus();
    }
    std::optional<std::uint8_t> QueryParallelStatus() override {
        return device_.QueryParallelStatus();
    }

  private:
    FakeDeviceChannel& device_;
    std::function<void()> onClose_;
};

class FakeOpener final : public comm::DeviceOpener {
  public:
    explicit FakeOpener(FakeDeviceChannel& device) : device_(device) {}
    std::unique_ptr<platform::DeviceChannel> Open(app::PortKind, const std::string& name,
                                                  const platform::SerialLineSettings&,
                                                  std::error_code& error) override {
        openedNames.push_back(name);
        if (fail) {
            error = std::make_error_code(std::errc::no_such_file_or_directory);
            return nullptr;
        }
        ++opened;
        return std::make_unique<ForwardingChannel>(device_, onClose);
    }
    // Called when the port layer closes a device it opened.
    std::function<void()> onClose;
    std::vector<std::string> openedNames;
    int opened = 0;
    bool fail = false;

  private:
    FakeDeviceChannel& device_;
};

class PortHarness {
  public:
    using Bytes = std::vector<std::uint8_t>;

    PortHarness() {
        app::FillPortNameList(com, {"/dev/ttyS0"});
        app::FillPortNameList(lpt, {"/dev/lp0"});
        context.usbDevices = {{"USB(Serial No:1)", "/dev/usb/lp0", "USB001"}};
        config.lanPrinters = {{0, "192.168.0.20", "00:11:22:33:44:55", {}}};
    }

    void Use(app::PortKind kind) {
        config.portKind = kind;
        context.portKind = kind;
    }
    // The printer answers each command it recognises.
    void Answer(std::map<Bytes, Bytes> replies) {
        device.SetResponder([replies = std::move(replies)](std::span<const std::uint8_t> data) {
            const auto it = replies.find(Bytes(data.begin(), data.end()));
            return it == replies.end() ? Bytes{} : it->second;
        });
    }
    // The commands written, one per write call.
    std::vector<Bytes> Written() const {
        std::vector<Bytes> writes;
        for (const auto& call : device.writes()) {
            writes.push_back(call.bytes);
        }
        return writes;
    }
    int Count(std::chrono::milliseconds wait) const {
        return static_cast<int>(std::ranges::count(clock.waits(), wait));
    }

    app::UtilityConfig config;
    app::PortNameList com = app::InitialComPortList();
    app::PortNameList lpt = app::InitialLptPortList();
    comm::PrinterContext context{config, com, lpt};
    platform::FakeClock clock;
    app::Logger log;
    FakeDeviceChannel device;
    FakeOpener opener{device};
    FakeLanLibrary lan;
    comm::PortSwitches switches;
    std::unique_ptr<comm::PortAccess> access;

    // Built on first use, so a test can set the switches before.
    comm::PortAccess& Port() {
        if (!access) {
            access = std::make_unique<comm::PortAccess>(
                context, clock, log, opener, std::array<comm::LanLibrary*, 2>{&lan, nullptr},
                "None", switches);
        }
        return *access;
    }
};

}  // namespace vrtruty::test
