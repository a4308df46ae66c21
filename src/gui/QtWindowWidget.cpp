#include "gui/QtWindowWidget.h"

#include "gui/EditWidth.h"
#include "gui/QtPlotWidget.h"

#include <algorithm>
#include <set>

#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/PropertySheet.h"

namespace zel::gui {

namespace {

QIcon RowMarkIcon(const QWidget* list, ui::RowMark mark) {
  switch (mark) {
    case ui::RowMark::kSuccess:
      return list->style()->standardIcon(QStyle::SP_DialogApplyButton, nullptr, list);
    case ui::RowMark::kFailure:
      return list->style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, list);
    case ui::RowMark::kNone:
      break;
  }
  return {};
}

// A list whose rows a window lets the user drag out in its clipboard format, or that takes drops
// of one. The window decides what a drag carries and what a drop means; this only carries it.
class DragDropList final : public QTreeWidget {
 public:
  DragDropList(ui::Window& window, int id, QWidget* parent)
      : QTreeWidget(parent), window_(window), id_(id) {
    const ui::Control* control = window.Find(id);
    dragFormat_ = control ? QString::fromStdString(control->dragFormat) : QString();
    dropFormat_ = control ? QString::fromStdString(control->dropFormat) : QString();
    if (!dragFormat_.isEmpty()) {
      setDragEnabled(true);
      setDragDropMode(dropFormat_.isEmpty() ? QAbstractItemView::DragOnly
                                            : QAbstractItemView::DragDrop);
    }
    if (!dropFormat_.isEmpty()) {
      setAcceptDrops(true);
      viewport()->setAcceptDrops(true);
      if (dragFormat_.isEmpty()) setDragDropMode(QAbstractItemView::DropOnly);
    }
  }

 protected:
  void startDrag(Qt::DropActions) override {
    auto items = selectedItems();
    if (items.isEmpty() || dragFormat_.isEmpty()) return;
    const std::vector<std::uint8_t> data =
        window_.DragData(id_, indexOfTopLevelItem(items.front()));
    if (data.empty()) return;
    auto* mime = new QMimeData;
    mime->setData(dragFormat_, QByteArray(reinterpret_cast<const char*>(data.data()),
                                          static_cast<qsizetype>(data.size())));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction);
  }
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (!dropFormat_.isEmpty() && event->mimeData()->hasFormat(dropFormat_))
      event->acceptProposedAction();
    else
      event->ignore();
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    if (!dropFormat_.isEmpty() && event->mimeData()->hasFormat(dropFormat_))
      event->acceptProposedAction();
    else
      event->ignore();
  }
  void dropEvent(QDropEvent* event) override {
    if (dropFormat_.isEmpty() || !event->mimeData()->hasFormat(dropFormat_)) {
      event->ignore();
      return;
    }
    const QByteArray bytes = event->mimeData()->data(dropFormat_);
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    const int row = item ? indexOfTopLevelItem(item) : -1;
    event->acceptProposedAction();
    window_.UserDrop(id_, row, dropFormat_.toStdString(),
                     std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }

 private:
  ui::Window& window_;
  int id_;
  QString dragFormat_;
  QString dropFormat_;
};

}  // namespace

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Captions keep the resource form, where "&&" stands for one ampersand; a title bar shows text
// as it is.
QString TitleText(const std::string& caption) {
  return Q(caption).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void ApplyColour(QWidget* widget, std::uint32_t colour) {
  if (colour == ui::kDefaultColour) {
    widget->setStyleSheet(QString());
    return;
  }
  widget->setStyleSheet(QStringLiteral("color: #%1;").arg(colour & 0xFFFFFF, 6, 16, QChar('0')));
}

}  // namespace

QtWindowWidget::QtWindowWidget(ui::Window& window, QWidget* parent)
    : QWidget(parent), window_(window) {
  root_ = new QVBoxLayout(this);
  window_.SetObserver([this](int id) { OnChanged(id); });
  Build();
}

QtWindowWidget::~QtWindowWidget() {
  Detach();
}

void QtWindowWidget::Detach() {
  for (QtWindowWidget* page : pageWidgets_) page->Detach();
  if (detached_) return;
  detached_ = true;
  window_.SetObserver({});
}

