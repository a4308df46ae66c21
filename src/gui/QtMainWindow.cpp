#include "gui/QtMainWindow.h"

#include <algorithm>

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/CMainFrame.h"
#include "app/MainPaneLayout.h"
#include "app/MenuCommandTable.h"
#include "gui/QtRegulationView.h"
#include "gui/QtWindowWidget.h"
#include "link/AdapterLatency.h"
#include "monitor/CStatusView.h"

namespace zel::gui {

namespace {

using app::CMainFrame;
using app::MainPaneLayout;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

struct ToolCommand {
  int id;
  int menuId;  // whose label the button borrows; 0 when it has its own
  const char* text;
};

// The tool bar repeats menu commands under ids of its own.
constexpr ToolCommand kToolCommands[] = {
    {32821, 32771, ""}, {32840, 32836, ""}, {32839, 32837, ""},
    {32822, 32782, ""}, {32823, 32789, ""}, {32830, 32781, ""},
    {32831, 32780, ""}, {32824, 32774, ""}, {32833, 32792, ""},
    {32825, 32786, ""}, {32832, 32788, ""}, {32902, 0, "CAN Configuration and Commands"},
};

QString WithoutMnemonic(std::string label) {
  QString text = Q(label).trimmed();
  text.remove('&');
  return text;
}

}  // namespace

QtMainWindow::QtMainWindow(CMainFrame& frame, QWidget* parent)
    : QMainWindow(parent), frame_(frame) {
  setWindowTitle(CMainFrame::kTitle);
  resize(CMainFrame::kWidth, CMainFrame::kHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(CMainFrame::kWidth / 2, CMainFrame::kHeight / 2));
  }
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BuildPanes();
  ApplyPaneSizes();
  frame_.SetChangeHandler([this] { Sync(); });
  // The status bar follows the monitor the way the framework's idle update would.
  statusTimer_ = new QTimer(this);
  connect(statusTimer_, &QTimer::timeout, this, &QtMainWindow::Sync);
  statusTimer_->start(250);
  Sync();
}

QtMainWindow::~QtMainWindow() {
  frame_.SetChangeHandler({});
}

void QtMainWindow::BuildMenus() {
  std::map<QString, QMenu*> menus;
  for (const app::MenuCommand& command : app::MenuCommandTable::Commands()) {
    QString path;
    QMenu* menu = nullptr;
    for (const std::string& title : command.menuPath) {
      path += "/" + Q(title);
      auto found = menus.find(path);
      if (found == menus.end()) {
        const QString shown = Q(app::MenuCommandTable::MenuTitle(title));
        QMenu* created = menu ? menu->addMenu(shown) : menuBar()->addMenu(shown);
        found = menus.emplace(path, created).first;
        connect(created, &QMenu::aboutToShow, this, &QtMainWindow::Sync);
      }
      menu = found->second;
    }
    QAction* action = menu->addAction(Q(command.label));
    const int id = command.id;
    menuActions_[id] = action;
    if (const std::string keys = app::MenuCommandTable::Shortcut(id); !keys.empty())
      action->setShortcut(QKeySequence(Q(keys), QKeySequence::PortableText));
    if (id == CMainFrame::kCmdViewToolbar || id == CMainFrame::kCmdViewStatusBar) {
      action->setCheckable(true);
      action->setChecked(true);
      (id == CMainFrame::kCmdViewToolbar ? viewToolbar_ : viewStatusBar_) = action;
      continue;
    }
    connect(action, &QAction::triggered, this, [this, id] {
      frame_.OnCommand(id);
      Sync();
    });
  }
}

void QtMainWindow::BuildToolBar() {
  toolBar_ = addToolBar("Toolbar");
  toolBar_->setMovable(false);
  for (const ToolCommand& tool : kToolCommands) {
    QString text = tool.menuId ? WithoutMnemonic(app::MenuCommandTable::Find(tool.menuId)->label)
                               : QString(tool.text);
    QAction* action = toolBar_->addAction(text);
    const int id = tool.id;
    toolActions_[id] = action;
    connect(action, &QAction::triggered, this, [this, id] {
      frame_.OnCommand(id);
      Sync();
    });
  }
  connect(viewToolbar_, &QAction::toggled, toolBar_, &QWidget::setVisible);
}

