#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zel::ui {

// A mark on a plot axis, in the axis's own units; only labelled ticks carry a label.
struct PlotTick {
  double position = 0;
  bool major = false;
  std::string label;
};

struct PlotCurve {
  int axis = 1;  // 1 left, 2 right value axis
  std::uint32_t colour = 0x0000C0;
  std::vector<std::pair<double, double>> points;  // (time, value) in time order
};

// Everything a plot shows, computed by its model in data units. The renderer chooses only the
// pixels: it maps the ranges onto its area and draws the ticks, labels and curves it is given.
struct PlotScene {
  double timeMin = 0;
  double timeMax = 1;
  double leftMin = 0;
  double leftMax = 1;
  bool hasRight = false;
  double rightMin = 0;
  double rightMax = 1;
  std::vector<PlotTick> timeTicks;
  std::vector<PlotTick> leftTicks;
  std::vector<PlotTick> rightTicks;
  bool grid = true;
  std::string timeTitle;
  std::vector<PlotCurve> curves;
  bool cursorShown = false;
  double cursorTime = 0;
  std::string cursorText;
  bool measureShown = false;
  int measureAxis = 1;
  double measureValue = 0;
  std::string measureText;
  bool zoomed = false;  // the time range shown is a part of the recording's
};

// The model behind a plot control: it gives the scene and takes what the mouse does, in data
// units. UI thread only.
class PlotSource {
 public:
  virtual ~PlotSource() = default;
  virtual PlotScene Scene() const = 0;
  // The pointer is over the plot at this time and these values of the two axes.
  virtual void PointerMoved(double time, double leftValue, double rightValue) = 0;
  // Wheel: factor below 1 zooms in around anchorTime, above 1 out.
  virtual void Zoom(double anchorTime, double factor) = 0;
  // Drag: moves the time range shown by deltaTime (positive: later times come into view).
  virtual void Pan(double deltaTime) = 0;
  virtual void ResetView() = 0;

  // Filled by the renderer: draws the plot as a PNG picture into path, false with error when it
  // cannot. Empty where nothing renders (the command line, tests without a screen).
  using ImageWriter = std::function<bool(const std::string& path, std::string& error)>;
  void SetImageWriter(ImageWriter writer) { imageWriter_ = std::move(writer); }
  const ImageWriter& GetImageWriter() const { return imageWriter_; }

 private:
  ImageWriter imageWriter_;
};

}  // namespace zel::ui
