#include "gui/QtRegulationView.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <vector>

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

QString LampStyle(int state) {
  const char* colour = state == View::kLampBusy ? "#E0A000" : state != 0 ? "#00C000" : "#C00000";
  return QStringLiteral("background: %1; border-radius: 9px;").arg(QLatin1String(colour));
}

// A push button as narrow as its text: the five step buttons share one row with the edit.
void Narrow(QWidget* button) {
  button->setMinimumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("+10")) + 16);
  button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

// Values that are no longer live are drawn in the colour the model gives them; only the text
// roles are set, so the rest (and the disabled look) stays inherited.
void SyncColour(QWidget& widget, std::uint32_t colour) {
  if (colour == ui::kDefaultColour) {
    if (widget.testAttribute(Qt::WA_SetPalette)) widget.setPalette(QPalette());
    return;
  }
  const QColor text((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
  if (widget.testAttribute(Qt::WA_SetPalette) &&
      widget.palette().color(QPalette::Active, QPalette::WindowText) == text)
    return;
  QPalette palette;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      palette.setColor(group, role, text);
  widget.setPalette(palette);
}

QGroupBox* Group(const ui::Control* control, QWidget* parent) {
  return new QGroupBox(control ? Q(control->text) : QString(), parent);
}

}  // namespace

QtRegulationView::QtRegulationView(views::CRegulationView& view, QWidget* parent)
    : QWidget(parent), view_(view) {
  // At the main window's own size everything fits without scrolling: the caption on top; the
  // set value, and the actual value with the enable and stop buttons, below it; then the limits
  // and the sources as two pages beside the trend, which takes what is left and grows with the
  // window.
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(4);

  auto* caption = new QHBoxLayout;
  caption->addWidget(Make(View::kIdStateLamp, this));
  QWidget* state = Make(View::kIdState, this);
  Enlarge(state, 18, true);
  // The caption takes the row's room, and no more: a long one never widens the view.
  state->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  state->setMinimumHeight(state->sizeHint().height());
  caption->addWidget(state, 1);
  grid->addLayout(caption, 0, 0, 1, 2);

  auto* values = new QHBoxLayout;
  values->addWidget(BuildSetValue(this));
  values->addWidget(BuildActual(this), 1);
  grid->addLayout(values, 1, 0, 1, 2);

  pages_ = new QTabWidget(this);
  pages_->setObjectName("RegulationPages");
  const ui::Control* limits = view_.Find(View::kIdLimitsGroup);
  pages_->addTab(BuildLimits(pages_), limits ? Q(limits->text) : QString());
  const ui::Control* sources = view_.Find(View::kIdSourcesGroup);
  pages_->addTab(BuildSources(pages_), sources ? Q(sources->text) : QString());
  pages_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
  grid->addWidget(pages_, 2, 0, Qt::AlignTop);

  if (ui::PlotSource* source = view_.PlotFor(View::kIdTrend)) {
    trend_ = new QtPlotWidget(*source, this);
    trend_->setMinimumSize(160, 100);
    widgets_[View::kIdTrend] = trend_;
    auto* trendColumn = new QVBoxLayout;
    trendColumn->setSpacing(0);
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
  }
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);
  view_.SetObserver([this](int id) { Sync(id); });
  SyncAll();
}

QWidget* QtRegulationView::BuildSetValue(QWidget* parent) {
  auto* box = Group(view_.Find(View::kIdSetValueGroup), parent);
  widgets_[View::kIdSetValueGroup] = box;
  auto* rows = new QGridLayout(box);
  rows->setVerticalSpacing(2);
  // The value and its steps on one line, the slider between its two ends below.
  QWidget* edit = Make(View::kIdSetValue, box);
  Enlarge(edit, 18, true);
  KeepRoomForWord(edit);
  auto* steps = new QHBoxLayout;
  steps->setSpacing(2);
  steps->addWidget(edit, 1);
  for (int id :
       {View::kIdMinus10, View::kIdMinus1, View::kIdZero, View::kIdPlus1, View::kIdPlus10}) {
    QWidget* button = Make(id, box);
    Narrow(button);
    steps->addWidget(button);
  }
  rows->addLayout(steps, 0, 0, 1, 3);
  rows->addWidget(Make(View::kIdSetMin, box), 1, 0);
  rows->addWidget(Make(View::kIdSetSlider, box), 1, 1);
  rows->addWidget(Make(View::kIdSetMax, box), 1, 2);
  rows->setColumnStretch(1, 1);
  return box;
}

