#include "ui/Host.h"

#include <atomic>

#include "ui/Window.h"

namespace zel::ui {

bool Host::AskOpenFile(FileRequest&) {
  return false;
}

bool Host::AskSaveFile(FileRequest&) {
  return false;
}

bool Host::ChooseFolder(const std::string&, std::string&) {
  return false;
}

void Host::ShowText(const std::string&, const std::string&) {}

bool Host::Print(const PrintJob&) {
  return false;
}

int Host::RunModal(Window& window) {
  if (!window.IsEnded()) window.Press(kIdCancel);
  // A window whose Cancel is refused must still end: a host without a screen cannot wait.
  if (!window.IsEnded()) window.EndDialog(kResultCancel);
  return window.Result();
}

void Host::ShowModeless(Window&) {}

void Host::CloseModeless(Window&) {}

namespace {

class SilentHost final : public Host {
 public:
  void ShowMessage(const std::string&, Icon) override {}
  bool AskYesNo(const std::string&) override { return false; }
};

SilentHost silentHost;
std::atomic<Host*> currentHost{nullptr};

}  // namespace

Host& CurrentHost() {
  Host* host = currentHost.load(std::memory_order_acquire);
  return host ? *host : silentHost;
}

void SetCurrentHost(Host* host) {
  currentHost.store(host, std::memory_order_release);
}

}  // namespace zel::ui