void QtWindowWidget::Clear() {
  built_.clear();
  widgets_.clear();
  containers_.clear();
  lastRow_.clear();
  for (QtWindowWidget* page : pageWidgets_) page->Detach();
  pageWidgets_.clear();
  pageArea_ = nullptr;
  shownOnce_ = false;
  if (body_) {
    root_->removeWidget(body_);
    body_->deleteLater();
    body_ = nullptr;
  }
}

QBoxLayout* QtWindowWidget::LayoutFor(const ui::Control& control) {
  auto key = std::make_pair(control.parent, control.parentPage);
  auto container = containers_.find(key);
  QBoxLayout* column = container != containers_.end() ? container->second : containers_[{0, 0}];
  if (control.sameRow && lastRow_.count(key)) return lastRow_[key];
  auto* row = new QHBoxLayout;
  column->addLayout(row);
  lastRow_[key] = row;
  return row;
}

void QtWindowWidget::Build() {
  Clear();
  body_ = new QWidget(this);
  auto* column = new QVBoxLayout(body_);
  column->setContentsMargins(0, 0, 0, 0);
  containers_[{0, 0}] = column;
  auto* sheet = dynamic_cast<ui::PropertySheet*>(&window_);
  if (sheet && sheet->IsWizard()) {
    pageArea_ = new QStackedWidget(body_);
    column->addWidget(pageArea_, 1);
  }
  // The caption (a label without id: its text never changes) that starts each row, and per
  // container the captions that lead a row of fields.
  std::map<QBoxLayout*, QWidget*> rowCaption;
  std::map<std::pair<int, int>, std::set<QWidget*>> captions;
  for (const ui::Control& control : window_.Controls()) {
    QWidget* widget = Create(control);
    widget->setObjectName(QStringLiteral("ctl%1").arg(control.id));
    QBoxLayout* row = LayoutFor(control);
    const auto key = std::make_pair(control.parent, control.parentPage);
    if (row->count() == 0) {
      const bool caption = control.kind == ui::ControlKind::Label && control.id == 0;
      rowCaption[row] = caption ? widget : nullptr;
    } else if (QWidget* caption = rowCaption[row]) {
      captions[key].insert(caption);
    }
    row->addWidget(widget);
    built_.push_back(widget);
    if (control.id != 0) widgets_.emplace(control.id, widget);
    Update(control, widget);
    // A sheet's page sits between its tab strip and its buttons.
    if (sheet && !sheet->IsWizard() && control.kind == ui::ControlKind::Tab) {
      pageArea_ = new QStackedWidget(body_);
      column->addWidget(pageArea_, 1);
    }
  }
  // A caption that leads a row of fields gets the width of the widest such caption beside it,
  // so the fields of one group line up in a column as on a dialog template.
  for (const auto& [key, labels] : captions) {
    int width = 0;
    for (QWidget* label : labels) width = std::max(width, label->sizeHint().width());
    for (QWidget* label : labels) label->setFixedWidth(width);
  }
  LinkMnemonicLabels();
  if (sheet) BuildPages(*sheet);
  root_->addWidget(body_);
  builtCount_ = window_.Controls().size();
  setWindowTitle(TitleText(window_.Title()));
  UpdateDefaultButton();
  UpdatePage();
}

void QtWindowWidget::BuildPages(ui::PropertySheet& sheet) {
  if (!pageArea_) return;
  for (int i = 0; i < sheet.PageCount(); ++i) {
    auto* page = new QtWindowWidget(sheet.Page(i), pageArea_);
    pageArea_->addWidget(page);
    pageWidgets_.push_back(page);
  }
}

void QtWindowWidget::LinkMnemonicLabels() {
  // A label's text keeps the resource form: "&&" is one ampersand and "&x" marks x as the key
  // that moves to the control after the label. Qt reads that form only from a label with a
  // buddy; without one it would show "&&" as it stands.
  for (std::size_t i = 0; i < built_.size(); ++i) {
    auto* label = qobject_cast<QLabel*>(built_[i]);
    if (!label || !label->text().contains(QLatin1Char('&'))) continue;
    QWidget* buddy = nullptr;
    for (std::size_t next = i + 1; next < built_.size() && !buddy; ++next)
      if (built_[next]->focusPolicy() != Qt::NoFocus) buddy = built_[next];
    label->setBuddy(buddy ? buddy : body_);
  }
}

