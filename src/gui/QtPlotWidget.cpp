#include "gui/QtPlotWidget.h"

#include <QBuffer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include "files/AtomicFileWriter.h"

namespace zel::gui {

namespace {

constexpr double kLeftMargin = 64;
constexpr double kRightMargin = 64;
constexpr double kTopMargin = 24;
constexpr double kBottomMargin = 40;

QColor Colour(std::uint32_t rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

double Map(double value, double low, double high, double from, double to) {
  if (high == low) return (from + to) / 2;
  return from + (value - low) / (high - low) * (to - from);
}

void Paint(QPainter& painter, const ui::PlotScene& scene, const QRectF& area, const QRect& whole) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillRect(whole, Qt::white);
  const QFontMetricsF metrics(painter.font());
  auto x = [&](double t) {
    return Map(t, scene.timeMin, scene.timeMax, area.left(), area.right());
  };
  auto yLeft = [&](double v) {
    return Map(v, scene.leftMin, scene.leftMax, area.bottom(), area.top());
  };
  auto yRight = [&](double v) {
    return Map(v, scene.rightMin, scene.rightMax, area.bottom(), area.top());
  };

  // Grid and ticks.
  QPen gridPen(QColor(0xD0, 0xD0, 0xD0), 0, Qt::DotLine);
  QPen axisPen(Qt::black, 0);
  for (const ui::PlotTick& tick : scene.timeTicks) {
    const double at = x(tick.position);
    if (tick.major && scene.grid) {
      painter.setPen(gridPen);
      painter.drawLine(QPointF(at, area.top()), QPointF(at, area.bottom()));
    }
    painter.setPen(axisPen);
    painter.drawLine(QPointF(at, area.bottom()), QPointF(at, area.bottom() + (tick.major ? 6 : 3)));
    if (tick.major) {
      const QString label = QString::fromStdString(tick.label);
      painter.drawText(
          QPointF(at - metrics.horizontalAdvance(label) / 2, area.bottom() + 8 + metrics.ascent()),
          label);
    }
  }
  for (const ui::PlotTick& tick : scene.leftTicks) {
    const double at = yLeft(tick.position);
    if (scene.grid) {
      painter.setPen(gridPen);
      painter.drawLine(QPointF(area.left(), at), QPointF(area.right(), at));
    }
    painter.setPen(axisPen);
    const QString label = QString::fromStdString(tick.label);
    painter.drawLine(QPointF(area.left() - 5, at), QPointF(area.left(), at));
    painter.drawText(
        QPointF(area.left() - 8 - metrics.horizontalAdvance(label), at + metrics.ascent() / 2 - 1),
        label);
  }
  painter.setPen(axisPen);
  for (const ui::PlotTick& tick : scene.rightTicks) {
    const double at = yRight(tick.position);
    painter.drawLine(QPointF(area.right(), at), QPointF(area.right() + 5, at));
    painter.drawText(QPointF(area.right() + 8, at + metrics.ascent() / 2 - 1),
                     QString::fromStdString(tick.label));
  }
  painter.drawRect(area);
  const QString title = QString::fromStdString(scene.timeTitle);
  painter.drawText(QPointF(area.center().x() - metrics.horizontalAdvance(title) / 2,
                           whole.bottom() - metrics.descent() - 2),
                   title);

  // Curves, clipped to the area, joined sample to sample.
  painter.save();
  painter.setClipRect(area);
  for (const ui::PlotCurve& curve : scene.curves) {
    if (curve.points.empty()) continue;
    QPainterPath path;
    for (std::size_t k = 0; k < curve.points.size(); ++k) {
      const auto [t, v] = curve.points[k];
      const QPointF point(x(t), curve.axis == 2 ? yRight(v) : yLeft(v));
      if (k == 0)
        path.moveTo(point);
      else
        path.lineTo(point);
    }
    painter.setPen(QPen(Colour(curve.colour), 1.5));
    painter.drawPath(path);
  }
  if (scene.measureShown) {
    const double at =
        scene.measureAxis == 2 ? yRight(scene.measureValue) : yLeft(scene.measureValue);
    painter.setPen(QPen(QColor(0x00, 0x80, 0x00), 1, Qt::DashLine));
    painter.drawLine(QPointF(area.left(), at), QPointF(area.right(), at));
  }
  if (scene.cursorShown) {
    painter.setPen(QPen(QColor(0xC0, 0x00, 0x00), 1));
    const double at = x(scene.cursorTime);
    painter.drawLine(QPointF(at, area.top()), QPointF(at, area.bottom()));
  }
  painter.restore();

  // Texts at the top right of the area.
  painter.setPen(axisPen);
  double line = whole.top() + metrics.ascent() + 2;
  for (const std::string& text : {scene.cursorText, scene.measureText}) {
    if (text.empty()) continue;
    const QString label = QString::fromStdString(text);
    painter.drawText(QPointF(area.right() - metrics.horizontalAdvance(label), line), label);
    line += metrics.height();
  }
}

}  // namespace

QtPlotWidget::QtPlotWidget(ui::PlotSource& source, QWidget* parent)
    : QWidget(parent), source_(source) {
  setMouseTracking(true);
  setMinimumSize(320, 200);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  source_.SetImageWriter(
      [this](const std::string& path, std::string& error) { return SavePng(path, error); });
}

QtPlotWidget::~QtPlotWidget() {
  source_.SetImageWriter({});
}

QRectF QtPlotWidget::PlotArea() const {
  return QRectF(kLeftMargin, kTopMargin, std::max(10.0, width() - kLeftMargin - kRightMargin),
                std::max(10.0, height() - kTopMargin - kBottomMargin));
}

double QtPlotWidget::TimeAt(double x, const ui::PlotScene& scene) const {
  const QRectF area = PlotArea();
  return Map(x, area.left(), area.right(), scene.timeMin, scene.timeMax);
}

void QtPlotWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Paint(painter, source_.Scene(), PlotArea(), rect());
}

