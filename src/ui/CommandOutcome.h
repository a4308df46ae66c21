#pragma once

namespace zel::ui {

// How an interactive command ended: the user backed out before anything was sent, the command
// went through (the ZEL may still have refused, which the dialog has already said), or an
// exchange failed and the caller owes the user its failure box.
enum class CommandOutcome { kCancelled, kDone, kFailed };

}  // namespace zel::ui