QPushButton* QtWindowWidget::OnwardButton() const {
  // Enter goes on: Next in a wizard, Finish where Next is not offered, OK in a dialog.
  auto* sheet = dynamic_cast<ui::PropertySheet*>(&window_);
  int id = ui::kIdOk;
  if (sheet && sheet->IsWizard()) {
    const ui::Control* next = window_.Find(ui::kIdNext);
    id = next && next->visible ? ui::kIdNext : ui::kIdFinish;
  }
  auto found = widgets_.find(id);
  return found != widgets_.end() ? qobject_cast<QPushButton*>(found->second) : nullptr;
}

void QtWindowWidget::UpdateDefaultButton() {
  // Without an explicit default the dialog would take its first button, a wizard's "< Back".
  if (QPushButton* button = OnwardButton(); button && !button->isDefault())
    button->setDefault(true);
}

QWidget* QtWindowWidget::Create(const ui::Control& control) {
  const int id = control.id;
  switch (control.kind) {
    case ui::ControlKind::Plot:
      if (ui::PlotSource* source = window_.PlotFor(id)) return new QtPlotWidget(*source, body_);
      return new QLabel(body_);
    case ui::ControlKind::Label:
    case ui::ControlKind::Picture:
      return new QLabel(body_);
    case ui::ControlKind::Lamp: {
      auto* lamp = new QLabel(body_);
      lamp->setFixedSize(16, 16);
      return lamp;
    }
    case ui::ControlKind::Edit: {
      auto* edit = new QLineEdit(body_);
      connect(edit, &QLineEdit::textEdited, this,
              [this, id](const QString& text) { window_.UserSetText(id, text.toStdString()); });
      connect(edit, &QLineEdit::returnPressed, this,
              [this, id] { window_.UserEvent(id, ui::EventKind::Enter); });
      connect(edit, &QLineEdit::editingFinished, this,
              [this, id] { window_.UserEvent(id, ui::EventKind::FocusLost); });
      KeepRoomForWord(edit);
      edit->installEventFilter(this);
      return edit;
    }
    case ui::ControlKind::Combo: {
      auto* combo = new QComboBox(body_);
      connect(combo, &QComboBox::activated, this,
              [this, id](int index) { window_.UserSelect(id, index); });
      return combo;
    }
    case ui::ControlKind::List: {
      const ui::Control* listControl = window_.Find(id);
      QTreeWidget* list =
          listControl && (!listControl->dragFormat.empty() || !listControl->dropFormat.empty())
              ? new DragDropList(window_, id, body_)
              : new QTreeWidget(body_);
      list->setRootIsDecorated(false);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      connect(list, &QTreeWidget::itemSelectionChanged, this, [this, id, list] {
        if (updating_) return;
        auto items = list->selectedItems();
        window_.UserSelect(id, items.isEmpty() ? -1 : list->indexOfTopLevelItem(items.front()));
      });
      connect(list, &QTreeWidget::itemDoubleClicked, this, [this, id](QTreeWidgetItem*, int) {
        window_.UserEvent(id, ui::EventKind::DoubleClick);
      });
      list->viewport()->installEventFilter(this);
      list->viewport()->setProperty("zelControl", id);
      return list;
    }
    case ui::ControlKind::Radio: {
      auto* radio = new QRadioButton(body_);
      radio->setAutoExclusive(false);  // the window keeps its groups exclusive
      connect(radio, &QRadioButton::clicked, this, [this, id, radio] {
        window_.UserSetValue(id, 1);
        // A click on the checked radio unchecks a non-exclusive button, and the window, which
        // sees no change, says nothing; so the button always shows what the window holds.
        QSignalBlocker block(radio);
        radio->setChecked(window_.Value(id) != 0);
      });
      return radio;
    }
    case ui::ControlKind::CheckBox: {
      auto* check = new QCheckBox(body_);
      connect(check, &QCheckBox::clicked, this,
              [this, id](bool checked) { window_.UserSetValue(id, checked ? 1 : 0); });
      return check;
    }
    case ui::ControlKind::Button: {
      auto* button = new QPushButton(body_);
      connect(button, &QPushButton::clicked, this, [this, id] { window_.Press(id); });
      return button;
    }
    case ui::ControlKind::Slider: {
      auto* slider = new QSlider(Qt::Horizontal, body_);
      connect(slider, &QSlider::valueChanged, this, [this, id](int value) {
        if (!updating_) window_.UserSetValue(id, value);
      });
      return slider;
    }
    case ui::ControlKind::ProgressBar:
      return new QProgressBar(body_);
    case ui::ControlKind::Group: {
      auto* group = new QGroupBox(body_);
      auto* inner = new QVBoxLayout(group);
      containers_[{id, 0}] = inner;
      return group;
    }
    case ui::ControlKind::Tab: {
      auto* tabs = new QTabWidget(body_);
      for (std::size_t page = 0; page < control.items.size(); ++page) {
        auto* pageWidget = new QWidget(tabs);
        auto* inner = new QVBoxLayout(pageWidget);
        inner->addStretch();
        containers_[{id, static_cast<int>(page)}] = inner;
        tabs->addTab(pageWidget, Q(control.items[page]));
      }
      connect(tabs, &QTabWidget::currentChanged, this, [this, id](int index) {
        if (!updating_) window_.UserSelect(id, index);
      });
      return tabs;
    }
  }
  return new QWidget(body_);
}

