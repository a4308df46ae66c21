#include "gui/QtWindowDialog.h"

#include <QEvent>

#include <QVBoxLayout>

#include "gui/QtWindowWidget.h"

namespace zel::gui {

QtWindowDialog::QtWindowDialog(ui::Window& window, QWidget* parent)
    : QDialog(parent), window_(window), content_(new QtWindowWidget(window, this)) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(content_);
  // The widget has set its title from the caption already.
  setWindowTitle(content_->windowTitle());
  connect(content_, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
  content_->SetEndedHandler([this](int result) { done(result); });
}

void QtWindowDialog::Detach() {
  content_->Detach();
}

void QtWindowDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) window_.UserMinimize(isMinimized());
}

void QtWindowDialog::reject() {
  if (window_.IsEnded()) {
    QDialog::reject();
    return;
  }
  window_.Press(ui::kIdCancel);
  if (window_.IsEnded()) QDialog::done(window_.Result());
}

}  // namespace zel::gui
