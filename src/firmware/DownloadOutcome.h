#pragma once

namespace zel::firmware {

// Where a download left the ZEL, as far as the tool saw it happen. The flash counts as changed
// from the moment the flash control program answers the clearing of the flash, and as holding
// good firmware again only once the check of the new code has answered 'R'.
enum class ZelState {
  kUnchanged,          // nothing was sent that changes what the ZEL runs
  kMaybeInBootLoader,  // the boot command went out without its confirmation
  kInBootLoader,       // a boot loader or the flash control program holds the ZEL; flash as it was
  kClearUnanswered,    // the flash control program took the clearing routine and fell silent
  kFirmwareLost,       // the flash was cleared and holds no checked firmware
  kNewFirmware,        // the new firmware is in the flash, checked, and runs
};

struct DownloadOutcome {
  bool success = false;
  bool stopped = false;  // a stop request ended the download before the flash was touched
  ZelState zel = ZelState::kUnchanged;
};

// A word for scripts: "unchanged", "maybeBootLoader", "bootLoader", "clearUnanswered",
// "firmwareLost", "newFirmware".
const char* ZelStateName(ZelState state);

}  // namespace zel::firmware
