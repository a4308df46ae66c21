#include "gui/QtPlotWidget.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include "files/AtomicFileWriter.h"

namespace zel::gui {

namespace {

constexpr double kValueTick = 5;  // length of a value axis's tick
constexpr double kTimeTick = 6;   // length of a major time tick
constexpr double kLabelGap = 3;   // between a tick and its label
constexpr double kEdge = 3;       // between a text and the widget's edge
constexpr double kSmallest = 10;  // the curves' area never shrinks below this

QColor Colour(std::uint32_t rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

double Map(double value, double low, double high, double from, double to) {
  if (high == low) return (from + to) / 2;
  return from + (value - low) / (high - low) * (to - from);
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

double Widest(const std::vector<ui::PlotTick>& ticks, const QFontMetricsF& metrics) {
  double widest = 0;
  for (const ui::PlotTick& tick : ticks)
    if (!tick.label.empty()) widest = std::max(widest, metrics.horizontalAdvance(Q(tick.label)));
  return widest;
}

void Paint(QPainter& painter, const ui::PlotScene& scene, const QtPlotWidget::Layout& layout,
           const QRect& whole) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillRect(whole, Qt::white);
  const QRectF& area = layout.area;
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
    painter.drawLine(QPointF(at, area.bottom()),
                     QPointF(at, area.bottom() + (tick.major ? kTimeTick : kTimeTick / 2)));
  }
  for (const ui::PlotTick& tick : scene.leftTicks) {
    const double at = yLeft(tick.position);
    if (scene.grid) {
      painter.setPen(gridPen);
      painter.drawLine(QPointF(area.left(), at), QPointF(area.right(), at));
    }
    painter.setPen(axisPen);
    painter.drawLine(QPointF(area.left() - kValueTick, at), QPointF(area.left(), at));
  }
  painter.setPen(axisPen);
  for (const ui::PlotTick& tick : scene.rightTicks) {
    const double at = yRight(tick.position);
    painter.drawLine(QPointF(area.right(), at), QPointF(area.right() + kValueTick, at));
  }
  painter.drawRect(area);

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

  painter.setPen(axisPen);
  for (const QtPlotWidget::PlacedText& text : layout.texts)
    painter.drawText(text.baseline, text.text);
}

}  // namespace

QtPlotWidget::Layout QtPlotWidget::LayOut(const ui::PlotScene& scene, const QFontMetricsF& metrics,
                                          QSizeF size) {
  const double height = metrics.height();
  const double ascent = metrics.ascent();
  const double descent = metrics.descent();
  std::vector<QString> readouts;
  for (const std::string& text : {scene.cursorText, scene.measureText})
    if (!text.empty()) readouts.push_back(Q(text));
  const QString title = Q(scene.timeTitle);

  // The margins come from what is written in them: the widest label of each value axis beside
  // the area, and half the widest time label, which is centred on its tick, on both sides; the
  // read-outs above, each on its own line, and half a value label for the top tick's; the time
  // labels and the title below.
  const double halfTime = Widest(scene.timeTicks, metrics) / 2 + kEdge;
  const double left =
      std::max(kEdge + Widest(scene.leftTicks, metrics) + kLabelGap + kValueTick, halfTime);
  const double right = std::max(
      scene.rightTicks.empty() ? kEdge
                               : kValueTick + kLabelGap + Widest(scene.rightTicks, metrics) + kEdge,
      halfTime);
  const double top = kEdge + static_cast<double>(readouts.size()) * height + height / 2 + kEdge;
  const double bottom = kTimeTick + kLabelGap + height + (title.isEmpty() ? 0 : height) + kEdge;

  Layout layout;
  layout.area = QRectF(left, top, std::max(kSmallest, size.width() - left - right),
                       std::max(kSmallest, size.height() - top - bottom));
  const QRectF& area = layout.area;
  // A label that would run into the one before it on its axis is left out, as on a narrow
  // plot where the time labels would otherwise read as one number.
  std::size_t axisStart = 0;
  auto place = [&](const QString& text, double x, double baseline) {
    const QRectF box(x, baseline - ascent, metrics.horizontalAdvance(text), height);
    if (layout.texts.size() > axisStart && layout.texts.back().box.intersects(box)) return;
    layout.texts.push_back({text, QPointF(x, baseline), box});
  };
  auto nextAxis = [&] { axisStart = layout.texts.size(); };
  // A value label's middle sits on its tick.
  const double valueBaseline = (ascent - descent) / 2;
  for (const ui::PlotTick& tick : scene.leftTicks) {
    if (tick.label.empty()) continue;
    const QString label = Q(tick.label);
    place(label, area.left() - kValueTick - kLabelGap - metrics.horizontalAdvance(label),
          Map(tick.position, scene.leftMin, scene.leftMax, area.bottom(), area.top()) +
              valueBaseline);
  }
  nextAxis();
  for (const ui::PlotTick& tick : scene.rightTicks) {
    if (tick.label.empty()) continue;
    place(Q(tick.label), area.right() + kValueTick + kLabelGap,
          Map(tick.position, scene.rightMin, scene.rightMax, area.bottom(), area.top()) +
              valueBaseline);
  }
  nextAxis();
  for (const ui::PlotTick& tick : scene.timeTicks) {
    if (!tick.major || tick.label.empty()) continue;
    const QString label = Q(tick.label);
    place(label,
          Map(tick.position, scene.timeMin, scene.timeMax, area.left(), area.right()) -
              metrics.horizontalAdvance(label) / 2,
          area.bottom() + kTimeTick + kLabelGap + ascent);
  }
  nextAxis();
  if (!title.isEmpty())
    place(title, area.center().x() - metrics.horizontalAdvance(title) / 2,
          size.height() - kEdge - descent);
  // The read-outs right-aligned with the area; one too wide for it starts at the left edge.
  double baseline = kEdge + ascent;
  for (const QString& text : readouts) {
    nextAxis();
    place(text, std::max(kEdge, area.right() - metrics.horizontalAdvance(text)), baseline);
    baseline += height;
  }
  return layout;
}

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

QRectF QtPlotWidget::PlotArea(const ui::PlotScene& scene) const {
  return LayOut(scene, QFontMetricsF(font()), QSizeF(size())).area;
}

double QtPlotWidget::TimeAt(double x, const ui::PlotScene& scene) const {
  const QRectF area = PlotArea(scene);
  return Map(x, area.left(), area.right(), scene.timeMin, scene.timeMax);
}

void QtPlotWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const ui::PlotScene scene = source_.Scene();
  Paint(painter, scene, LayOut(scene, QFontMetricsF(painter.font()), QSizeF(size())), rect());
}

bool QtPlotWidget::SavePng(const std::string& path, std::string& error) {
  QImage image(size().expandedTo(QSize(640, 360)) * 2, QImage::Format_RGB32);
  image.setDevicePixelRatio(2);
  {
    QPainter painter(&image);
    painter.setFont(font());
    const QRect whole(QPoint(0, 0), image.size() / 2);
    const ui::PlotScene scene = source_.Scene();
    Paint(painter, scene, LayOut(scene, QFontMetricsF(painter.font()), QSizeF(whole.size())),
          whole);
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
  const QRectF area = PlotArea(scene);
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
