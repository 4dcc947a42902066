// The drawing of a receipt printer that stands for the model in the button pane and serves as the
// utility's icon; the window carries no product photographs.
#pragma once

#include <QIcon>
#include <QRectF>
#include <QWidget>
#include <cstddef>

class QPainter;

namespace vrtruty::ui {

// What the lamp of the drawing shows.
enum class PrinterLamp {
    Connected,     // green: the printer answered on the chosen port
    NotConnected,  // dark: no port is chosen
    Error,         // red: a port is chosen, but the printer did not answer
};

// Draws the printer into the area, keeping its proportions; dark: a black model.
void DrawPrinter(QPainter& painter, const QRectF& area, bool dark,
                 PrinterLamp lamp = PrinterLamp::Connected);

// The utility's own icon (windows, the version box).
QIcon UtilityIcon();

// The model picture of the button pane.
class ModelPicture final : public QWidget {
  public:
    explicit ModelPicture(QWidget* parent);
    void setModel(std::size_t printerRow);
    // The lamp and the tooltip that says in words what it shows.
    void setLamp(PrinterLamp lamp, const QString& tooltip);
    PrinterLamp lamp() const { return lamp_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::size_t row_ = 0;
    PrinterLamp lamp_ = PrinterLamp::NotConnected;
};

}  // namespace vrtruty::ui