bool QtPlotWidget::SavePng(const std::string& path, std::string& error) {
  QImage image(size().expandedTo(QSize(640, 360)) * 2, QImage::Format_RGB32);
  image.setDevicePixelRatio(2);
  {
    QPainter painter(&image);
    const QRect whole(QPoint(0, 0), image.size() / 2);
    const QRectF area(kLeftMargin, kTopMargin, whole.width() - kLeftMargin - kRightMargin,
                      whole.height() - kTopMargin - kBottomMargin);
    Paint(painter, source_.Scene(), area, whole);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    error = "The picture could not be encoded.";
    return false;
  }
  return files::AtomicFileWriter::Write(
      path,
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                static_cast<std::size_t>(bytes.size())),
      error);
}

void QtPlotWidget::mouseMoveEvent(QMouseEvent* event) {
  const ui::PlotScene scene = source_.Scene();
  const QPointF at = event->position();
  if (dragging_) {
    const double delta = TimeAt(dragX_, scene) - TimeAt(at.x(), scene);
    dragX_ = at.x();
    source_.Pan(delta);
  }
  const QRectF area = PlotArea();
  source_.PointerMoved(TimeAt(at.x(), scene),
                       Map(at.y(), area.bottom(), area.top(), scene.leftMin, scene.leftMax),
                       Map(at.y(), area.bottom(), area.top(), scene.rightMin, scene.rightMax));
  update();
}

void QtPlotWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = true;
    dragX_ = event->position().x();
  }
}

void QtPlotWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void QtPlotWidget::wheelEvent(QWheelEvent* event) {
  const ui::PlotScene scene = source_.Scene();
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  source_.Zoom(TimeAt(event->position().x(), scene), std::pow(0.8, steps));
  update();
  event->accept();
}

}  // namespace zel::gui
