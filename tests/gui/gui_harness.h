// What the window tests share: prompts that answer from a script and record what was asked, a
// fresh home folder, the application state started on it, and the virtual printer on loopback.
#pragma once

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/machine_startup.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "printer_process.h"
#include "scaled_clock.h"
#include "ui/prompts.h"
#include "ui/session.h"

namespace vrtruty::test {

// Answers message boxes from a queue (OK when it is empty) and records every box.
class ScriptedPrompts final : public ui::Prompts {
  public:
    int Ask(QWidget*, const ui::MessageRequest& request) override {
        asked.push_back(request);
        if (onAsk) {
            onAsk(request);
        }
        if (answers.empty()) {
            return ui::ID_OK;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return fileAnswer;
    }
    QStringList OpenFileNames(QWidget*, const QString&, const QString&, const QString&) override {
        return filesAnswer;
    }
    // Answers save dialogs from a queue; cancels when it is empty.
    QString SaveFileName(QWidget*, const QString& title, const QString&,
                         const QString& filter) override {
        saveDialogs << title + " | " + filter;
        if (saveAnswers.empty()) {
            return {};
        }
        const QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    int Choose(QWidget*, const ui::ChoiceRequest& request) override {
        choices.push_back(request);
        return choiceAnswer;
    }
    platform::OpenDocumentResult OpenDocument(const std::filesystem::path& document) override {
        opened.push_back(document);
        return documentResult;
    }

    // The texts asked so far, one per box.
    QStringList Texts() const {
        QStringList texts;
        for (const auto& request : asked) {
            texts << request.text;
        }
        return texts;
    }

    std::deque<int> answers;
    std::vector<ui::MessageRequest> asked;
    std::function<void(const ui::MessageRequest&)> onAsk;
    QString fileAnswer;
    QStringList filesAnswer;
    std::deque<QString> saveAnswers;
    QStringList saveDialogs;  // title | filter of every save dialog shown
    std::vector<ui::ChoiceRequest> choices;
    int choiceAnswer = 0;
    platform::OpenDocumentResult documentResult = platform::OpenDocumentResult::Opened;
    std::vector<std::filesystem::path> opened;
};

// The virtual printer on a free loopback port, or on a pseudo-terminal as a serial printer; what
// it receives is kept in a capture file.
class VirtualPrinter {
  public:
    enum class Line { Network, Serial };

    // extraArguments: more of the virtual printer's options, e.g. its state file.
    explicit VirtualPrinter(const QString& folder, Line line = Line::Network,
                            std::vector<std::string> extraArguments = {}) {
        capture_ = (folder + "/capture.bin").toStdString();
        QDir().mkpath(folder + "/paper");
        std::vector<std::string> arguments = {"--capture", capture_, "--paper",
                                              (folder + "/paper").toStdString()};
        arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
        if (line == Line::Network) {
            arguments.insert(arguments.end(), {"--listen", "127.0.0.1:0"});
        } else {
            serialDevice_ = (folder + "/tty").toStdString();
            arguments.insert(arguments.end(), {"--pty", serialDevice_});
        }
        process_ = std::make_unique<PrinterProcess>(arguments);
        const auto ready = process_->ReadLine();
        if (ready && ready->starts_with("PORT ")) {
            port_ = static_cast<std::uint16_t>(std::stoi(ready->substr(5)));
        }
    }
    std::uint16_t port() const { return port_; }
    // The serial printer's device (a link to the pseudo-terminal).
    const std::string& serialDevice() const { return serialDevice_; }
    // Everything received so far.
    QByteArray Received() const {
        QFile file(QString::fromStdString(capture_));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void ClearReceived() const { QFile::resize(QString::fromStdString(capture_), 0); }

  private:
    std::string capture_;
    std::string serialDevice_;
    std::unique_ptr<PrinterProcess> process_;
    std::uint16_t port_ = 0;
};

// A started utility on a fresh home folder.
class GuiWorld {
  public:
    GuiWorld() { home_.setAutoRemove(true); }

    QString homePath() const { return home_.path(); }
    std::filesystem::path home() const { return home_.path().toStdString(); }

    // Runs the start-up on the home folder (creating its configuration the first time).
    app::AppState& Start(std::uint16_t lanPort = 9100) {
        session_.reset();
        state_.reset();
        app::StartupOptions options = app::MachineStartupOptions(home(), clock_);
        options.lockDirectory.reset();
        if (printQueues) {
            options.printQueues = printQueues;
        }
        app::StartupResult started = app::RunStartup(options);
        state_ = std::move(started.state);
        if (state_ != nullptr) {
            session_ = std::make_unique<ui::Session>(*state_, prompts, lanPort);
        }
        return *state_;
    }
    // Makes the loopback printer the configured network printer, verified.
    void UseLanPrinter() {
        state_->config.portKind = app::PortKind::PORT_LAN;
        state_->config.lanPrinters = {{0, "127.0.0.1", {}, {}}};
        state_->config.lanIndex = 0;
        state_->connectionVerified = true;
        state_->showPortDialogAtStart = false;
    }

    app::AppState& state() { return *state_; }
    ui::Session& session() { return *session_; }

    ScriptedPrompts prompts;
    std::shared_ptr<platform::PrintQueues> printQueues;  // the machine's when not set

  private:
    QTemporaryDir home_;
    ScaledClock clock_;
    std::unique_ptr<app::AppState> state_;
    std::unique_ptr<ui::Session> session_;
};

// The utility started against one virtual printer, its verified network printer.
struct PrinterWorld {
    PrinterWorld() : printer(world.homePath() + "/printer") {
        world.Start(printer.port());
        world.UseLanPrinter();
    }
    GuiWorld world;
    VirtualPrinter printer;
};

// Disables the pane while a job runs, as the main window does; that takes the focus away.
class PaneHost final : public ui::ControlsHost {
  public:
    explicit PaneHost(QWidget& pane) : pane_(pane) {}
    void SetControlsEnabled(bool enabled) override { pane_.setEnabled(enabled); }
    QWidget* window() override { return nullptr; }

  private:
    QWidget& pane_;
};

// A control of a pane by its object name; the test stops when there is none.
template <typename T = QPushButton>
T* Child(QWidget& parent, const char* name) {
    auto* child = parent.findChild<T*>(name);
    if (child == nullptr) {
        qFatal("no control %s", name);
    }
    return child;
}

// "1B 70 31 50 50", so that a failing comparison shows the bytes.
inline QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

inline QByteArray FromHex(const char* hex) {
    return QByteArray::fromHex(hex);
}

// Writes the file whole and returns its path; the test stops when it cannot.
inline QString WriteFile(const QString& path, QByteArrayView content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(content.data(), content.size()) != content.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

inline QString WriteFile(const QString& path, const std::vector<std::uint8_t>& content) {
    return WriteFile(path, QByteArrayView(content.data(), static_cast<qsizetype>(content.size())));
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Drags the URLs over the widget and drops them there; false when the widget refused them.
inline bool DropUrls(QWidget& widget, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &enter);
    QDropEvent drop({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    return enter.isAccepted() && QApplication::sendEvent(&widget, &drop) && drop.isAccepted();
}

// Saves a picture of the widget into VRTRUTY_SCREENSHOTS (when set) as NAME.png.
inline void SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("VRTRUTY_SCREENSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    QDir().mkpath(folder);
    widget.grab().save(folder + "/" + name + ".png");
}

}  // namespace vrtruty::test
