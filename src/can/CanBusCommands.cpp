#include "can/CanBusCommands.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "can/CCanReadValuesDlg.h"
#include "link/CGetRemoteDataDlg.h"
#include "link/CanGateway.h"
#include "monitor/CReadErrorDlg.h"

namespace zel::can {

using ui::CommandOutcome;

CommandOutcome CanBusCommands::ReadCanError(link::CanGateway& can,
                                            const monitor::CErrorMapList* maps) {
  uint16_t word = 0;
  if (!can.ShowFlag())
    return can.ReadCANError(word) ? CommandOutcome::kDone : CommandOutcome::kFailed;
  monitor::CReadErrorDlg dlg(
      "Read CAN Error", monitor::ErrorWordKind::Can,
      [&can](uint16_t& value) { return can.ReadCANError(value); }, {}, maps);
  if (!dlg.RefreshNow()) return CommandOutcome::kFailed;
  dlg.DoModal();
  return CommandOutcome::kDone;
}

CommandOutcome CanBusCommands::GetRemoteData(link::CanGateway& can) {
  link::CGetRemoteDataDlg ask(can.LastDestination());
  if (ask.DoModal() != ui::kResultOk) return CommandOutcome::kCancelled;
  const uint16_t destination = ask.Destination();
  const uint8_t opcode = ask.OpCode();
  const std::vector<uint16_t> params = ask.Parameters();
  auto read = [&can, destination, opcode, params](std::vector<std::string>& texts) {
    std::array<uint16_t, link::CanGateway::kMaxRemoteResults> results{};
    if (!can.GetRemoteData(destination, opcode, params, results)) return false;
    texts.clear();
    for (uint16_t word : results) {
      char text[16];
      std::snprintf(text, sizeof text, "0x%.4x", word);
      texts.emplace_back(text);
    }
    return true;
  };
  if (!can.ShowFlag()) {
    std::vector<std::string> texts;
    return read(texts) ? CommandOutcome::kDone : CommandOutcome::kFailed;
  }
  CCanReadValuesDlg dlg("GetRemoteData", {"ReturnParam1", "ReturnParam2", "ReturnParam3"}, read);
  return dlg.Run();
}

}  // namespace zel::can
