#include "ui/wait_box.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <optional>
#include <thread>

namespace vrtruty::ui {

WaitBox::WaitBox(QWidget* owner, const QString& caption, const QString& text)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("waitBox");
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    setCursor(Qt::WaitCursor);
    auto* outer = new QVBoxLayout(this);
    auto* layout = new QHBoxLayout;
    outer->addLayout(layout);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    text_ = new QLabel(text, this);
    text_->setObjectName("waitText");
    text_->setTextFormat(Qt::PlainText);
    layout->addWidget(icon);
    layout->addWidget(text_, 1);
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

void WaitBox::setText(const QString& text) {
    text_->setText(text);
}

void WaitBox::OfferCancel(const QString& label, std::function<void()> onCancel) {
    onCancel_ = std::move(onCancel);
    if (cancelButton_ == nullptr) {
        cancelButton_ = new QPushButton(this);
        cancelButton_->setObjectName("waitCancelButton");
        static_cast<QVBoxLayout*>(layout())->addWidget(cancelButton_, 0, Qt::AlignRight);
        connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
    }
    cancelButton_->setText(label);
    cancelButton_->setEnabled(true);
    cancelButton_->setFocus(Qt::OtherFocusReason);
}

void WaitBox::Cancel() {
    if (cancelButton_ == nullptr || !cancelButton_->isEnabled()) {
        return;
    }
    cancelButton_->setEnabled(false);
    if (onCancel_) {
        onCancel_();
    }
}

void WaitBox::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void WaitBox::keyPressEvent(QKeyEvent* event) {
    // Escape would reject the dialog; nothing may end the box but the operation. Where the
    // operation can be cancelled, Escape asks it to stop.
    if (event->key() == Qt::Key_Escape) {
        Cancel();
    }
    event->accept();
}

int RunOnWorkerThread(const std::function<int()>& work) {
    QEventLoop loop;
    std::optional<int> result;
    std::thread worker([&] {
        const int value = work();
        QMetaObject::invokeMethod(
            &loop,
            [&loop, &result, value] {
                result = value;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    // The quit may be queued before the loop runs; the loop then ends at its first turn.
    while (!result) {
        loop.exec();
    }
    worker.join();
    return *result;
}

}  // namespace vrtruty::ui
