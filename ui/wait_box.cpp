#include "ui/wait_box.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <thread>

namespace vrtruty::ui {

WaitBox::WaitBox(QWidget* owner, const QString& caption, const QString& operation,
                 const QString& text, bool showsProgress)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("waitBox");
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    setCursor(Qt::WaitCursor);
    auto* layout = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column_ = column;
    if (!operation.isEmpty()) {
        auto* name = new QLabel(operation, this);
        name->setObjectName("waitOperation");
        name->setTextFormat(Qt::PlainText);
        QFont bold = name->font();
        bold.setBold(true);
        name->setFont(bold);
        column->addWidget(name);
    }
    text_ = new QLabel(text, this);
    text_->setObjectName("waitText");
    text_->setTextFormat(Qt::PlainText);
    text_->setVisible(!text.isEmpty());
    column->addWidget(text_);
    if (showsProgress) {
        progress_ = new QProgressBar(this);
        progress_->setObjectName("waitProgress");
        progress_->setRange(0, 100);
        progress_->setValue(0);
        progress_->setMinimumWidth(260);
        column->addWidget(progress_);
    }
    note_ = new QLabel(this);
    note_->setObjectName("waitNote");
    note_->setTextFormat(Qt::PlainText);
    note_->setWordWrap(true);
    note_->hide();
    column->addWidget(note_);
    layout->addWidget(icon);
    layout->addLayout(column, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void WaitBox::setText(const QString& text) {
    text_->setText(text);
    text_->setVisible(!text.isEmpty());
}

void WaitBox::setProgress(int percent) {
    if (progress_ != nullptr) {
        progress_->setValue(std::clamp(percent, 0, 100));
    }
}

void WaitBox::showNote(const QString& note) {
    note_->setText(note);
    note_->show();
}

void WaitBox::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (refusedClose_) {
        refusedClose_();
    }
}

void WaitBox::OfferCancel(const QString& label, std::function<void()> onCancel) {
    onCancel_ = std::move(onCancel);
    if (cancelButton_ == nullptr) {
        cancelButton_ = new QPushButton(this);
        cancelButton_->setObjectName("waitCancelButton");
        column_->addWidget(cancelButton_, 0, Qt::AlignRight);
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

void WaitBox::keyPressEvent(QKeyEvent* event) {
    // Escape would reject the dialog; nothing may end the box but the operation. Where the
    // operation can be cancelled, Escape asks it to stop; elsewhere the box says it still runs.
    event->accept();
    if (event->key() != Qt::Key_Escape) {
        return;
    }
    if (cancelButton_ != nullptr) {
        Cancel();
    } else if (refusedClose_) {
        refusedClose_();
    }
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
