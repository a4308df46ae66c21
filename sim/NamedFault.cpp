#include "sim/NamedFault.h"

#include <array>
#include <cstdio>

#include "sim/NumberText.h"

namespace zel::sim {
namespace {

// More than any test or rehearsal needs, and small enough to stay an int.
constexpr unsigned long kMaxCount = 1'000'000;
// A burst of noise longer than a reply frame tells nothing more.
constexpr std::size_t kMaxNoiseBytes = 600;
// A reply frame is at most reply code, L, 512 data bytes and the checksum.
constexpr unsigned long kMaxStopAfter = 515;
// A transfer of a few hundred thousand exchanges is the longest there is.
constexpr unsigned long kMaxSkip = 100'000'000;

struct FaultName {
  NamedFault::Kind kind;
  std::string_view name;
};

constexpr std::array<FaultName, 9> kNames{{
    {NamedFault::Kind::kNeverAnswer, "never-answer"},
    {NamedFault::Kind::kRejectOpcode, "reject-opcode"},
    {NamedFault::Kind::kRejectChecksum, "reject-checksum"},
    {NamedFault::Kind::kRefuseReply, "refuse-reply"},
    {NamedFault::Kind::kCorruptReply, "corrupt-reply"},
    {NamedFault::Kind::kStopReply, "stop-reply"},
    {NamedFault::Kind::kNoise, "noise"},
    {NamedFault::Kind::kStrayAck, "stray-ack"},
    {NamedFault::Kind::kHangUp, "hang-up"},
}};

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& bytes) {
  if (text.empty() || text.size() % 2 != 0 || text.size() / 2 > kMaxNoiseBytes) return false;
  std::vector<uint8_t> result;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned long byte = 0;
    if (!ParseUnsigned("0x" + std::string(text.substr(i, 2)), 0xFF, byte)) return false;
    result.push_back(static_cast<uint8_t>(byte));
  }
  bytes = std::move(result);
  return true;
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  char buffer[4];
  for (uint8_t byte : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02x", byte);
    text += buffer;
  }
  return text;
}

std::string_view NameOf(LineFault fault) {
  for (const FaultName& entry : kNames)
    if (entry.kind == fault) return entry.name;
  return {};
}

std::string Skip(const ArmedFaults& armed, LineFault fault) {
  uint64_t skip = armed.Skip(fault);
  return skip == 0 ? std::string() : ",skip=" + std::to_string(skip);
}

void AddCounted(std::string& text, const ArmedFaults& armed, LineFault fault, int count,
                std::string suffix = {}) {
  if (count <= 0) return;
  if (!text.empty()) text += ' ';
  text += std::string(NameOf(fault)) + "=" + std::to_string(count) + suffix + Skip(armed, fault);
}

}  // namespace

bool NamedFault::Parse(std::string_view text, NamedFault& fault, std::string& error) {
  std::string_view head = text.substr(0, text.find(','));
  std::string_view rest = head.size() < text.size() ? text.substr(head.size() + 1) : "";
  std::string_view name = head.substr(0, head.find('='));
  NamedFault parsed;
  bool known = false;
  for (const FaultName& entry : kNames) {
    if (entry.name == name) {
      parsed.kind = entry.kind;
      known = true;
    }
  }
  if (!known) {
    error = "unknown fault '" + std::string(name) + "'";
    return false;
  }
  if (name.size() < head.size()) {
    unsigned long count = 0;
    if (!ParseUnsigned(head.substr(name.size() + 1), kMaxCount, count)) {
      error = "fault " + std::string(name) + ": the count must be a number from 0 to 1000000";
      return false;
    }
    parsed.count = static_cast<int>(count);
  } else {
    parsed.untilCleared = parsed.kind == Kind::kNeverAnswer;
  }
  while (!rest.empty()) {
    std::string_view item = rest.substr(0, rest.find(','));
    rest = item.size() < rest.size() ? rest.substr(item.size() + 1) : "";
    std::string_view key = item.substr(0, item.find('='));
    std::string_view value = key.size() < item.size() ? item.substr(key.size() + 1) : "";
    unsigned long after = 0;
    if (key == "skip") {
      unsigned long skip = 0;
      if (!ParseUnsigned(value, kMaxSkip, skip)) {
        error = "fault " + std::string(name) + ": skip= needs an opcode count from 0 to 100000000";
        return false;
      }
      parsed.skip = skip;
    } else if (key == "after" && parsed.kind == Kind::kStopReply) {
      if (!ParseUnsigned(value, kMaxStopAfter, after)) {
        error = "fault stop-reply: after= needs a byte count from 0 to 515";
        return false;
      }
      parsed.after = after;
    } else if (key == "bytes" && parsed.kind == Kind::kNoise) {
      if (!ParseHexBytes(value, parsed.bytes)) {
        error = "fault noise: bytes= needs hexadecimal byte pairs, for example 55aa00";
        return false;
      }
    } else {
      error = "fault " + std::string(name) + " takes no '" + std::string(key) + "'";
      return false;
    }
  }
  fault = std::move(parsed);
  return true;
}

