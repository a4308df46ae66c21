#pragma once

#include <QFontMetricsF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/PlotSource.h"

namespace zel::gui {

// Paints what a plot's model computes: axes with its ticks and labels, the grid, the curves,
// the cursor and the measurement with their texts. Only the pixels are chosen here; the mouse
// moves the free cursor, the wheel zooms and a drag pans the time axis, all through the model.
class QtPlotWidget : public QWidget {
  Q_OBJECT

 public:
  // One text of the plot where it is drawn: its baseline's start and the box it covers.
  struct PlacedText {
    QString text;
    QPointF baseline;
    QRectF box;
  };
  // Where the parts of a plot go in a widget of this size: the area the curves fill, with room
  // left of it for the widest label of the left value axis and right of it for the right one's,
  // the time labels and title below it, and the cursor and measure read-outs above it, each on
  // its own line. Every tick label and read-out, in drawing order.
  struct Layout {
    QRectF area;
    std::vector<PlacedText> texts;
  };
  static Layout LayOut(const ui::PlotScene& scene, const QFontMetricsF& metrics, QSizeF size);

  explicit QtPlotWidget(ui::PlotSource& source, QWidget* parent = nullptr);
  ~QtPlotWidget() override;
  QSize sizeHint() const override { return {640, 360}; }
  // The plot as a PNG file, written whole through the atomic writer.
  bool SavePng(const std::string& path, std::string& error);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QRectF PlotArea(const ui::PlotScene& scene) const;
  double TimeAt(double x, const ui::PlotScene& scene) const;

  ui::PlotSource& source_;
  bool dragging_ = false;
  double dragX_ = 0;
};

}  // namespace zel::gui
