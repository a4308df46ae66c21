#include "link/CServiceDlg.h"

#include <cstdint>

#include "link/ParameterGroup.h"
#include "link/ServiceGroup.h"
#include "ui/Host.h"

namespace zel::link {

CServiceDlg::CServiceDlg() : Window("Service") {
  AddLabel(0, "Enter the correct password!");
  AddEdit(kIdPassword).password = true;
  AddOkCancel();
  SetFocus(kIdPassword);
}

std::string CServiceDlg::Password() const {
  const std::string typed = Text(kIdPassword);
  std::string bytes;
  for (std::size_t i = 0; i < typed.size();) {
    const auto lead = static_cast<unsigned char>(typed[i]);
    std::size_t length = lead < 0x80             ? 1
                         : (lead & 0xE0) == 0xC0 ? 2
                         : (lead & 0xF0) == 0xE0 ? 3
                         : (lead & 0xF8) == 0xF0 ? 4
                                                 : 0;
    bool wellFormed = length > 0 && i + length <= typed.size();
    for (std::size_t k = 1; wellFormed && k < length; ++k)
      wellFormed = (static_cast<unsigned char>(typed[i + k]) & 0xC0) == 0x80;
    if (!wellFormed) {
      // Not UTF-8 at all: the byte stands for itself.
      bytes.push_back(typed[i]);
      ++i;
      continue;
    }
    if (length == 1) {
      bytes.push_back(typed[i]);
    } else if (length == 2 && lead <= 0xC3) {
      bytes.push_back(static_cast<char>(((lead & 0x03) << 6) |
                                        (static_cast<unsigned char>(typed[i + 1]) & 0x3F)));
    } else {
      bytes.push_back('?');
    }
    i += length;
  }
  return bytes;
}

void CServiceDlg::OnOK() {
  if (Password().size() < ServiceGroup::kPasswordLength) {
    ui::CurrentHost().ShowMessage("The password is too short!");
    SetFocus(kIdPassword);
    return;
  }
  EndDialog(ui::kResultOk);
}

ui::CommandOutcome CServiceDlg::Run(ServiceGroup& service) {
  CServiceDlg dlg;
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  uint16_t answer = 0;
  return service.Service(dlg.Password(), answer) ? ui::CommandOutcome::kDone
                                                 : ui::CommandOutcome::kFailed;
}

bool CServiceDlg::EnterServiceMode(ServiceGroup& service, ParameterGroup& parameter) {
  constexpr std::int16_t kSysConfig = 1;
  constexpr std::uint16_t kServiceMode = 0x4000;
  if (Run(service) != ui::CommandOutcome::kDone) return false;
  std::uint16_t sysConfig = 0;
  return parameter.ReadTempParam(kSysConfig, sysConfig) && (sysConfig & kServiceMode) != 0;
}

}  // namespace zel::link