void NamedFault::ArmOn(FaultInjector& faults) const {
  Arm(faults);
  faults.HoldBack(kind, skip);
}

void NamedFault::Arm(FaultInjector& faults) const {
  switch (kind) {
    case Kind::kNeverAnswer:
      faults.SetNeverAnswer(untilCleared);
      faults.SilenceOpcodes(untilCleared ? 0 : count);
      break;
    case Kind::kRejectOpcode:
      faults.RejectOpcodes(count);
      break;
    case Kind::kRejectChecksum:
      faults.RejectChecksums(count);
      break;
    case Kind::kRefuseReply:
      faults.RefuseReplies(count);
      break;
    case Kind::kCorruptReply:
      faults.CorruptNextReplyChecksum(count);
      break;
    case Kind::kStopReply:
      faults.StopNextReplyAfter(after, count);
      break;
    case Kind::kNoise:
      faults.SendNoiseBeforeNextAck(bytes, count);
      break;
    case Kind::kStrayAck:
      faults.SendStrayAcks(count);
      break;
    case Kind::kHangUp:
      faults.HangUpOnNextOpcode(count);
      break;
  }
}

std::string NamedFault::Describe(const ArmedFaults& armed) {
  std::string text;
  if (armed.neverAnswer) text = "never-answer" + Skip(armed, LineFault::kNeverAnswer);
  AddCounted(text, armed, LineFault::kNeverAnswer, armed.neverAnswer ? 0 : armed.silentOpcodes);
  AddCounted(text, armed, LineFault::kRejectOpcode, armed.opcodeRejects);
  AddCounted(text, armed, LineFault::kRejectChecksum, armed.checksumRejects);
  AddCounted(text, armed, LineFault::kRefuseReply, armed.replyRefusals);
  AddCounted(text, armed, LineFault::kCorruptReply, armed.corruptReplies);
  AddCounted(text, armed, LineFault::kStopReply, armed.replyStops,
             ",after=" + std::to_string(armed.stopAfter));
  AddCounted(text, armed, LineFault::kNoise, armed.noiseBursts, ",bytes=" + HexBytes(armed.noise));
  AddCounted(text, armed, LineFault::kStrayAck, armed.strayAcks);
  AddCounted(text, armed, LineFault::kHangUp, armed.hangUps);
  return text.empty() ? "none" : text;
}

const char* NamedFault::Help() {
  return "Faults (--fault FAULT, control: fault FAULT...), FAULT = NAME[=COUNT][,KEY=VALUE]:\n"
         "  COUNT is how many of the next exchanges show the fault (default 1, 0 disarms it)\n"
         "  skip=N (any of these) lets N further opcodes pass before the fault shows\n"
         "  never-answer[=N]        swallow every byte; without N until cleared, with N the\n"
         "                          next N opcodes\n"
         "  reject-opcode[=N]       answer 'F' to the next N opcodes\n"
         "  reject-checksum[=N]     answer 'F' to the next N complete frames, checksum right\n"
         "  refuse-reply[=N]        refuse the next N commands that have a reply with reply\n"
         "                          code 0x05, without executing them\n"
         "  corrupt-reply[=N]       send the next N reply frames with a wrong checksum\n"
         "  stop-reply[=N][,after=B]  stop the next N replies B bytes after the reply code\n"
         "                          (default 0: only the reply code goes out)\n"
         "  noise[=N][,bytes=HEX]   send these bytes before the next N opcode answers\n"
         "                          (default 00)\n"
         "  stray-ack[=N]           send an extra 'O' before the next N opcode answers; the\n"
         "                          device then serves the frame as usual\n"
         "  hang-up[=N]             close the line at the next N opcodes and link a fresh one\n";
}

}  // namespace zel::sim
