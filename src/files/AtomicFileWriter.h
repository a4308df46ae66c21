#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace zel::files {

// Replaces a file as a whole: the bytes go to a fresh temporary file with a unique name in the
// target's folder, which is flushed to disk, renamed over the target, and then the folder is
// flushed too. A crash or a full disk therefore leaves either the old file or the new one,
// never half a file, and no temporary file is left behind when writing fails, nor when the
// program is ended by a signal that PendingTemporaries handles. An existing target keeps its
// permission bits; a new file gets the usual ones (0666 less the umask). A symbolic link as
// target is replaced, not followed. Any thread.
//
// A program killed outright (SIGKILL, a power cut) still leaves its temporary file. Every write
// therefore first removes the temporaries of its own target that a process no longer alive left
// ("." NAME ".tmp" PID "_" N); those of live processes, and any other file, stay.
class AtomicFileWriter {
 public:
  // Takes the bytes a producer hands over piece by piece; false when they could not be written,
  // and the producer should then stop.
  using Sink = std::function<bool(std::string_view)>;
  // Produces the file's contents into the sink; false when it fails itself.
  using Producer = std::function<bool(const Sink&)>;

  // True when target now holds exactly bytes. On failure errorText says what went wrong and the
  // target is as it was.
  static bool Write(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                    std::string& errorText);
  static bool Write(const std::filesystem::path& target, std::string_view text,
                    std::string& errorText);
  // The same for contents too large to hold at once: produce writes them straight into the
  // temporary file. When produce returns false without a failed write, errorText is
  // "Cannot produce the contents of 'TARGET'".
  static bool Write(const std::filesystem::path& target, const Producer& produce,
                    std::string& errorText);
};

}  // namespace zel::files
