#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

#include "ui/Host.h"

namespace zel::gui {

class QtWindowDialog;

// The desktop program's host: real message boxes, file dialogs, a text viewer, printing through
// the print dialog (to a PDF file when no printer is installed) and windows as Qt dialogs.
// Installs itself as the current host and binds the dispatcher to Qt's event loop for its
// lifetime. UI thread only.
class QtHost final : public ui::Host {
 public:
  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  // The window boxes and dialogs are centred on.
  void SetMainWidget(QWidget* main) { main_ = main; }

  void ShowMessage(const std::string& text, ui::Icon icon) override;
  bool AskYesNo(const std::string& text) override;
  bool AskYesNoDefaultNo(const std::string& text) override;
  bool AskOpenFile(ui::FileRequest& request) override;
  bool AskSaveFile(ui::FileRequest& request) override;
  bool ChooseFolder(const std::string& title, std::string& folder) override;
  void ShowText(const std::string& title, const std::string& text) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  bool Print(const ui::PrintJob& job) override;
  int RunModal(ui::Window& window) override;
  void ShowModeless(ui::Window& window) override;
  void CloseModeless(ui::Window& window) override;

  // "ZEL Firmware Files (*.bin)|*.bin||" as Qt's "ZEL Firmware Files (*.bin)" list.
  static QStringList QtFilters(const std::string& filter);

 private:
  bool AskFile(ui::FileRequest& request, bool save);

  QPointer<QWidget> main_;
  // Guarded: a dialog dies with its parent, which at program exit goes before the windows.
  std::map<ui::Window*, QPointer<QtWindowDialog>> modeless_;
};

}  // namespace zel::gui