void QtWindowWidget::Update(const ui::Control& control, QWidget* widget) {
  updating_ = true;
  QSignalBlocker block(widget);
  widget->setVisible(control.visible);
  widget->setEnabled(control.enabled);
  switch (control.kind) {
    case ui::ControlKind::Plot:
      if (auto* plot = qobject_cast<QtPlotWidget*>(widget)) {
        plot->update();
        break;
      }
      [[fallthrough]];
    case ui::ControlKind::Label:
    case ui::ControlKind::Picture:
      static_cast<QLabel*>(widget)->setText(Q(control.text));
      ApplyColour(widget, control.colour);
      break;
    case ui::ControlKind::Lamp: {
      std::uint32_t colour = control.colour != ui::kDefaultColour ? control.colour
                             : control.value                      ? 0x00C000u
                                                                  : 0x808080u;
      widget->setStyleSheet(QStringLiteral("background: #%1; border-radius: 8px;")
                                .arg(colour & 0xFFFFFF, 6, 16, QChar('0')));
      break;
    }
    case ui::ControlKind::Edit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      if (edit->text() != Q(control.text)) edit->setText(Q(control.text));
      edit->setEchoMode(control.password ? QLineEdit::Password : QLineEdit::Normal);
      edit->setReadOnly(control.readOnly);
      if (control.readOnly) FitReadOnlyText(edit);
      // A sheet's page that is not shown keeps its widgets; it must not take the focus.
      const bool pageHidden = window()->isVisible() && !isVisible();
      if (window_.FocusId() == control.id && !pageHidden) edit->setFocus();
      break;
    }
    case ui::ControlKind::Combo: {
      auto* combo = static_cast<QComboBox*>(widget);
      QStringList items;
      for (const auto& item : control.items) items << Q(item);
      QStringList shown;
      for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
      if (shown != items) {
        combo->clear();
        combo->addItems(items);
      }
      combo->setCurrentIndex(control.selection);
      break;
    }
    case ui::ControlKind::List: {
      auto* list = static_cast<QTreeWidget*>(widget);
      QStringList headers;
      for (const auto& column : control.items) headers << Q(column);
      list->setColumnCount(std::max<int>(1, static_cast<int>(headers.size())));
      list->setHeaderLabels(headers);
      list->setHeaderHidden(headers.size() <= 1 &&
                            (headers.isEmpty() || headers.front().isEmpty()));
      bool same = list->topLevelItemCount() == static_cast<int>(control.rows.size());
      for (int r = 0; same && r < list->topLevelItemCount(); ++r)
        for (std::size_t c = 0; same && c < control.rows[static_cast<std::size_t>(r)].size(); ++c)
          same = list->topLevelItem(r)->text(static_cast<int>(c)) ==
                 Q(control.rows[static_cast<std::size_t>(r)][c]);
      if (!same) {
        list->clear();
        for (const auto& row : control.rows) {
          QStringList cells;
          for (const auto& cell : row) cells << Q(cell);
          list->addTopLevelItem(new QTreeWidgetItem(cells));
        }
      }
      for (int r = 0; r < list->topLevelItemCount(); ++r) {
        const auto row = static_cast<std::size_t>(r);
        QTreeWidgetItem* item = list->topLevelItem(r);
        item->setIcon(0, RowMarkIcon(list, row < control.rowMarks.size() ? control.rowMarks[row]
                                                                         : ui::RowMark::kNone));
        const std::uint32_t colour =
            row < control.rowColours.size() ? control.rowColours[row] : ui::kDefaultColour;
        for (int c = 0; c < item->columnCount(); ++c)
          item->setForeground(c, colour == ui::kDefaultColour
                                     ? list->palette().brush(QPalette::Text)
                                     : QBrush(QColor::fromRgb(colour & 0xFFFFFF)));
      }
      if (!control.columnShares.empty())
        list->setMinimumWidth(SharedListMinimumWidth(list, control));
      ShareColumns(list, control.columnShares);
      list->clearSelection();
      if (control.selection >= 0 && control.selection < list->topLevelItemCount())
        list->topLevelItem(control.selection)->setSelected(true);
      break;
    }
    case ui::ControlKind::Radio:
      static_cast<QRadioButton*>(widget)->setText(Q(control.text));
      static_cast<QRadioButton*>(widget)->setChecked(control.value != 0);
      break;
    case ui::ControlKind::CheckBox:
      static_cast<QCheckBox*>(widget)->setText(Q(control.text));
      static_cast<QCheckBox*>(widget)->setChecked(control.value != 0);
      break;
    case ui::ControlKind::Button:
      static_cast<QPushButton*>(widget)->setText(Q(control.text));
      break;
    case ui::ControlKind::Slider: {
      auto* slider = static_cast<QSlider*>(widget);
      slider->setRange(control.minimum, control.maximum);
      slider->setValue(control.value);
      // QSlider spaces its ticks evenly; a tick at every step covers any marked positions.
      slider->setTickPosition(control.ticks.empty() ? QSlider::NoTicks : QSlider::TicksBelow);
      slider->setTickInterval(1);
      break;
    }
    case ui::ControlKind::ProgressBar: {
      auto* progress = static_cast<QProgressBar*>(widget);
      progress->setRange(control.minimum, control.maximum);
      progress->setValue(control.value);
      break;
    }
    case ui::ControlKind::Group:
      static_cast<QGroupBox*>(widget)->setTitle(Q(control.text));
      break;
    case ui::ControlKind::Tab: {
      auto* tabs = static_cast<QTabWidget*>(widget);
      if (control.selection >= 0) tabs->setCurrentIndex(control.selection);
      break;
    }
  }
  updating_ = false;
}

