#include "app/MainPaneLayout.h"

#include <algorithm>

namespace zel::app {

const std::vector<MainPaneLayout::Node>& MainPaneLayout::Nodes() {
  static const std::vector<Node> nodes{
      {kMainSplitter, Kind::Splitter, 0, 0, 0, 1, 2, 0, 0, "MainView"},
      {kWizardView, Kind::View, kMainSplitter, 0, 0, 0, 0, 100, 100, "CWizardView"},
      {kRightSplitter, Kind::Splitter, kMainSplitter, 0, 1, 2, 1, 0, 0, ""},
      {kStatusView, Kind::View, kRightSplitter, 1, 0, 0, 0, 10, 10, "CStatusView"},
      {kRegulationTabs, Kind::TabWindow, kRightSplitter, 0, 0, 0, 0, 500, 500, ""},
      {kCurrentRegulationPage, Kind::TabPage, kRegulationTabs, kCurrentRegulationTab, 0, 0, 0, 0, 0,
       "Current regulation"},
      {kSpeedRegulationPage, Kind::TabPage, kRegulationTabs, kSpeedRegulationTab, 0, 0, 0, 0, 0,
       "Speed regulation"},
  };
  return nodes;
}

MainPaneLayout::Sizes MainPaneLayout::ComputeSizes(int clientHeight) {
  int upper = std::max(0, clientHeight - 130);
  return {115, 11, upper, upper / 10};
}

}  // namespace zel::app
