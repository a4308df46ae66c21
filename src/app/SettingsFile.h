#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zel::app {

class CMainFrame;

// "ZEL_UserInterface.dat": what the tool keeps from one run to the next, in four blocks: the
// version text; the four wizards' flags; the communication stack's serial settings followed by
// each command group's remembered inputs (transport, parameter definitions, CAN gateway, velocity
// and current reading, recorder, service, status, parameter commands, CAN module commands,
// firmware download settings); the registered firmware packages. Each owner writes and reads its
// own record.
//
// Reading trusts a file only as far as it goes: a missing file keeps every default silently, a
// file of another version is refused as a whole with a message, and a file that ends early or
// is malformed keeps what was read before the fault, silently. Writing replaces the file as a
// whole, so a crash while saving leaves the previous file. UI thread.
class SettingsFile {
 public:
  static constexpr const char* kFileName = "ZEL_UserInterface.dat";
  static constexpr const char* kVersion = "ZEL_UserInterface_1.06";
  static constexpr const char* kVersionTooOld = "ZEL_UserInterface.dat Version is too old!";
  // Far above any real file; a larger one is not read at all.
  static constexpr std::size_t kMostBytes = 64u << 20;

  static void Load(CMainFrame& frame, const std::filesystem::path& path);
  // False when the file could not be written; the previous one then stays, and nothing is said.
  static bool Save(CMainFrame& frame, const std::filesystem::path& path);

  // The same from and to memory.
  static void Read(CMainFrame& frame, std::vector<std::uint8_t> bytes);
  static std::vector<std::uint8_t> Write(CMainFrame& frame);
};

}  // namespace zel::app