void QtMainWindow::BuildStatusBar() {
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    panes_[i] = new QLabel(this);
    panes_[i]->setObjectName(QStringLiteral("pane%1").arg(i));
    if (i == 0) {
      // The message may name several errors; it takes the room there is and never widens the
      // window.
      panes_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      statusBar()->addWidget(panes_[i], 1);
    } else {
      statusBar()->addPermanentWidget(panes_[i]);
    }
  }
  panes_[4]->setObjectName("pane61450");
  portWarning_ = new QLabel(this);
  portWarning_->setObjectName("portWarning");
  portWarning_->setWordWrap(true);
  portWarning_->hide();
  statusBar()->addWidget(portWarning_, 2);
  connect(viewStatusBar_, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

void QtMainWindow::BuildPanes() {
  mainSplitter_ = new QSplitter(Qt::Horizontal, this);
  mainSplitter_->setObjectName("MainView");
  // The wizard view is drawn by hand: a centred caption over a large-icon list. Its logic stays
  // in CWizardView, which gets the selection and the double click.
  wizardView_ = new QWidget(mainSplitter_);
  wizardView_->setObjectName("CWizardView");
  auto* column = new QVBoxLayout(wizardView_);
  column->setContentsMargins(2, 2, 2, 2);
  app::CWizardView& view = frame_.WizardView();
  wizardCaption_ = new QLabel(Q(view.Text(app::CWizardView::kIdCaption)), wizardView_);
  wizardCaption_->setAlignment(Qt::AlignCenter);
  QFont font("MS Sans Serif");
  font.setPixelSize(18);
  wizardCaption_->setFont(font);
  column->addWidget(wizardCaption_);
  wizardList_ = new QListWidget(wizardView_);
  wizardList_->setObjectName("ctl1301");
  wizardList_->setViewMode(QListView::IconMode);
  wizardList_->setIconSize(QSize(32, 32));
  wizardList_->setFlow(QListView::TopToBottom);
  wizardList_->setWrapping(false);
  wizardList_->setWordWrap(true);
  wizardList_->setResizeMode(QListView::Adjust);
  wizardList_->setMovement(QListView::Static);
  const QStyle::StandardPixmap icons[] = {QStyle::SP_MediaPlay, QStyle::SP_DriveNetIcon,
                                          QStyle::SP_ArrowDown, QStyle::SP_FileDialogDetailedView};
  const ui::Control* items = view.Find(app::CWizardView::kIdList);
  for (std::size_t i = 0; items && i < items->rows.size(); ++i)
    wizardList_->addItem(
        new QListWidgetItem(style()->standardIcon(icons[i % 4]), Q(items->rows[i].front())));
  connect(wizardList_, &QListWidget::currentRowChanged, this,
          [this](int row) { frame_.WizardView().UserSelect(app::CWizardView::kIdList, row); });
  wizardList_->viewport()->installEventFilter(this);
  column->addWidget(wizardList_, 1);
  FitWizardItems();
  mainSplitter_->addWidget(wizardView_);
  // Dragged to the edge, a collapsible pane would vanish below its minimum.
  mainSplitter_->setCollapsible(0, false);

  rightSplitter_ = new QSplitter(Qt::Vertical, mainSplitter_);
  tabs_ = new QTabWidget(rightSplitter_);
  for (const MainPaneLayout::Node& node : MainPaneLayout::Nodes()) {
    if (node.kind != MainPaneLayout::Kind::TabPage) continue;
    // Tab index 0 holds the current view, 1 the speed view (the regulation mode numbers).
    views::CRegulationView& view = node.row == MainPaneLayout::kCurrentRegulationTab
                                       ? static_cast<views::CRegulationView&>(frame_.CurrentView())
                                       : static_cast<views::CRegulationView&>(frame_.SpeedView());
    // The window keeps its size; a view taller than its pane scrolls.
    auto* page = new QScrollArea(tabs_);
    page->setWidgetResizable(true);
    page->setFrameShape(QFrame::NoFrame);
    auto* regulationView = new QtRegulationView(view, page);
    regulationView->setObjectName(Q(node.name));
    page->setWidget(regulationView);
    tabs_->insertTab(node.row, page, Q(node.name));
  }
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (syncingTab_) return;
    // The widget shows the picked tab already; when the ZEL stays in its mode (No, or the
    // 'Digital2' input decides) the core goes back and Sync must switch the widget back too.
    shownTab_ = index;
    frame_.OnRegulationTabPicked(index);
    Sync();
  });
  rightSplitter_->addWidget(tabs_);
  // The status view is an ordinary window of the core, rendered in the lower pane.
  auto* statusView = new QtWindowWidget(frame_.StatusView(), rightSplitter_);
  statusView->setObjectName("CStatusView");
  rightSplitter_->addWidget(statusView);
  mainSplitter_->addWidget(rightSplitter_);
  setCentralWidget(mainSplitter_);
}

void QtMainWindow::ApplyPaneSizes() {
  if (!mainSplitter_) return;
  int clientHeight = centralWidget() ? centralWidget()->height() : height();
  MainPaneLayout::Sizes sizes = MainPaneLayout::ComputeSizes(clientHeight);
  wizardView_->setMinimumWidth(std::max(sizes.wizardColumnMinimum, WizardColumnMinimum()));
  mainSplitter_->setSizes(
      {sizes.wizardColumnWidth, std::max(0, width() - sizes.wizardColumnWidth)});
  tabs_->setMinimumHeight(sizes.upperRowMinimum);
  rightSplitter_->setSizes(
      {sizes.upperRowHeight, std::max(0, clientHeight - sizes.upperRowHeight)});
}