QWidget* QtRegulationView::BuildLimits(QWidget* parent) {
  auto* page = new QWidget(parent);
  widgets_[View::kIdLimitsGroup] = page;
  auto* blocks = new QGridLayout(page);
  blocks->setContentsMargins(6, 4, 6, 4);
  blocks->setHorizontalSpacing(12);
  blocks->setVerticalSpacing(4);
  // Two settings a line, each a small block: its name and value, and below them its range
  // around the slider, so neither end's label is ever cut.
  const auto& settings = view_.Settings();
  for (std::size_t k = 0; k < settings.size(); ++k) {
    const View::Setting& s = settings[k];
    auto* block = new QGridLayout;
    block->setHorizontalSpacing(4);
    block->setVerticalSpacing(0);
    block->addWidget(Make(s.nameLabelId, page), 0, 0, 1, 2);
    QWidget* edit = Make(s.editId, page);
    KeepRoomForWord(edit);
    // No wider than a value needs: the room goes to the trend.
    edit->setMaximumWidth(edit->minimumWidth());
    block->addWidget(edit, 0, 2);
    block->addWidget(Make(s.minLabelId, page), 1, 0);
    QWidget* slider = Make(s.sliderId, page);
    slider->setMinimumWidth(30);
    block->addWidget(slider, 1, 1);
    block->addWidget(Make(s.maxLabelId, page), 1, 2);
    block->setColumnStretch(1, 1);
    blocks->addLayout(block, static_cast<int>(k / 2), static_cast<int>(k % 2));
  }
  blocks->setRowStretch(static_cast<int>((settings.size() + 1) / 2), 1);
  return page;
}

QWidget* QtRegulationView::BuildSources(QWidget* parent) {
  auto* page = new QWidget(parent);
  widgets_[View::kIdSourcesGroup] = page;
  auto* rows = new QGridLayout(page);
  rows->setContentsMargins(6, 4, 6, 4);
  rows->setVerticalSpacing(0);
  // The input and potentiometer boxes, the hint, the monitor signal and the regulation mode,
  // down two columns.
  std::vector<int> ids;
  for (const ui::Control& control : view_.Controls())
    if (control.parent == View::kIdSourcesGroup || control.parent == View::kIdModeGroup)
      ids.push_back(control.id);
  const int perColumn = static_cast<int>((ids.size() + 1) / 2);
  for (std::size_t k = 0; k < ids.size(); ++k)
    rows->addWidget(Make(ids[k], page), static_cast<int>(k) % perColumn,
                    static_cast<int>(k) / perColumn);
  rows->setRowStretch(perColumn, 1);
  return page;
}

QtRegulationView::~QtRegulationView() {
  view_.SetObserver({});
}

QWidget* QtRegulationView::ControlWidget(int id) const {
  auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* QtRegulationView::BuildActual(QWidget* parent) {
  auto* box = Group(view_.Find(View::kIdActualGroup), parent);
  widgets_[View::kIdActualGroup] = box;
  // What the drive does: the actual value large, and beside it whether it is enabled and
  // stopped.
  auto* row = new QHBoxLayout(box);
  QWidget* actual = Make(View::kIdActual, box);
  Enlarge(actual, 26, true);
  row->addWidget(actual, 1);
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(2);
  for (int id : {View::kIdEnable, View::kIdStop}) {
    if (!view_.Find(id)) continue;
    QWidget* button = Make(id, box);
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("Not Stopped")) +
                            24);
    buttons->addWidget(button);
  }
  row->addLayout(buttons);
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
  // The two pages are shown by their tabs.
  if (id != View::kIdLimitsGroup && id != View::kIdSourcesGroup)
    widget->setVisible(control->visible);
  SyncColour(*widget, control->colour);
  switch (control->kind) {
    case ui::ControlKind::Lamp:
      widget->setStyleSheet(LampStyle(control->value));
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
      if (auto* box = qobject_cast<QGroupBox*>(widget))
        box->setTitle(Q(control->text));
      else if (int page = pages_ ? pages_->indexOf(widget) : -1; page >= 0)
        pages_->setTabText(page, Q(control->text));
      break;
    default:
      static_cast<QLabel*>(widget)->setText(Q(control->text));
      break;
  }
  syncing_ = false;
}

}  // namespace zel::gui
