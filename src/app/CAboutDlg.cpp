#include "app/CAboutDlg.h"

#include "app/CMainFrame.h"

namespace zel::app {

CAboutDlg::CAboutDlg() : Window("About ZEL_UserInterface") {
  AddLabel(kIdProgram, CMainFrame::kTitle);
  AddLabel(kIdLink, "Operating instructions and guides: Orvane's web site");
  AddButton(ui::kIdOk, "OK");
}

}  // namespace zel::app
