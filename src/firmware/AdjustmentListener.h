#pragma once

#include "firmware/FirmwareInfo.h"

namespace zel::firmware {

// A part of the tool that reloads itself from the firmware package in use (parameter
// definitions, error maps). The registry calls Adjust on its adjustment worker thread, never on
// the user-interface thread, so an implementation must be safe against readers on other threads
// and must not show anything.
class AdjustmentListener {
 public:
  virtual ~AdjustmentListener() = default;
  virtual bool Adjust(const FirmwareInfo& current) = 0;
};

}  // namespace zel::firmware