int QtMainWindow::WizardColumnMinimum() const {
  // The column never gets narrower than its caption, an icon, or the longest word of a label
  // (labels wrap between words), with the list's frame and a scroll bar for a short window.
  constexpr int kGap = 6;  // as FitWizardItems leaves beside the items
  const int textMargin =
      style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, wizardList_) + 1;
  const QFontMetrics metrics(wizardList_->font());
  int content = wizardList_->iconSize().width();
  for (int i = 0; i < wizardList_->count(); ++i)
    for (const QString& word : wizardList_->item(i)->text().split(' ', Qt::SkipEmptyParts))
      content = std::max(content, metrics.horizontalAdvance(word) + 2 * textMargin);
  const int list = content + kGap + 2 * wizardList_->frameWidth() +
                   style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, wizardList_);
  const QMargins margins = wizardView_->layout()->contentsMargins();
  return std::max(list, wizardCaption_->sizeHint().width()) + margins.left() + margins.right();
}

void QtMainWindow::FitWizardItems() {
  // Every label wraps at the view's width and every item is as tall as the longest label needs,
  // so "Firmware Download Wizard" reads in full even in the narrow wizard column.
  constexpr int kGap = 6;
  const QSize icon = wizardList_->iconSize();
  const int width = std::max(icon.width(), wizardList_->viewport()->width() - kGap);
  const int textMargin =
      style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, wizardList_) + 1;
  const QFontMetrics metrics(wizardList_->font());
  int textHeight = 0;
  for (int i = 0; i < wizardList_->count(); ++i) {
    const QRect wrapped =
        metrics.boundingRect(QRect(0, 0, width - 2 * textMargin, 1 << 16),
                             Qt::AlignHCenter | Qt::TextWordWrap, wizardList_->item(i)->text());
    textHeight = std::max(textHeight, wrapped.height());
  }
  const QSize cell(width, icon.height() + textHeight + 4 * textMargin);
  if (wizardList_->gridSize() == cell + QSize(0, kGap)) return;
  for (int i = 0; i < wizardList_->count(); ++i) wizardList_->item(i)->setSizeHint(cell);
  wizardList_->setGridSize(cell + QSize(0, kGap));
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (wizardList_ && watched == wizardList_->viewport() && event->type() == QEvent::Resize)
    FitWizardItems();
  if (wizardList_ && watched == wizardList_->viewport() &&
      event->type() == QEvent::MouseButtonDblClick) {
    // A double click on empty space launches nothing: it reports no selection.
    auto* mouse = static_cast<QMouseEvent*>(event);
    QListWidgetItem* item = wizardList_->itemAt(mouse->position().toPoint());
    app::CWizardView& view = frame_.WizardView();
    view.UserSelect(app::CWizardView::kIdList, item ? wizardList_->row(item) : -1);
    view.UserEvent(app::CWizardView::kIdList, ui::EventKind::DoubleClick);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void QtMainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (activated_) ApplyPaneSizes();
}

void QtMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The sizing right after the tree is built needs the real client height, which exists only
  // once the window has been laid out; without a window manager it may never be activated.
  if (!sizedAfterShow_) {
    sizedAfterShow_ = true;
    QTimer::singleShot(0, this, [this] { ApplyPaneSizes(); });
  }
}

void QtMainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activated_) {
    activated_ = true;
    ApplyPaneSizes();
  }
}

QAction* QtMainWindow::MenuAction(int id) const {
  auto found = menuActions_.find(id);
  return found == menuActions_.end() ? nullptr : found->second;
}

void QtMainWindow::Sync() {
  for (auto& [id, action] : menuActions_) {
    if (action == viewToolbar_ || action == viewStatusBar_) continue;
    action->setEnabled(frame_.IsCommandEnabled(id));
    action->setText(Q(frame_.CommandLabel(id)));
    action->setCheckable(frame_.IsCommandChecked(id));
    action->setChecked(frame_.IsCommandChecked(id));
  }
  for (auto& [id, action] : toolActions_) action->setEnabled(frame_.IsCommandEnabled(id));
  std::vector<std::string> texts = frame_.StatusPaneTexts();
  for (std::size_t i = 0; i < panes_.size() && i < texts.size(); ++i)
    panes_[i]->setText(Q(texts[i]));
  panes_[0]->setToolTip(panes_[0]->text());
  panes_[4]->setEnabled(frame_.MonitorRunning());
  // A present error is seen at a glance whichever view is in front.
  const bool error = frame_.ErrorPresent();
  if (error != errorShown_) {
    errorShown_ = error;
    panes_[0]->setStyleSheet(error ? QStringLiteral("color: #%1;")
                                         .arg(monitor::CStatusView::kErrorColour, 6, 16, QChar('0'))
                                   : QString());
  }
  // The link may open on any thread (the monitor's reopen, the search); the warning waits in
  // the link until this tick takes it.
  if (const std::string warning = link::AdapterLatency::TakeWarning(); !warning.empty()) {
    portWarning_->setText(Q(warning));
    portWarning_->setToolTip(Q(warning));
    portWarning_->show();
  }
  if (frame_.RegulationTab() != shownTab_) {
    shownTab_ = frame_.RegulationTab();
    syncingTab_ = true;
    tabs_->setCurrentIndex(shownTab_);
    syncingTab_ = false;
  }
}

}  // namespace zel::gui
