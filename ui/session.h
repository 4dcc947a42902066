// What every window of the utility shares: the application state, the way to ask the user, the
// texts of the current language, and the one way to run a printer job — on a worker thread while
// the window stays painted and its controls stay disabled.
#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string_view>

#include "app/printer_connection.h"
#include "app/startup.h"
#include "ui/prompts.h"

class QTranslator;
class QWidget;

namespace vrtruty::ui {

class WaitBox;

// The window whose controls a running operation disables.
class ControlsHost {
  public:
    virtual ~ControlsHost() = default;
    virtual void SetControlsEnabled(bool enabled) = 0;
    virtual QWidget* window() = 0;
    // A short line in the window's status line: what just succeeded, or why nothing happened.
    virtual void ShowStatus(const QString&) {}
};

// How a job shows itself while it runs.
// A Cancel button in the wait box of a job that can stop early: pressing it requests a stop of
// `stop`, which the job watches.
struct CancelButton {
    QString label;
    std::stop_source stop;
};

struct JobView {
    QString operation;               // its name: the wait box's heading and the confirmation's
    QString waitText;                // what the wait box says; no box when both texts are empty
    std::size_t totalBytes = 0;      // what it sends, when known: the wait box shows a bar
    CancelButton* cancel = nullptr;  // a job that can stop early: the box offers Cancel
};

class Session {
  public:
    // lanPrintingPort: the TCP port of network printers whose address names none.
    Session(app::AppState& state, Prompts& prompts, std::uint16_t lanPrintingPort);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads the toolkit's own translations (the standard buttons Yes, No, Cancel, OK, the file
    // dialogs) for the interface language; call again after the language changed.
    void ApplyToolkitLanguage();

    app::AppState& state() { return state_; }
    const app::AppState& state() const { return state_; }
    Prompts& prompts() { return prompts_; }
    std::uint16_t lanPrintingPort() const { return lanPrintingPort_; }

    void setControlsHost(ControlsHost* host) { host_ = host; }
    QWidget* mainWindow() const { return host_ != nullptr ? host_->window() : nullptr; }

    // Texts of the current language. Labels keep a line break as backslash and n; Label shows it
    // as a line break.
    QString Text(int number) const;
    QString Label(int number) const;
    QString ShortText(int number) const;
    // A button or list text of a dialog section (0 MainDlg, 1 PortSetDlg, ... 5 TestPrintDlg).
    QString Button(std::size_t section, int index) const;
    QString ListText(std::size_t section, int index) const;
    bool rightToLeft() const;

    // A message box over the main window: code 0 shows text, any other code the text of that
    // result code. Returns the button pressed.
    int ShowMessage(std::uint32_t style, int code, std::string_view text = {});
    int ShowMessage(std::uint32_t style, const QString& text) {
        return ShowMessage(style, 0, text.toStdString());
    }

    // ControlsEnabled: false while an operation runs; the window refuses to close meanwhile.
    bool controlsEnabled() const { return controlsEnabled_; }
    void DisableControls();
    void EnableControls();

    // Runs job with a connection to the configured printer, on a worker thread; the controls are
    // disabled meanwhile and the cursor is busy. A non-empty waitText shows the wait box with it.
    int RunPrinterJob(const QString& waitText,
                      const std::function<int(app::PrinterConnection&)>& job,
                      CancelButton* cancel = nullptr) {
        return RunShownPrinterJob(JobView{{}, waitText, 0, cancel}, job);
    }
    // The same with the operation's name and a bar driven by the bytes the printer took; when
    // the job succeeds, the status line says so.
    int RunShownPrinterJob(const JobView& view,
                           const std::function<int(app::PrinterConnection&)>& job);
    // Runs any work the same way, without a connection.
    int RunBusy(const QString& waitText, const std::function<int()>& work) {
        return RunShownBusy(JobView{{}, waitText, 0}, work);
    }
    int RunShownBusy(const JobView& view, const std::function<int()>& work);
    // The status line's text.
    void ShowStatus(const QString& text);
    // A close or Escape while a job runs: the wait box (or the status line) says that it still
    // runs.
    void SayJobStillRunning();
    // Changes the text or the bar of the wait box of the running job; callable from its worker
    // thread.
    void SetWaitText(const QString& text);
    void SetWaitProgress(int percent);

  private:
    app::AppState& state_;
    Prompts& prompts_;
    std::uint16_t lanPrintingPort_;
    ControlsHost* host_ = nullptr;
    bool controlsEnabled_ = true;
    QPointer<WaitBox> waitBox_;  // the box of the running job
    std::unique_ptr<QTranslator> toolkitTranslator_;
};

}  // namespace vrtruty::ui
