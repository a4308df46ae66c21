#include "link/RecorderGroup.h"

#include "parameters/CParameterTable.h"

namespace zel::link {

RecorderGroup::RecorderGroup(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool RecorderGroup::SetupRecorder(uint16_t samplePeriod, uint16_t variable) {
  CommandFrame frame(kSetupRecorder);
  frame.Put16(samplePeriod);
  frame.Put16(variable);
  return Execute(frame);
}

bool RecorderGroup::ReadRecordedData(uint16_t jump, int32_t replyAllowanceMs,
                                     std::vector<uint16_t>& words) {
  CommandFrame frame(kReadRecordedData);
  frame.Put16(jump);
  frame.SetReplyAllowance(replyAllowanceMs);
  if (!Execute(frame)) return false;
  // The upload takes the reply whole, however long the ZEL made it.
  words = frame.Reply().Words();
  return true;
}

bool RecorderGroup::ReadVariables(std::span<const uint16_t> variables,
                                  std::vector<uint8_t>& bytes) {
  if (variables.empty()) return false;
  int total = 0;
  for (uint16_t variable : variables) {
    total += Definitions() != nullptr ? Definitions()->ByteSize(static_cast<int16_t>(variable)) : 2;
  }
  if (total > kMaxVariableBytes) return false;

  CommandFrame frame(kReadVariables);
  bytes.assign(total, 0);
  frame.Bind(std::span<uint8_t>(bytes));
  frame.Put16(static_cast<uint16_t>(variables.size()));
  for (uint16_t variable : variables) {
    if (!frame.Put16(variable)) return false;
  }
  return Execute(frame);
}

}  // namespace zel::link
