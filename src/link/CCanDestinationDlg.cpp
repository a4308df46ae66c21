#include "link/CCanDestinationDlg.h"

#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

using parameters::NumberText;
using parameters::NumberTextError;

CCanDestinationDlg::CCanDestinationDlg(uint16_t last)
    : Window("CanBus Destination"), destination_(last) {
  AddLabel(0, "Destination");
  AddEdit(kIdDestination, NumberText::FormatUInt16(last)).sameRow = true;
  AddOkCancel();
}

void CCanDestinationDlg::OnOK() {
  uint16_t value = 0;
  NumberTextError error = NumberText::ParseUInt16(Text(kIdDestination), value);
  if (error == NumberTextError::kNone && value == 0) error = NumberTextError::kTooSmall;
  if (error != NumberTextError::kNone) {
    ui::CurrentHost().ShowMessage(NumberText::Message(error));
    SetFocus(kIdDestination);
    return;
  }
  destination_ = value;
  EndDialog(ui::kResultOk);
}

}  // namespace zel::link
