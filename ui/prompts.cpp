#include "ui/prompts.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>

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

QStringList DesktopPrompts::OpenFileNames(QWidget* owner, const QString& title,
                                          const QString& startPath, const QString& filter) {
    return QFileDialog::getOpenFileNames(owner, title, startPath, filter);
}

QString DesktopPrompts::SaveFileName(QWidget* owner, const QString& title, const QString& startPath,
                                     const QString& filter) {
    return QFileDialog::getSaveFileName(owner, title, startPath, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

int DesktopPrompts::Choose(QWidget* owner, const ChoiceRequest& request) {
    QDialog dialog(owner);
    dialog.setWindowTitle(request.caption);
    auto* layout = new QGridLayout(&dialog);
    auto* icon = new QLabel(&dialog);
    const int side = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(side));
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(new QLabel(request.text, &dialog), 0, 1, 1, 2);
    auto* label = new QLabel(request.label, &dialog);
    auto* items = new QComboBox(&dialog);
    items->setObjectName("choiceCombo");
    items->addItems(request.items);
    label->setBuddy(items);
    layout->addWidget(label, 1, 1);
    layout->addWidget(items, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons, 2, 0, 1, 3);
    return dialog.exec() == QDialog::Accepted ? items->currentIndex() : -1;
}

platform::OpenDocumentResult DesktopPrompts::OpenDocument(const std::filesystem::path& document) {
    return opener_.Open(document);
}

}  // namespace vrtruty::ui
