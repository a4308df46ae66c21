#include "link/ExchangeTrace.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "link/ResultCodes.h"

namespace zel::link {

namespace {

struct Named {
  uint8_t code;
  std::string_view name;
};

// The RS232 command set (opcodes 1 to 50) and the CAN gateway (56 to 77).
constexpr std::array kCommandNames = {
    Named{1, "ReadSysStatus"},
    Named{2, "ReadError"},
    Named{3, "ClearError"},
    Named{4, "ResetSoftware"},
    Named{5, "Enable"},
    Named{16, "Service"},
    Named{17, "SetAddrVariable"},
    Named{18, "ReadAddrVariable"},
    Named{20, "ReadTempParam"},
    Named{21, "SetTempParam"},
    Named{22, "ResetTempParam"},
    Named{23, "SaveTempParam"},
    Named{24, "ReadAllTempParam"},
    Named{25, "WriteAllTempParam"},
    Named{26, "ReadVersion"},
    Named{33, "SetVelocity"},
    Named{34, "SetCurrent"},
    Named{35, "ToggleStop"},
    Named{40, "ReadVelocityIsMust"},
    Named{41, "ReadCurrentIsMust"},
    Named{42, "ReadPositionIsMust"},
    Named{48, "SetupRecorder"},
    Named{49, "ReadRecordedData"},
    Named{50, "ReadVariables"},
    Named{56, "SendNMT"},
    Named{57, "SetModuleID"},
    Named{58, "SetServiceID"},
    Named{59, "SetTPDOID"},
    Named{60, "SetRPDOID"},
    Named{61, "SendCANmsg"},
    Named{62, "ReadModuleID"},
    Named{63, "SetCanBCR1/SetBCR1BCR2"},  // one word below software version 0x1040, two from it
    Named{64, "SetCanBCR2"},
    Named{65, "SetCanMode"},
    Named{66, "SendRTR"},
    Named{67, "ReadCANError"},
    Named{68, "GetRemoteData"},
    Named{70, "SetRTR0ID"},
    Named{71, "ConfigRTR"},
    Named{74, "AddRTRParameter"},
    Named{75, "GetRtrParameter"},
    Named{76, "ResetCANError"},
    Named{77, "ResetCAN"},
};

constexpr std::array kResultMeanings = {
    Named{result::kOk, "ok"},
    Named{result::kNoTrials, "no trials, nothing sent"},
    Named{result::kReplyChecksum, "reply refused ('F')"},
    Named{result::kNoByte, "no reply code"},
    Named{result::kReplyShort, "reply stopped short"},
    Named{result::kFrameRejected, "'F' to frame"},
    Named{result::kFrameNoAnswer, "no answer to frame"},
    Named{result::kFrameBadAnswer, "unexpected answer to frame"},
    Named{result::kOpcodeRejected, "'F' to opcode"},
    Named{result::kOpcodeNoAnswer, "no answer to opcode"},
    Named{result::kOpcodeBadAnswer, "unexpected answer to opcode"},
    Named{result::kOpenFailed, "open failed"},
    Named{result::kWriteFailed, "write failed"},
    Named{result::kReadFailed, "read failed"},
    Named{result::kConfigFailed, "port setting failed"},
    Named{result::kGetSettingsFailed, "line settings unreadable"},
    Named{result::kCloseFailed, "close failed"},
    Named{result::kNotOpen, "port not open"},
};

template <size_t N>
std::string_view Lookup(const std::array<Named, N>& table, uint8_t code) {
  for (const Named& entry : table) {
    if (entry.code == code) return entry.name;
  }
  return "?";
}

std::string Hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%.*X", digits, value);
  return text;
}

std::string Step(uint8_t code) {
  return Hex(code, 2) + " " + std::string(ExchangeTrace::ResultMeaning(code));
}

std::string Words(const std::vector<uint16_t>& words) {
  std::string text;
  for (uint16_t word : words) {
    if (!text.empty()) text += ' ';
    text += Hex(word, 4);
  }
  return text;
}

std::string Clock(std::chrono::system_clock::time_point at) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch() %
                                                                            std::chrono::seconds(1))
                          .count();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis < 0 ? millis + 1000 : millis));
  return text;
}

}  // namespace

std::string_view ExchangeTrace::CommandName(uint8_t opcode) {
  return Lookup(kCommandNames, opcode);
}

std::string_view ExchangeTrace::ResultMeaning(uint8_t code) {
  return Lookup(kResultMeanings, code);
}

std::string ExchangeTrace::Format(const ExchangeRecord& record) {
  std::string line = Clock(record.start) + " " + Hex(record.opcode, 2) + " " +
                     std::string(CommandName(record.opcode)) + " args " + Words(record.arguments);
  if (record.refusedByClaim) {
    line += " | not sent: the link is claimed by another thread";
  } else if (record.sendResults.empty()) {
    line += " | not sent";
  } else {
    line += " | send ";
    for (size_t i = 0; i < record.sendResults.size(); ++i) {
      if (i > 0) line += ", ";
      line += Step(record.sendResults[i]);
    }
    line += " | retries " + std::to_string(record.sendResults.size() - 1);
  }
  if (record.endResult) line += " | line out of step " + Step(*record.endResult);
  if (record.receiveResult) line += " | receive " + Step(*record.receiveResult);
  if (record.replyCode) {
    line += " | reply " + Hex(*record.replyCode, 2) + ": " + Words(record.replyWords);
  }
  line += record.success ? " | ok" : " | FAILED";
  char duration[32];
  std::snprintf(duration, sizeof duration, " | %.1f ms",
                static_cast<double>(record.duration.count()) / 1000.0);
  return line + duration;
}

void ExchangeTrace::OnExchange(const ExchangeRecord& record) {
  const std::string line = Format(record);
  std::lock_guard lock(mutex_);
  out_ << line << '\n';
  out_.flush();
}

}  // namespace zel::link
