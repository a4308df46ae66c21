#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/MenuCommandTable.h"

namespace zel::app {
namespace {

// The mnemonic letter of a label, lower case; 0 without one.
char Mnemonic(const std::string& label) {
  const std::size_t amp = label.find('&');
  if (amp == std::string::npos || amp + 1 >= label.size()) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(label[amp + 1])));
}

// Alt and a letter must lead to one entry: within every menu (the bar, each menu, each
// submenu), the submenus' titles and the commands' labels use each letter once, and every menu
// of the bar has one.
TEST(MenuKeyboard, EveryMenuHasAMnemonicAndNoMenuUsesALetterTwice) {
  std::map<std::vector<std::string>, std::set<std::string>> entries;  // menu path: labels
  for (const MenuCommand& command : MenuCommandTable::Commands()) {
    entries[command.menuPath].insert(command.label);
    for (std::size_t depth = 0; depth < command.menuPath.size(); ++depth) {
      const std::vector<std::string> parent(command.menuPath.begin(),
                                            command.menuPath.begin() + depth);
      entries[parent].insert(MenuCommandTable::MenuTitle(command.menuPath[depth]));
    }
  }
  for (const std::string& menu : MenuCommandTable::TopMenus())
    EXPECT_NE(Mnemonic(MenuCommandTable::MenuTitle(menu)), 0) << menu;
  for (const auto& [path, labels] : entries) {
    std::map<char, std::string> used;
    for (const std::string& label : labels) {
      const char letter = Mnemonic(label);
      if (letter == 0) continue;
      auto [at, fresh] = used.emplace(letter, label);
      EXPECT_TRUE(fresh) << "'" << label << "' and '" << at->second << "' share Alt+" << letter
                         << " in " << (path.empty() ? "the menu bar" : path.back());
    }
  }
}

}  // namespace
}  // namespace zel::app
