#include "firmware/DownloadOutcome.h"

namespace zel::firmware {

const char* ZelStateName(ZelState state) {
  switch (state) {
    case ZelState::kUnchanged:
      return "unchanged";
    case ZelState::kMaybeInBootLoader:
      return "maybeBootLoader";
    case ZelState::kInBootLoader:
      return "bootLoader";
    case ZelState::kClearUnanswered:
      return "clearUnanswered";
    case ZelState::kFirmwareLost:
      return "firmwareLost";
    case ZelState::kNewFirmware:
      return "newFirmware";
  }
  return "";
}

}  // namespace zel::firmware
