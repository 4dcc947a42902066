#include "ui/message_box.h"

namespace vrtruty::ui {
namespace {

// Parts of a message-box style.
constexpr std::uint32_t kButtonMask = 0x0F;
constexpr std::uint32_t kIconMask = 0xF0;
constexpr std::uint32_t kForeground = 0x10000;

constexpr std::uint32_t kOkCancel = 0x01;
constexpr std::uint32_t kYesNoCancel = 0x03;
constexpr std::uint32_t kYesNo = 0x04;

constexpr std::uint32_t kStopIcon = 0x10;
constexpr std::uint32_t kQuestionIcon = 0x20;
constexpr std::uint32_t kWarningIcon = 0x30;
constexpr std::uint32_t kInformationIcon = 0x40;
constexpr std::uint32_t kUserIcon = 0x80;

}  // namespace

void ConfigureMessageBox(QMessageBox& box, const MessageRequest& request) {
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    box.setTextFormat(Qt::PlainText);
    switch (request.style & kButtonMask) {
        case kOkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case kYesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case kYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (request.style & kIconMask) {
        case kStopIcon:
            box.setIcon(QMessageBox::Critical);
            break;
        case kQuestionIcon:
            box.setIcon(QMessageBox::Question);
            break;
        case kWarningIcon:
            box.setIcon(QMessageBox::Warning);
            break;
        case kInformationIcon:
            box.setIcon(QMessageBox::Information);
            break;
        case kUserIcon:
            // The utility's own icon, the window icon of the application.
            box.setIconPixmap(box.windowIcon().pixmap(48, 48));
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    box.setLayoutDirection(request.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
}

QString WithFileAndReason(const QString& message, const std::filesystem::path& file,
                          std::string_view reason) {
    return message +
           QStringLiteral("\n\n%1: %2")
               .arg(QString::fromStdString(file.string()),
                    QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size())));
}

int MessageAnswerOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return ID_OK;
        case QMessageBox::Yes:
            return ID_YES;
        case QMessageBox::No:
            return ID_NO;
        default:
            return ID_CANCEL;
    }
}

bool WantsForeground(std::uint32_t style) {
    return (style & kForeground) != 0;
}

}  // namespace vrtruty::ui
