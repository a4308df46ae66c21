#pragma once

#include <QDialog>

#include "ui/Window.h"

namespace zel::gui {

class QtWindowWidget;

// A top-level dialog around a rendered window. It closes when the window ends; the close box
// and Escape go through the window's Cancel, which may refuse.
class QtWindowDialog : public QDialog {
  Q_OBJECT

 public:
  explicit QtWindowDialog(ui::Window& window, QWidget* parent = nullptr);
  ui::Window& Model() { return window_; }
  void Detach();

 public slots:
  void reject() override;

 protected:
  // Minimising and restoring reach the window (the recorder pauses its refresh).
  void changeEvent(QEvent* event) override;

 private:
  ui::Window& window_;
  QtWindowWidget* content_;
};

}  // namespace zel::gui
