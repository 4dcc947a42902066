#include "ui/printer_picture.h"

#include <QPainter>
#include <QPixmap>

namespace vrtruty::ui {
namespace {

// The drawing is made on this grid and scaled to the area.
constexpr double kGridWidth = 84;
constexpr double kGridHeight = 60;

}  // namespace

void DrawPrinter(QPainter& painter, const QRectF& area, bool dark, PrinterLamp lamp) {
    const double scale = std::min(area.width() / kGridWidth, area.height() / kGridHeight);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(area.center().x() - kGridWidth * scale / 2,
                      area.center().y() - kGridHeight * scale / 2);
    painter.scale(scale, scale);
    const QColor body = dark ? QColor(60, 60, 64) : QColor(226, 228, 230);
    const QColor edge = dark ? QColor(30, 30, 32) : QColor(150, 152, 156);
    // Paper coming out of the top, the body, the cover line and the feed button.
    painter.setPen(QPen(QColor(170, 170, 170), 1.0));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(24, 0, 36, 18));
    painter.setPen(QPen(edge, 1.5));
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(1, 12, 82, 47), 8, 8);
    painter.drawLine(QPointF(6, 26), QPointF(78, 26));
    switch (lamp) {
        case PrinterLamp::Connected:
            painter.setBrush(QColor(90, 170, 90));
            break;
        case PrinterLamp::NotConnected:
            painter.setBrush(QColor(110, 110, 114));
            break;
        case PrinterLamp::Error:
            painter.setBrush(QColor(210, 50, 40));
            break;
    }
    painter.drawEllipse(QPointF(72, 48), 3.5, 3.5);
    painter.restore();
}

QIcon UtilityIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        DrawPrinter(painter, QRectF(0, 0, size, size), false);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

ModelPicture::ModelPicture(QWidget* parent) : QWidget(parent) {
    setObjectName("modelPicture");
    setFixedSize(139, 68);
}

void ModelPicture::setModel(std::size_t printerRow) {
    row_ = printerRow;
    update();
}

void ModelPicture::setLamp(PrinterLamp lamp, const QString& tooltip) {
    lamp_ = lamp;
    setToolTip(tooltip);
    update();
}

void ModelPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool dark = row_ == 3 || row_ == 4;  // the K models come in black
    DrawPrinter(painter, QRectF(rect()).adjusted(26, 4, -26, -4), dark, lamp_);
}

}  // namespace vrtruty::ui
