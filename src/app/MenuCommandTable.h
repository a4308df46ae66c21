#pragma once

#include <string>
#include <vector>

namespace zel::app {

// One entry of the main window's menu: where it sits (menu titles from the bar down), its
// command id and its label ('&' marks the mnemonic). The order is the order on screen.
struct MenuCommand {
  std::vector<std::string> menuPath;
  int id = 0;
  std::string label;
};

// The main window's menu bar as the user sees it. What a command does and when it is enabled is
// the main window's business (CMainFrame); this is only the layout.
class MenuCommandTable {
 public:
  static const std::vector<MenuCommand>& Commands();
  // The entry with id, or nullptr.
  static const MenuCommand* Find(int id);
  // Top-level menu titles in order.
  static std::vector<std::string> TopMenus();
};

}  // namespace zel::app
