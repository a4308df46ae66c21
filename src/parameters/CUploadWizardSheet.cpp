#include "parameters/CUploadWizardSheet.h"

namespace zel::parameters {

CUploadWizardSheet::CUploadWizardSheet(UploadWizardDevices devices, Claim claim)
    : PropertySheet("Parameter Up/Download Wizard", false),
      devices_(std::move(devices)),
      claim_(std::move(claim)),
      rs232_(devices_),
      can_(devices_) {
  AddPage(rs232_);
  AddPage(can_);
  // Nothing on the pages waits to be applied: every button acts at once.
  Show(ui::kIdApply, false);
}

CUploadWizardSheet::~CUploadWizardSheet() {
  Release();
}

bool CUploadWizardSheet::OnInitDialog() {
  if (claim_ && !claimed_) {
    claim_(true);
    claimed_ = true;
  }
  return PropertySheet::OnInitDialog();
}

void CUploadWizardSheet::OnDestroy() {
  PropertySheet::OnDestroy();
  Release();
}

void CUploadWizardSheet::Release() {
  if (!claimed_) return;
  claimed_ = false;
  if (claim_) claim_(false);
}

}  // namespace zel::parameters
