#include "ui/session.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <memory>

#include "comm/error_codes.h"
#include "lang/interface_texts.h"
#include "lang/messages.h"
#include "lang/text_numbers.h"
#include "ui/wait_box.h"

namespace vrtruty::ui {

Session::Session(app::AppState& state, Prompts& prompts, std::uint16_t lanPrintingPort)
    : state_(state), prompts_(prompts), lanPrintingPort_(lanPrintingPort) {
    ApplyToolkitLanguage();
}

Session::~Session() = default;

void Session::ApplyToolkitLanguage() {
    // The translator leaves the application when it is destroyed.
    toolkitTranslator_.reset();
    const QString locale = QString::fromStdString(lang::LanguageLocaleName(state_.texts));
    if (locale == QStringLiteral("en")) {
        return;  // the toolkit's own language
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_") + locale,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        toolkitTranslator_ = std::move(translator);
    }
}

QString Session::Text(int number) const {
    return QString::fromStdString(state_.texts.Text(number));
}

QString Session::Label(int number) const {
    return Text(number).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

QString Session::ShortText(int number) const {
    return QString::fromStdString(state_.texts.ShortText(number));
}

QString Session::Button(std::size_t section, int index) const {
    return ShortText(lang::FirstButton(section) + index);
}

QString Session::ListText(std::size_t section, int index) const {
    return ShortText(lang::FirstListText(section) + index);
}

bool Session::rightToLeft() const {
    const std::string& name = state_.texts.languageName(state_.texts.languageIndex());
    return QString::fromStdString(name).isRightToLeft();
}

int Session::ShowMessage(std::uint32_t style, int code, std::string_view text) {
    MessageRequest request;
    request.style = style;
    request.caption = Text(lang::TXT_TITLE);
    std::string message = lang::ComposeMessage(state_.texts, code, text);
    // A port that did not open is named, with the system's reason.
    if ((code == comm::PRT_ERR_OPEN || code == comm::PRT_ERR_NODEVICE) &&
        state_.lastPortOpenFailure) {
        message += "\n\n" + app::PortOpenFailureText(state_.texts, *state_.lastPortOpenFailure);
    }
    request.text = QString::fromStdString(message);
    request.rightToLeft = rightToLeft();
    return prompts_.Ask(mainWindow(), request);
}

void Session::DisableControls() {
    controlsEnabled_ = false;
    if (host_ != nullptr) {
        host_->SetControlsEnabled(false);
    }
}

void Session::EnableControls() {
    if (host_ != nullptr) {
        host_->SetControlsEnabled(true);
    }
    controlsEnabled_ = true;
}

int Session::RunShownBusy(const JobView& view, const std::function<int()>& work) {
    DisableControls();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<WaitBox> box;
    // The box takes the activation while it shows; the window the user worked in gets it back.
    const QPointer<QWidget> active = QApplication::activeWindow();
    if (!view.waitText.isEmpty() || !view.operation.isEmpty()) {
        box = std::make_unique<WaitBox>(mainWindow(), Text(lang::TXT_TITLE), view.operation,
                                        view.waitText, view.totalBytes > 0);
        box->setRefusedClose([this] { SayJobStillRunning(); });
        if (CancelButton* cancel = view.cancel; cancel != nullptr) {
            box->OfferCancel(cancel->label, [cancel] { cancel->stop.request_stop(); });
        }
        box->show();
        waitBox_ = box.get();
    }
    const int result = RunOnWorkerThread(work);
    if (box != nullptr) {
        box.reset();
        if (active != nullptr && active->isVisible()) {
            QApplication::setActiveWindow(active);
        }
    }
    QApplication::restoreOverrideCursor();
    EnableControls();
    if (result == 0 && !view.operation.isEmpty()) {
        ShowStatus(QString::fromUtf8(
            lang::FormatText(lang::InterfaceTextOf(state_.texts, lang::InterfaceText::Done),
                             {view.operation.toStdString()})));
    }
    return result;
}

void Session::ShowStatus(const QString& text) {
    if (host_ != nullptr) {
        host_->ShowStatus(text);
    }
}

void Session::SayJobStillRunning() {
    const QString text = QString::fromUtf8(
        lang::InterfaceTextOf(state_.texts, lang::InterfaceText::JobStillRunning));
    if (waitBox_ != nullptr) {
        waitBox_->showNote(text);
    } else {
        ShowStatus(text);
    }
}

void Session::SetWaitText(const QString& text) {
    const QPointer<WaitBox> box = waitBox_;
    if (box != nullptr) {
        QMetaObject::invokeMethod(
            box, [box, text] { box->setText(text); }, Qt::QueuedConnection);
    }
}

void Session::SetWaitProgress(int percent) {
    const QPointer<WaitBox> box = waitBox_;
    if (box != nullptr) {
        QMetaObject::invokeMethod(
            box,
            [box, percent] {
                if (box != nullptr) {
                    box->setProgress(percent);
                }
            },
            Qt::QueuedConnection);
    }
}

int Session::RunShownPrinterJob(const JobView& view,
                                const std::function<int(app::PrinterConnection&)>& job) {
    return RunShownBusy(view, [this, &view, &job] {
        app::PrinterConnection connection(state_, lanPrintingPort_);
        if (view.totalBytes > 0) {
            // The worker counts; the box shows whole percents, each once.
            connection.port().setWriteProgressSink([this, total = view.totalBytes,
                                                    written = std::size_t{0},
                                                    shown = -1](std::size_t bytes) mutable {
                written += bytes;
                const int percent =
                    static_cast<int>(std::min<std::size_t>(written, total) * 100 / total);
                if (percent != shown) {
                    shown = percent;
                    SetWaitProgress(percent);
                }
            });
        }
        return job(connection);
    });
}

}  // namespace vrtruty::ui
