#pragma once

#include <QWidget>
#include <map>

class QTabWidget;

namespace zel::views {
class CRegulationView;
}

namespace zel::gui {

class QtPlotWidget;

// A regulation view laid out as a technician reads it: the online caption on top; the set value,
// and the actual value large with the enable and stop buttons; below, the limits and gains and
// the inputs and potentiometers that are the values' sources, as two pages beside the live trend.
// Every control only shows the model's state and forwards what the user does.
class QtRegulationView : public QWidget {
  Q_OBJECT

 public:
  explicit QtRegulationView(views::CRegulationView& view, QWidget* parent = nullptr);
  ~QtRegulationView() override;

  // The widget of a control id (nullptr when there is none); tests drive and read them.
  QWidget* ControlWidget(int id) const;
  QtPlotWidget* Trend() const { return trend_; }
  // The limits' and the sources' pages.
  QTabWidget* Pages() const { return pages_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildActual(QWidget* parent);
  QWidget* BuildSetValue(QWidget* parent);
  QWidget* BuildLimits(QWidget* parent);
  QWidget* BuildSources(QWidget* parent);
  QWidget* Make(int id, QWidget* parent);
  void Sync(int id);
  void SyncAll();

  views::CRegulationView& view_;
  std::map<int, QWidget*> widgets_;
  QtPlotWidget* trend_ = nullptr;
  QTabWidget* pages_ = nullptr;
  bool syncing_ = false;
};

}  // namespace zel::gui
