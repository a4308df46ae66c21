#include "gui/QtRegulationView.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "gui/EditWidth.h"
#include "gui/QtPlotWidget.h"
#include "views/CRegulationView.h"

namespace zel::gui {

namespace {

using View = views::CRegulationView;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void Enlarge(QWidget* widget, int pixels, bool bold) {
  QFont font = widget->font();
  font.setPixelSize(pixels);
  font.setBold(bold);
  widget->setFont(font);
}

QString LampStyle(bool on) {
  return on ? QStringLiteral("background: #00C000; border-radius: 9px;")
            : QStringLiteral("background: #C00000; border-radius: 9px;");
}

}  // namespace

QtRegulationView::QtRegulationView(views::CRegulationView& view, QWidget* parent)
    : QWidget(parent), view_(view) {
  auto* grid = new QGridLayout(this);

  auto* caption = new QHBoxLayout;
  caption->addWidget(Make(View::kIdStateLamp, this));
  caption->addWidget(Make(View::kIdState, this));
  caption->addStretch(1);
  Enlarge(widgets_[View::kIdState], 20, true);
  grid->addLayout(caption, 0, 0, 1, 2);

  // Left: what the technician commands and watches; right: the limits it runs within.
  auto* left = new QVBoxLayout;
  left->addWidget(BuildGroup(View::kIdSetValueGroup, this));
  left->addWidget(BuildGroup(View::kIdActualGroup, this));
  left->addWidget(BuildGroup(View::kIdModeGroup, this));
  left->addStretch(1);
  Enlarge(widgets_[View::kIdSetValue], 22, true);
  Enlarge(widgets_[View::kIdActual], 30, true);
  grid->addLayout(left, 1, 0);
  grid->addWidget(BuildLimits(this), 1, 1, Qt::AlignTop);

  // Below: where the values come from, beside the trend of the last 30 s.
  grid->addWidget(BuildSources(this), 2, 0, Qt::AlignTop);
  if (ui::PlotSource* source = view_.PlotFor(View::kIdTrend)) {
    trend_ = new QtPlotWidget(*source, this);
    trend_->setMinimumSize(300, 180);
    widgets_[View::kIdTrend] = trend_;
    auto* trendColumn = new QVBoxLayout;
    trendColumn->addWidget(trend_, 1);
    // Which curve is which, in the colours the trend draws them.
    auto colour = [](std::uint32_t rgb) {
      return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QChar('0'));
    };
    QString legend = QStringLiteral(
                         "<span style='color:%1'>&#9644; set value</span>&nbsp;&nbsp;"
                         "<span style='color:%2'>&#9644; actual value</span>")
                         .arg(colour(views::RegulationTrend::kSetColour),
                              colour(views::RegulationTrend::kActualColour));
    if (source->Scene().curves.size() > 2)
      legend += QStringLiteral("&nbsp;&nbsp;<span style='color:%1'>&#9644; current limit</span>")
                    .arg(colour(views::RegulationTrend::kLimitColour));
    trendColumn->addWidget(new QLabel(legend, this));
    grid->addLayout(trendColumn, 2, 1);
    grid->setRowStretch(2, 1);
  }
  grid->setColumnStretch(0, 2);
  grid->setColumnStretch(1, 3);
  view_.SetObserver([this](int id) { Sync(id); });
  SyncAll();
}

QWidget* QtRegulationView::BuildLimits(QWidget* parent) {
  const ui::Control* group = view_.Find(View::kIdLimitsGroup);
  auto* box = new QGroupBox(group ? Q(group->text) : QString(), parent);
  widgets_[View::kIdLimitsGroup] = box;
  auto* rows = new QGridLayout(box);
  int row = 0;
  // One row per setting: name, value, and its range around the slider.
  for (const View::Setting& s : view_.Settings()) {
    rows->addWidget(Make(s.nameLabelId, box), row, 0);
    QWidget* edit = Make(s.editId, box);
    KeepRoomForWord(edit);
    rows->addWidget(edit, row, 1);
    rows->addWidget(Make(s.minLabelId, box), row, 2, Qt::AlignRight);
    rows->addWidget(Make(s.sliderId, box), row, 3);
    rows->addWidget(Make(s.maxLabelId, box), row, 4);
    ++row;
  }
  rows->setColumnStretch(3, 1);
  return box;
}

QWidget* QtRegulationView::BuildSources(QWidget* parent) {
  const ui::Control* group = view_.Find(View::kIdSourcesGroup);
  auto* box = new QGroupBox(group ? Q(group->text) : QString(), parent);
  widgets_[View::kIdSourcesGroup] = box;
  auto* rows = new QGridLayout(box);
  int boxes = 0;
  int row = 0;
  // The input and potentiometer boxes in two columns, the hint and the monitor signal below.
  for (const ui::Control& control : view_.Controls()) {
    if (control.parent != View::kIdSourcesGroup) continue;
    if (control.kind == ui::ControlKind::CheckBox) {
      rows->addWidget(Make(control.id, box), boxes / 2, boxes % 2);
      ++boxes;
      row = (boxes + 1) / 2;
    } else if (control.sameRow) {
      rows->addWidget(Make(control.id, box), row - 1, 1);
    } else {
      rows->addWidget(Make(control.id, box), row++, 0);
    }
  }
  return box;
}

QtRegulationView::~QtRegulationView() {
  view_.SetObserver({});
}

