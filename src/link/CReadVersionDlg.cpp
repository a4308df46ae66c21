#include "link/CReadVersionDlg.h"

#include <cstdio>

#include "link/ParameterGroup.h"

namespace zel::link {

CReadVersionDlg::CReadVersionDlg(uint16_t softwareVersion, uint16_t hardwareVersion,
                                 uint16_t applicationNumber, uint16_t applicationVersion)
    : Window("ReadVersion") {
  AddLabel(0, "Software Version");
  AddLabel(kIdSoftwareVersion, FormatWord(softwareVersion)).sameRow = true;
  AddLabel(0, "Hardware Version");
  AddLabel(kIdHardwareVersion, FormatWord(hardwareVersion)).sameRow = true;
  AddLabel(0, "Application Number");
  AddLabel(kIdApplicationNumber, FormatWord(applicationNumber)).sameRow = true;
  AddLabel(0, "Application Version");
  AddLabel(kIdApplicationVersion, FormatWord(applicationVersion)).sameRow = true;
  AddButton(ui::kIdOk, "OK");
}

std::string CReadVersionDlg::FormatWord(uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%.4X", static_cast<unsigned>(word));
  return text;
}

ui::CommandOutcome CReadVersionDlg::Run(ParameterGroup& parameters) {
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  if (!parameters.ReadVersion(software, hardware, number, version))
    return ui::CommandOutcome::kFailed;
  CReadVersionDlg dlg(software, hardware, number, version);
  dlg.DoModal();
  return ui::CommandOutcome::kDone;
}

}  // namespace zel::link
