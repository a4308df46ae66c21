#include "ui/Host.h"

#include <atomic>

namespace zel::ui {

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

void SetCurrentHost(Host* host) { currentHost.store(host, std::memory_order_release); }

}  // namespace zel::ui
