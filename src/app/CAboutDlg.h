#pragma once

#include "ui/Window.h"

namespace zel::app {

// "About ZEL_UserInterface": the program's name and version, and where the maker publishes the
// ZEL's documents.
class CAboutDlg : public ui::Window {
 public:
  static constexpr int kIdProgram = 1100;
  static constexpr int kIdLink = 1101;

  CAboutDlg();
};

}  // namespace zel::app
