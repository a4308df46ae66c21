#pragma once

#include <QWidget>

#include "ui/PlotSource.h"

namespace zel::gui {

// Paints what a plot's model computes: axes with its ticks and labels, the grid, the curves,
// the cursor and the measurement with their texts. Only the pixels are chosen here; the mouse
// moves the free cursor, the wheel zooms and a drag pans the time axis, all through the model.
class QtPlotWidget : public QWidget {
  Q_OBJECT

 public:
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
  QRectF PlotArea() const;
  double TimeAt(double x, const ui::PlotScene& scene) const;

  ui::PlotSource& source_;
  bool dragging_ = false;
  double dragX_ = 0;
};

}  // namespace zel::gui
