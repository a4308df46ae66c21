#pragma once

#include <cstdint>
#include <filesystem>
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
class AtomicFileWriter {
 public:
  // True when target now holds exactly bytes. On failure errorText says what went wrong and the
  // target is as it was.
  static bool Write(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                    std::string& errorText);
  static bool Write(const std::filesystem::path& target, std::string_view text,
                    std::string& errorText);
};

}  // namespace zel::files
