#include "gui/QtHost.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QVBoxLayout>

#include "gui/QtWindowDialog.h"
#include "ui/Dispatcher.h"
#include "ui/Window.h"

namespace zel::gui {

namespace {

const QString kCaption = QStringLiteral("ZEL_UserInterface");

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

QtHost::QtHost() {
  ui::SetCurrentHost(this);
  // Posted messages are delivered by Qt's event loop: every post schedules a pump there.
  ui::Dispatcher::Default().SetWakeHandler([] {
    QMetaObject::invokeMethod(
        qApp, [] { ui::Dispatcher::Default().Pump(); }, Qt::QueuedConnection);
  });
}

QtHost::~QtHost() {
  ui::Dispatcher::Default().SetWakeHandler({});
  for (auto& [window, dialog] : modeless_) delete dialog;
  ui::SetCurrentHost(nullptr);
}

void QtHost::ShowMessage(const std::string& text, ui::Icon icon) {
  QMessageBox::Icon qtIcon = icon == ui::Icon::Warning    ? QMessageBox::Warning
                             : icon == ui::Icon::Error    ? QMessageBox::Critical
                             : icon == ui::Icon::Question ? QMessageBox::Question
                                                          : QMessageBox::Information;
  QMessageBox box(qtIcon, kCaption, Q(text), QMessageBox::Ok, main_);
  box.exec();
}

bool QtHost::AskYesNo(const std::string& text) {
  return QMessageBox::question(main_, kCaption, Q(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtHost::AskYesNoDefaultNo(const std::string& text) {
  return QMessageBox::question(main_, kCaption, Q(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

QStringList QtHost::QtFilters(const std::string& filter) {
  // Pairs of "caption|pattern", ended by "||"; Qt wants the caption alone when it already
  // names its patterns, else "caption (pattern)".
  QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString caption = parts[i];
    QString patterns = parts[i + 1];
    if (patterns.isEmpty()) continue;  // a caption without patterns would filter nothing
    patterns.replace(';', ' ');
    filters << (caption.contains('(') ? caption : caption + " (" + patterns + ")");
  }
  return filters;
}

bool QtHost::AskFile(ui::FileRequest& request, bool save) {
  QFileDialog dialog(main_, Q(request.title), Q(request.initialDirectory));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save               ? QFileDialog::AnyFile
                     : request.multiple ? QFileDialog::ExistingFiles
                                        : QFileDialog::ExistingFile);
  QStringList filters = QtFilters(request.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size())) - 1;
    dialog.selectNameFilter(filters[index]);
  }
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(Q(request.defaultExtension));
  if (!request.path.empty()) dialog.selectFile(Q(request.path));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  request.path = dialog.selectedFiles().front().toStdString();
  request.paths.clear();
  if (request.multiple)
    for (const QString& file : dialog.selectedFiles()) request.paths.push_back(file.toStdString());
  request.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return true;
}

bool QtHost::AskOpenFile(ui::FileRequest& request) {
  return AskFile(request, false);
}

bool QtHost::AskSaveFile(ui::FileRequest& request) {
  return AskFile(request, true);
}

bool QtHost::ChooseFolder(const std::string& title, std::string& folder) {
  QString chosen = QFileDialog::getExistingDirectory(main_, Q(title), Q(folder));
  if (chosen.isEmpty()) return false;
  folder = chosen.toStdString();
  return true;
}

void QtHost::ShowText(const std::string& title, const std::string& text) {
  QDialog viewer(main_);
  viewer.setWindowTitle(Q(title));
  auto* layout = new QVBoxLayout(&viewer);
  auto* view = new QPlainTextEdit(&viewer);
  view->setReadOnly(true);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view->setPlainText(Q(text));
  layout->addWidget(view);
  // The file viewer's one button has always read "Exit".
  auto* buttons = new QDialogButtonBox(&viewer);
  buttons->addButton("&Exit", QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &viewer, &QDialog::reject);
  layout->addWidget(buttons);
  viewer.resize(640, 480);
  viewer.exec();
}

void QtHost::BeginWaitCursor() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtHost::EndWaitCursor() {
  QApplication::restoreOverrideCursor();
}

bool QtHost::Print(const ui::PrintJob& job) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(Q(job.title));
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // Without an installed printer the protocol still goes somewhere useful: a PDF file.
    ui::FileRequest request;
    request.title = job.title;
    request.filter = "PDF Files (*.pdf)|*.pdf||";
    request.defaultExtension = "pdf";
    if (!AskSaveFile(request)) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Q(request.path));
  } else {
    QPrintDialog dialog(&printer, main_);
    if (dialog.exec() != QDialog::Accepted) return false;
  }
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  QFont font(Q(job.fontName), job.pointSize);
  painter.setFont(font);
  const int lineHeight = painter.fontMetrics().lineSpacing();
  const int pageHeight = painter.viewport().height();
  bool firstPage = true;
  bool firstLine = true;
  for (const auto& page : job.pages) {
    if (!firstPage) printer.newPage();
    firstPage = false;
    int y = lineHeight;
    for (const auto& line : page) {
      if (y > pageHeight) {
        printer.newPage();
        y = lineHeight;
      }
      const std::string& tail = job.boldTail;
      if (firstLine && !tail.empty() && line.size() >= tail.size() &&
          line.compare(line.size() - tail.size(), tail.size(), tail) == 0) {
        const QString head = Q(line.substr(0, line.size() - tail.size()));
        const int x = painter.fontMetrics().horizontalAdvance(head);
        painter.drawText(0, y, head);
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(x, y, Q(tail));
        painter.setFont(font);
      } else {
        painter.drawText(0, y, Q(line));
      }
      firstLine = false;
      y += lineHeight;
    }
  }
  return painter.end();
}

int QtHost::RunModal(ui::Window& window) {
  QtWindowDialog dialog(window, main_);
  dialog.exec();
  // A dialog closed behind the window's back (the program quitting) still ends the window.
  if (!window.IsEnded()) window.EndDialog(ui::kResultCancel);
  return window.Result();
}

void QtHost::ShowModeless(ui::Window& window) {
  auto* dialog = new QtWindowDialog(window, main_);
  dialog->setModal(false);
  modeless_[&window] = dialog;
  QObject::connect(dialog, &QDialog::finished, dialog, [&window] { window.Close(); });
  dialog->show();
}

void QtHost::CloseModeless(ui::Window& window) {
  auto found = modeless_.find(&window);
  if (found == modeless_.end()) return;
  QPointer<QtWindowDialog> dialog = found->second;
  modeless_.erase(found);
  if (!dialog) return;
  dialog->disconnect();
  dialog->Detach();
  dialog->hide();
  dialog->deleteLater();
}

}  // namespace zel::gui
