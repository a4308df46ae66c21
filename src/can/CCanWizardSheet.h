#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "can/CCanWizardNetworkPages.h"
#include "can/CCanWizardPage6.h"
#include "can/CCanWizardSetupPages.h"
#include "ui/PropertySheet.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::can {

class CanModule;

// The CAN wizard: leads a technician through building a CAN network of ZEL modules (power,
// cabling, unique module IDs, one bit rate found by a search over the bus, the modules'
// identifiers, their parameters) and holds what the pages found. Lives on the stack of the
// command that runs it; the search page stops its search, and so frees the link, before the
// sheet goes. UI thread.
class CCanWizardSheet final : public ui::PropertySheet {
 public:
  static constexpr int kHistoryRoom = 16;
  static constexpr const char* kViaRs232 = "CAN network via RS232, CAN";
  static constexpr const char* kViaCanInterface = "CAN network via CAN interface";

  CCanWizardSheet(link::ZelCommunication& communication, CanModule& module);

  link::ZelCommunication& Communication() { return communication_; }
  CanModule& Module() { return module_; }

  // The Back history.
  int Depth() const { return static_cast<int>(history_.size()); }
  const std::vector<int>& History() const { return history_; }
  void Push(int pageId);
  // 0 when the history is empty.
  int Pop();
  // The page index of a page identifier; -1 for none.
  int IndexOf(int pageId);
  // The active page's identifier; 0 for none.
  int ActivePageId();

  // What the pages found and chose.
  std::vector<std::uint16_t> foundModules;
  std::vector<int> foundBitRates;
  int moduleCount = 0;
  int networkBitRate = link::CanBitRateTable::kUnknownIndex;
  int dipSwitchChoice = 0;
  std::string connectionText = kViaRs232;

  CCanWizardPage1 page1;
  CCanWizardPage2 page2;
  CCanWizardPage3 page3;
  CCanWizardPage4 page4;
  CCanWizardPage5 page5;
  CCanWizardPage5a page5a;
  CCanWizardPage5b page5b;
  CCanWizardPage5c page5c;
  CCanWizardPage5d page5d;
  CCanWizardPage5e page5e;
  CCanWizardPage6 page6;
  CCanWizardPage7 page7;
  CCanWizardPage7a page7a;
  CCanWizardPage7b page7b;
  CCanWizardPage7c page7c;
  CCanWizardPage8 page8;
  CCanWizardPage9 page9;

 private:
  link::ZelCommunication& communication_;
  CanModule& module_;
  std::vector<int> history_;
};

}  // namespace zel::can
