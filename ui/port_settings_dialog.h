// The port settings dialog: printer model, interface language, and how the printer is connected
// (USB, COM with its serial parameters, LPT, LAN with the list of network printers). OK verifies
// the connection before anything is kept; Cancel puts back what the dialog found.
#pragma once

#include <QDialog>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "comm/print_queue_list.h"
#include "core/config.h"
#include "core/port_kind.h"
#include "core/serial_settings.h"
#include "ui/session.h"

namespace vrtruty::ui {

class MainWindow;

class PortSettingsDialog final : public QDialog {
  public:
    // openedAtStart: the start-up check did not verify the connection, so Cancel asks first.
    PortSettingsDialog(Session& session, MainWindow& mainWindow, bool openedAtStart);
    ~PortSettingsDialog() override;

    // PortSettingsChanged: OK confirmed another printer model, so the panes rebuild for it.
    bool portSettingsChanged() const { return portSettingsChanged_; }

    // Cancel, Escape and closing the window: asks first when opened at start, then puts every
    // choice back as the dialog found it.
    void reject() override;

  private:
    struct Controls;
    // What Cancel puts back.
    struct SavedChoice {
        app::PortKind portKind = app::PortKind::PORT_NONE;
        std::size_t printerRow = 0;
        std::size_t comIndex = 0;
        std::size_t usbIndex = 0;
        std::size_t lptIndex = 0;
        std::size_t lanIndex = 0;
        std::size_t winPrinterIndex = 0;
        std::vector<comm::WinPrinterEntry> winPrinters;  // the list winPrinterIndex selects in
        app::SerialSettings serial{};
        std::vector<app::LanPrinterEntry> lanPrinters;
        std::vector<app::UsbDeviceEntry> usbDevices;  // the list usbIndex selects in
        std::size_t language = 0;
    };

    void BuildControls();
    void ConnectControls();
    void SetTexts();
    void FillLists();
    void FillUsbList();
    void ChoosePortKind(app::PortKind kind);
    void OfferInterfacesOfModel();
    void UpdateOkButton();
    QString NoneWord() const;
    void SwitchLanguage(std::size_t language);

    void RefreshUsbChoice();
    void RefreshWinPrinterChoice();
    // selected: the row to select, counted from 1; 0 with an empty list.
    void RefreshLanList(std::size_t selected);

    void ChooseModel(std::size_t row);
    void Refresh();
    void Add();
    void Search();
    void Delete();
    void Confirm();

    // Runs an operation with the dialog's own controls disabled too; the focus comes back after.
    int RunWhileDisabled(const std::function<int()>& operation);

    Session& session_;
    MainWindow& mainWindow_;
    bool openedAtStart_;
    bool portSettingsChanged_ = false;
    SavedChoice saved_;
    std::vector<std::size_t> winChoices_;  // the queue list's index of each queue shown
    app::SerialSettings chosenSerial_{};   // the serial lists' choice, taken over by OK
    std::unique_ptr<Controls> c_;
};

}  // namespace vrtruty::ui
