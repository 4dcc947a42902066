// The drawing of a receipt printer that stands for the model in the button pane and serves as the
// utility's icon; the window carries no product photographs.
#pragma once

#include <QIcon>
#include <QRectF>
#include <QWidget>
#include <cstddef>

class QPainter;

namespace vrtruty::ui {

// Draws the printer into the area, keeping its proportions; dark: a black model.
void DrawPrinter(QPainter& painter, const QRectF& area, bool dark);

// The utility's own icon (windows, the version box).
QIcon UtilityIcon();

// The model picture of the button pane.
class ModelPicture final : public QWidget {
  public:
    explicit ModelPicture(QWidget* parent);
    void setModel(std::size_t printerRow);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::size_t row_ = 0;
};

}  // namespace vrtruty::ui