void QtWindowWidget::UpdatePage() {
  auto* sheet = dynamic_cast<ui::PropertySheet*>(&window_);
  if (!sheet || !pageArea_) return;
  const int active = sheet->ActiveIndex();
  if (active < 0 || active >= static_cast<int>(pageWidgets_.size())) return;
  QtWindowWidget* page = pageWidgets_[static_cast<std::size_t>(active)];
  if (pageArea_->currentWidget() == page && shownOnce_) return;
  shownOnce_ = true;
  // The focus left on a page that is no longer shown, or on a button the new page disabled,
  // falls to the next button in the chain, and Enter would press it ("< Back", or Cancel). A
  // focused push button takes Enter, so the focus goes to the new page's first control that is
  // not one, else to the button that goes on, else (a page that waits for its one button, a
  // confirmation) to that button. Only the button that goes on keeps it.
  pageArea_->setCurrentWidget(page);
  QPushButton* onward = OnwardButton();
  if (onward && onward->hasFocus() && onward->isEnabled() && onward->isVisible()) return;
  QWidget* firstButton = nullptr;
  for (QWidget* w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain()) {
    if (!page->isAncestorOf(w) || !w->isEnabled() || !w->isVisibleTo(page) ||
        !(w->focusPolicy() & Qt::TabFocus))
      continue;
    if (!qobject_cast<QPushButton*>(w)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
    if (!firstButton) firstButton = w;
  }
  if (onward && onward->isEnabled() && onward->isVisibleTo(this)) {
    onward->setFocus(Qt::TabFocusReason);
    return;
  }
  if (firstButton) firstButton->setFocus(Qt::TabFocusReason);
}

void QtWindowWidget::FitReadOnlyText(QLineEdit* edit) {
  // A field the user cannot scroll by typing shows its whole text, from its start, up to most
  // of the screen's width: cut to its tail it reads as another value.
  const QMargins text = edit->textMargins();
  const QMargins contents = edit->contentsMargins();
  const int horizontalMargin = 2;  // QLineEdit's own, each side
  int width = edit->fontMetrics().horizontalAdvance(edit->text()) + 2 * horizontalMargin +
              text.left() + text.right() + contents.left() + contents.right() + 1;
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
  width = edit->style()
              ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, edit->height()), edit)
              .width();
  if (const QScreen* screen = edit->screen())
    width = std::min(width, screen->availableGeometry().width() * 3 / 4);
  KeepRoomForWord(edit);
  edit->setMinimumWidth(std::max(edit->minimumWidth(), width));
  edit->setCursorPosition(0);
}

