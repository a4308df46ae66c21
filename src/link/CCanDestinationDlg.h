#pragma once

#include <cstdint>

#include "ui/Window.h"

namespace zel::link {

// The "CanBus Destination" dialog: the module ID a module command goes to, proposed from the
// last destination. The ID travels as one word, so the dialog takes 1 to 65535 only: a larger
// value would reach the bus cut to its low word, another module or none.
class CCanDestinationDlg : public ui::Window {
 public:
  static constexpr int kIdDestination = 1200;

  explicit CCanDestinationDlg(uint16_t last);
  uint16_t Destination() const { return destination_; }

 protected:
  void OnOK() override;

 private:
  uint16_t destination_;
};

}  // namespace zel::link
