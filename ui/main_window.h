// The utility's one top-level window: the button pane on the left (model, port, the function
// buttons and the model picture) and the function pane beside it, exactly one of which is shown.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

#include "ui/printer_picture.h"
#include "ui/session.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QAbstractButton;

namespace vrtruty::ui {

class LogoPane;
class ModelPicture;
class Pane;

// Which pane shows; the numbers are the ones the log and the accelerators speak of.
enum class PaneNumber {
    PortSettings = 1,  // the port settings dialog is open over the window
    PrinterSetup = 2,
    LogoSettings = 3,
    Extension1 = 4,
    PrinterTest = 5,
};

class MainWindow final : public QWidget, public ControlsHost {
  public:
    explicit MainWindow(Session& session);
    ~MainWindow() override;

    // Sets the caption, the labels and the buttons in the current language, and every pane's.
    void SetMainTexts();
    // Model and port texts, and the function buttons enabled by the verified connection.
    void ShowPortInMainWindow();
    // Runs the port settings dialog modally; true when new settings were confirmed. openedAtStart:
    // the start-up check failed, so Cancel asks first.
    bool OpenPortSettings(bool openedAtStart);
    // The start-up sequence after the window is shown: the connection check and, when it did not
    // succeed, the port settings dialog.
    void CheckConnectionAtStart();

    // Places the window in the middle of its screen.
    void CentreOnScreen();
    // Where the window stood and which pane showed at the last exit, kept per user in the file:
    // the window goes back there (onto a screen when that place is off every screen now) and the
    // place is written there at exit. False when the file held no place.
    bool RestorePlacement(const QString& file);

    void ShowPane(PaneNumber pane);
    PaneNumber currentPane() const { return current_; }
    Pane* pane(PaneNumber pane) const;

    // What the picture's lamp and its tooltip say about the connection.
    PrinterLamp printerLamp() const;
    QString printerLampText() const;

    // The model picture's colour scheme follows the model; exposed for the screenshot tests.
    QWidget* buttonPane() const { return buttonPane_; }

    void SetControlsEnabled(bool enabled) override;
    QWidget* window() override { return this; }
    void ShowStatus(const QString& text) override;
    QString statusText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum ButtonId {
        kPortSettings,
        kPrinterSetup,
        kLogoSettings,
        kExtension1,
        kPrinterTest,
        kVersion,
        kHelp,
        kExit,
        kButtonCount
    };

    void BuildButtonPane();
    void OnButton(ButtonId id);
    void ShowVersion();
    void ShowManual();
    void RefreshAllPanes();
    void ShowPrinterLamp();
    void SavePlacement() const;
    // Alt+letter: the button-pane buttons first, then the showing pane's own buttons.
    QAbstractButton* AcceleratorTarget(int key, Qt::KeyboardModifiers modifiers) const;
    void RestoreFocus(QWidget* fallback);

    Session& session_;
    QWidget* buttonPane_ = nullptr;
    QLabel* printerLabel_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QLabel* printerName_ = nullptr;
    QLabel* portName_ = nullptr;
    QLabel* statusLine_ = nullptr;
    ModelPicture* picture_ = nullptr;
    std::array<QPushButton*, kButtonCount> buttons_{};
    QStackedWidget* panes_ = nullptr;
    std::array<Pane*, 4> paneWidgets_{};  // Printer Setup, Logo Settings, Extension 1, Test
    PaneNumber current_ = PaneNumber::PrinterSetup;
    std::array<QPointer<QWidget>, 4> savedFocus_{};
    QPointer<QWidget> focusBeforeClose_;
    bool logoListLoaded_ = false;
    QString placementFile_;
    LogoPane* logoPane_ = nullptr;
};

}  // namespace vrtruty::ui
