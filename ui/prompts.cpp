#include "ui/prompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/message_box.h"

namespace vrtruty::ui {

int DesktopPrompts::Ask(QWidget* owner, const MessageRequest& request) {
    QMessageBox box(owner);
    ConfigureMessageBox(box, request);
    if (WantsForeground(request.style)) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();
    // Escape or closing the box counts as Cancel where there is one, else as the only button.
    const auto clicked = box.standardButton(box.clickedButton());
    if (clicked == QMessageBox::NoButton) {
        return (request.style & 0x0F) == 0 ? ID_OK : ID_CANCEL;
    }
    return MessageAnswerOf(clicked);
}

QString DesktopPrompts::OpenFileName(QWidget* owner, const QString& title, const QString& startPath,
                                     const QString& filter) {
    return QFileDialog::getOpenFileName(owner, title, startPath, filter);
}

QString DesktopPrompts::SaveFileName(QWidget* owner, const QString& title, const QString& startPath,
                                     const QString& filter) {
    return QFileDialog::getSaveFileName(owner, title, startPath, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

platform::OpenDocumentResult DesktopPrompts::OpenDocument(const std::filesystem::path& document) {
    return opener_.Open(document);
}

}  // namespace vrtruty::ui
