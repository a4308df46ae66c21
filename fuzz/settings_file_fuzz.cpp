// Reads arbitrary bytes as the settings file "ZEL_UserInterface.dat" into a fresh main window.
// Whatever was taken must write out and read back into another fresh window to the same bytes;
// anything escaping, a crash or an unbounded allocation is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/CMainFrame.h"
#include "app/SettingsFile.h"
#include "ui/ScriptedHost.h"

namespace {

// No port opens: the fuzzer must not touch a serial line.
std::unique_ptr<zel::app::CMainFrame> NewFrame() {
  return std::make_unique<zel::app::CMainFrame>(
      [](const std::string&, std::int32_t, std::uint8_t& code) {
        code = 0x80;
        return std::unique_ptr<zel::link::ByteChannel>();
      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zel::ui::ScriptedHost host;
  host.Clear();
  using zel::app::SettingsFile;
  auto first = NewFrame();
  SettingsFile::Read(*first, std::vector<std::uint8_t>(data, data + size));
  const std::vector<std::uint8_t> written = SettingsFile::Write(*first);
  auto second = NewFrame();
  SettingsFile::Read(*second, written);
  if (SettingsFile::Write(*second) != written) __builtin_trap();
  return 0;
}