void QtWindowWidget::OnChanged(int id) {
  if (detached_) return;
  if (id == -1) {
    if (ended_) ended_(window_.Result());
    return;
  }
  if (id == 0) {
    if (window_.Controls().size() != builtCount_) {
      Build();
    } else {
      setWindowTitle(TitleText(window_.Title()));
      std::size_t index = 0;
      for (const ui::Control& control : window_.Controls()) Update(control, built_[index++]);
      UpdatePage();
    }
    UpdateDefaultButton();
    return;
  }
  auto widget = widgets_.find(id);
  const ui::Control* control = window_.Find(id);
  if (control && widget != widgets_.end()) Update(*control, widget->second);
  if (id == ui::kIdNext || id == ui::kIdFinish) UpdateDefaultButton();
}

void QtWindowWidget::ShareColumns(QTreeWidget* list, const std::vector<int>& shares) {
  int total = 0;
  for (int share : shares) total += std::max(share, 0);
  if (total == 0) return;
  const int width = list->viewport()->width();
  for (std::size_t c = 0; c < shares.size(); ++c)
    list->setColumnWidth(static_cast<int>(c), width * std::max(shares[c], 0) / total);
}

int QtWindowWidget::SharedListMinimumWidth(QTreeWidget* list, const ui::Control& control) {
  const std::vector<int>& shares = control.columnShares;
  int total = 0;
  for (int share : shares) total += std::max(share, 0);
  if (total == 0) return 0;
  // Every column's share must hold its caption, and its cells as the item view lays them out
  // (a text margin each side). The last column takes what is left over; it holds long texts
  // such as paths, which may be cut short rather than widen the window without bound.
  QStyle* style = list->style();
  const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
  const QFontMetrics cells(list->font());
  int viewport = 0;
  for (std::size_t c = 0; c < shares.size(); ++c) {
    if (shares[c] <= 0) continue;
    int need = list->header()->sectionSizeHint(static_cast<int>(c));
    if (c + 1 < shares.size())
      for (const auto& row : control.rows)
        if (c < row.size())
          need = std::max(need, cells.horizontalAdvance(Q(row[c])) + 2 * textMargin);
    viewport = std::max(viewport, (need * total + shares[c] - 1) / shares[c]);
  }
  // Room for a vertical scroll bar too, so the columns keep their width once rows overflow.
  return viewport + 2 * list->frameWidth() +
         style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
}

bool QtWindowWidget::eventFilter(QObject* watched, QEvent* event) {
  // An edit reached by the keyboard, or given the focus when its dialog opens or refuses a
  // value, has its text selected, so that typing replaces it ("127" and 3 make 3, not 1273).
  // A click places the cursor as usual, and coming back to the window keeps the selection.
  if (event->type() == QEvent::FocusIn) {
    if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && !edit->isReadOnly()) {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      const bool first = !edit->property("zelFocused").toBool();
      edit->setProperty("zelFocused", true);
      if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason &&
          (reason != Qt::ActiveWindowFocusReason || first))
        edit->selectAll();
    }
  }
  // Shared column widths follow the list when the window is resized.
  if (event->type() == QEvent::Resize && !detached_) {
    QVariant id = watched->property("zelControl");
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* list = viewport ? qobject_cast<QTreeWidget*>(viewport->parentWidget()) : nullptr;
    const ui::Control* control = id.isValid() && list ? window_.Find(id.toInt()) : nullptr;
    if (control != nullptr) ShareColumns(list, control->columnShares);
  }
  // A double click on empty list space still reaches the window, with nothing selected.
  if (event->type() == QEvent::MouseButtonDblClick) {
    QVariant id = watched->property("zelControl");
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* list = viewport ? qobject_cast<QTreeWidget*>(viewport->parentWidget()) : nullptr;
    if (id.isValid() && list) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!list->itemAt(mouse->position().toPoint())) {
        window_.UserSelect(id.toInt(), -1);
        window_.UserEvent(id.toInt(), ui::EventKind::DoubleClick);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zel::gui
