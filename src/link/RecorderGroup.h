#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "link/CommandGroup.h"

namespace zel::link {

class ParameterGroup;
class StatusGroup;

// The recorder commands (opcodes 48 to 50): set up the ZEL's recorder, upload what it recorded,
// and read several variables in one exchange.
class RecorderGroup : public CommandGroup {
 public:
  static constexpr uint8_t kSetupRecorder = 48;
  static constexpr uint8_t kReadRecordedData = 49;
  static constexpr uint8_t kReadVariables = 50;

  // A reply carries at most 256 words; the variables read at once fill at most 256 bytes.
  static constexpr int kMaxRecordedWords = 256;
  static constexpr int kMaxVariableBytes = 256;

  RecorderGroup(SerialLink* link, parameters::CParameterTable* definitions);

  void SetStatusGroup(StatusGroup* status) { status_ = status; }
  void SetParameterGroup(ParameterGroup* parameters) { parameters_ = parameters; }
  StatusGroup* Status() const { return status_; }
  ParameterGroup* Parameters() const { return parameters_; }

  // samplePeriod in tenths of a millisecond; variable is a status parameter number or an
  // address.
  bool SetupRecorder(uint16_t samplePeriod, uint16_t variable);

  // Uploads the recording: words receives every data word of the reply (L + 1 of them, at most
  // 256). jump 0 is a plain upload; replyAllowanceMs widens the reply's time-out because the ZEL
  // may be busy finishing the recording.
  bool ReadRecordedData(uint16_t jump, int32_t replyAllowanceMs, std::vector<uint16_t>& words);

  // Reads the variables (parameter numbers or addresses) at once. bytes receives their values as
  // one byte string, each variable taking its definition's byte size (2 when undefined). Fails
  // without sending when there are no variables or they would take more than 256 bytes.
  bool ReadVariables(std::span<const uint16_t> variables, std::vector<uint8_t>& bytes);

 private:
  StatusGroup* status_ = nullptr;
  ParameterGroup* parameters_ = nullptr;
};

}  // namespace zel::link
