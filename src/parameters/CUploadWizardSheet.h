#pragma once

#include <functional>

#include "parameters/CUploadWizardPage.h"
#include "parameters/CUploadWizard_CAN.h"
#include "ui/PropertySheet.h"

namespace zel::parameters {

// The "Parameter Up/Download Wizard": the "RS232" and the "CAN" page over the ZEL at the serial
// port and the modules behind it. While it is open the line belongs to the UI thread (claim is
// called with true on opening and false on closing), so no other thread's command cuts into a
// module's download. Lives on the stack of the command that runs it. UI thread.
class CUploadWizardSheet final : public ui::PropertySheet {
 public:
  using Claim = std::function<void(bool claimed)>;

  CUploadWizardSheet(UploadWizardDevices devices, Claim claim = {});
  ~CUploadWizardSheet() override;

  CUploadWizard_RS232& Rs232Page() { return rs232_; }
  CUploadWizard_CAN& CanPage() { return can_; }

 protected:
  bool OnInitDialog() override;
  void OnDestroy() override;

 private:
  void Release();

  UploadWizardDevices devices_;
  Claim claim_;
  bool claimed_ = false;
  CUploadWizard_RS232 rs232_;
  CUploadWizard_CAN can_;
};

}  // namespace zel::parameters
