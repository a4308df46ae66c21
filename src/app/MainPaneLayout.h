#pragma once

#include <string>
#include <vector>

namespace zel::app {

// The fixed tree of panes in the main window's client area.
class MainPaneLayout {
 public:
  enum class Kind { Splitter, View, TabWindow, TabPage };

  struct Node {
    int id;
    Kind kind;
    int parent;  // 0: the main window
    int row;     // cell in the parent splitter, or the page index of a tab page
    int column;
    int rows;  // splitters: their grid
    int columns;
    int initialWidth;  // views and tab windows: the cell's initial size
    int initialHeight;
    std::string name;  // splitter name, view class, or tab page title
  };

  static constexpr int kMainSplitter = 1;
  static constexpr int kWizardView = 2;
  static constexpr int kRightSplitter = 3;
  static constexpr int kStatusView = 4;
  static constexpr int kRegulationTabs = 5;
  static constexpr int kCurrentRegulationPage = 6;
  static constexpr int kSpeedRegulationPage = 7;

  // Tab indices, which are also the regulation mode numbers.
  static constexpr int kCurrentRegulationTab = 0;
  static constexpr int kSpeedRegulationTab = 1;

  static const std::vector<Node>& Nodes();

  struct Sizes {
    int wizardColumnWidth;  // splitter 1, column 0
    int wizardColumnMinimum;
    int upperRowHeight;  // splitter 3, row 0 (the regulation tabs); row 1 takes the rest
    int upperRowMinimum;
  };
  // The sizing run after every resize once the window has been activated: the wizard column
  // keeps its ideal width, the tabs take all but 130 pixels of the client height.
  static Sizes ComputeSizes(int clientHeight);
};

}  // namespace zel::app
