#include "ui/session.h"

#include <QApplication>
#include <QWidget>
#include <memory>

#include "lang/messages.h"
#include "lang/text_numbers.h"
#include "ui/wait_box.h"

namespace vrtruty::ui {

Session::Session(app::AppState& state, Prompts& prompts, std::uint16_t lanPrintingPort)
    : state_(state), prompts_(prompts), lanPrintingPort_(lanPrintingPort) {}

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
    request.text = QString::fromStdString(lang::ComposeMessage(state_.texts, code, text));
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

int Session::RunBusy(const QString& waitText, const std::function<int()>& work,
                     CancelButton* cancel) {
    DisableControls();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<WaitBox> box;
    if (!waitText.isEmpty()) {
        box = std::make_unique<WaitBox>(mainWindow(), Text(lang::TXT_TITLE), waitText);
        if (cancel != nullptr) {
            box->OfferCancel(cancel->label, [cancel] { cancel->stop.request_stop(); });
        }
        box->show();
        waitBox_ = box.get();
    }
    const int result = RunOnWorkerThread(work);
    box.reset();
    QApplication::restoreOverrideCursor();
    EnableControls();
    return result;
}

void Session::SetWaitText(const QString& text) {
    const QPointer<WaitBox> box = waitBox_;
    if (box != nullptr) {
        QMetaObject::invokeMethod(
            box, [box, text] { box->setText(text); }, Qt::QueuedConnection);
    }
}

int Session::RunPrinterJob(const QString& waitText,
                           const std::function<int(app::PrinterConnection&)>& job,
                           CancelButton* cancel) {
    return RunBusy(
        waitText,
        [this, &job] {
            app::PrinterConnection connection(state_, lanPrintingPort_);
            return job(connection);
        },
        cancel);
}

}  // namespace vrtruty::ui