QWidget* QtRegulationView::ControlWidget(int id) const {
  auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* QtRegulationView::BuildGroup(int groupId, QWidget* parent) {
  const ui::Control* group = view_.Find(groupId);
  auto* box = new QGroupBox(group ? Q(group->text) : QString(), parent);
  widgets_[groupId] = box;
  auto* rows = new QVBoxLayout(box);
  QHBoxLayout* row = nullptr;
  for (const ui::Control& control : view_.Controls()) {
    if (control.parent != groupId) continue;
    if (!row || !control.sameRow) {
      row = new QHBoxLayout;
      rows->addLayout(row);
    }
    QWidget* widget = Make(control.id, box);
    // Sliders take the row's room; labels of limits keep to their ends.
    row->addWidget(
        widget,
        control.kind == ui::ControlKind::Slider || control.kind == ui::ControlKind::Edit ? 1 : 0);
  }
  return box;
}

QWidget* QtRegulationView::Make(int id, QWidget* parent) {
  const ui::Control* control = view_.Find(id);
  QWidget* widget = nullptr;
  switch (control ? control->kind : ui::ControlKind::Label) {
    case ui::ControlKind::Lamp: {
      auto* lamp = new QLabel(parent);
      lamp->setFixedSize(18, 18);
      widget = lamp;
      break;
    }
    case ui::ControlKind::Edit: {
      auto* edit = new QLineEdit(parent);
      connect(edit, &QLineEdit::textEdited, this,
              [this, id](const QString& text) { view_.UserSetText(id, text.toStdString()); });
      connect(edit, &QLineEdit::returnPressed, this,
              [this, id] { view_.UserEvent(id, ui::EventKind::Enter); });
      edit->installEventFilter(this);
      widget = edit;
      break;
    }
    case ui::ControlKind::Slider: {
      auto* slider = new QSlider(Qt::Horizontal, parent);
      // The end of a drag, or a step by keyboard or page click, is what the model takes.
      connect(slider, &QSlider::sliderReleased, this,
              [this, id, slider] { view_.UserSetValue(id, slider->value()); });
      connect(slider, &QSlider::valueChanged, this, [this, id, slider](int value) {
        if (!syncing_ && !slider->isSliderDown()) view_.UserSetValue(id, value);
      });
      slider->setPageStep(10);
      widget = slider;
      break;
    }
    case ui::ControlKind::CheckBox: {
      auto* box = new QCheckBox(Q(control->text), parent);
      connect(box, &QCheckBox::clicked, this,
              [this, id](bool checked) { view_.UserSetValue(id, checked ? 1 : 0); });
      widget = box;
      break;
    }
    case ui::ControlKind::Radio: {
      auto* radio = new QRadioButton(Q(control->text), parent);
      // The model decides which radio of a group is on.
      radio->setAutoExclusive(false);
      connect(radio, &QRadioButton::clicked, this, [this, id] { view_.UserSetValue(id, 1); });
      widget = radio;
      break;
    }
    case ui::ControlKind::Button: {
      auto* button = new QPushButton(parent);
      connect(button, &QPushButton::clicked, this, [this, id] { view_.Press(id); });
      if (id == View::kIdEnable || id == View::kIdStop) button->setCursor(Qt::PointingHandCursor);
      widget = button;
      break;
    }
    default:
      widget = new QLabel(parent);
      break;
  }
  widgets_[id] = widget;
  return widget;
}

bool QtRegulationView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // A message box or menu taking the window's focus is no leaving of the edit: the Enter that
    // opened the box would otherwise write (and complain) a second time.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
      return QWidget::eventFilter(watched, event);
    for (const auto& [id, widget] : widgets_)
      if (widget == watched) view_.UserEvent(id, ui::EventKind::FocusLost);
  }
  return QWidget::eventFilter(watched, event);
}

void QtRegulationView::SyncAll() {
  for (const auto& entry : widgets_) Sync(entry.first);
}

void QtRegulationView::Sync(int id) {
  if (id == 0) {
    SyncAll();
    return;
  }
  if (id == View::kIdTrend) {
    if (trend_) trend_->update();
    return;
  }
  const ui::Control* control = view_.Find(id);
  QWidget* widget = ControlWidget(id);
  if (!control || !widget) return;
  syncing_ = true;
  widget->setEnabled(control->enabled);
  widget->setVisible(control->visible);
  switch (control->kind) {
    case ui::ControlKind::Lamp:
      widget->setStyleSheet(LampStyle(control->value != 0));
      break;
    case ui::ControlKind::Edit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      if (edit->text() != Q(control->text)) edit->setText(Q(control->text));
      break;
    }
    case ui::ControlKind::Slider: {
      auto* slider = static_cast<QSlider*>(widget);
      slider->setRange(control->minimum, control->maximum);
      // While the user drags, the monitor's values do not move the knob.
      if (!slider->isSliderDown()) slider->setValue(control->value);
      break;
    }
    case ui::ControlKind::CheckBox:
    case ui::ControlKind::Radio:
      static_cast<QAbstractButton*>(widget)->setChecked(control->value != 0);
      break;
    case ui::ControlKind::Button:
      static_cast<QPushButton*>(widget)->setText(Q(control->text));
      break;
    case ui::ControlKind::Group:
      static_cast<QGroupBox*>(widget)->setTitle(Q(control->text));
      break;
    default:
      static_cast<QLabel*>(widget)->setText(Q(control->text));
      break;
  }
  syncing_ = false;
}

}  // namespace zel::gui
