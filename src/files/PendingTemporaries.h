#pragma once

namespace zel::files {

// The temporary files of writes in progress, kept where a signal handler can reach them: a
// program ended by SIGINT, SIGTERM or SIGHUP in the middle of a write then leaves no temporary
// file beside its target. Registration is lock-free and may be used from any thread; a write
// that finds every slot taken simply goes unregistered.
class PendingTemporaries {
 public:
  // Remembers path and returns its slot, or -1 when the path is too long or no slot is free.
  static int Add(const char* path);
  // Forgets the slot Add returned (a no-op for -1).
  static void Remove(int slot);
  // Unlinks every remembered file. Async-signal-safe.
  static void UnlinkAll();
  // Takes over SIGINT, SIGTERM and SIGHUP where they are still at their default action: the
  // handler unlinks the remembered files, then the signal ends the program as it would have. A
  // program with handlers of its own calls UnlinkAll from them instead.
  static void InstallSignalHandlers();
};

}  // namespace zel::files
