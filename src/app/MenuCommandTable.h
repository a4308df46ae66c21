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
  // The title a menu (a top-level menu or a submenu, named as in menuPath) is shown with: the
  // same words with a mnemonic, so that Alt and its letter open it. Letters are unique among
  // the entries of the same menu.
  static std::string MenuTitle(const std::string& menu);
  // The key sequence of a command that is used often enough to deserve one ("Ctrl+Q", "F5"), in
  // the portable text form of the toolkit; empty for the others.
  static std::string Shortcut(int id);
};

}  // namespace zel::app
