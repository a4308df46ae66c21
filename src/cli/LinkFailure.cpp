#include "cli/LinkFailure.h"

#include "link/ResultCodes.h"

namespace zel::cli {

namespace r = link::result;

LinkFailure LinkFailure::FromResult(uint8_t code) {
  switch (code) {
    case r::kOk:
      return {"refused", "The ZEL refused the command."};
    case r::kOpcodeRejected:
      return {"refused", "The ZEL refused the command on every trial ('F' to its opcode)."};
    case r::kFrameRejected:
      return {"refused",
              "The ZEL refused the frame on every trial ('F'): its checksum arrived wrong, so "
              "the line is disturbed."};
    case r::kNoByte:
    case r::kOpcodeNoAnswer:
    case r::kFrameNoAnswer:
      return {"timeout",
              "No answer from the ZEL within the time-out: check the cable, the port and the "
              "baud rate (--baud)."};
    case r::kReplyShort:
      return {"timeout", "The ZEL's answer stopped short within the time-out."};
    case r::kReplyChecksum:
    case r::kOpcodeBadAnswer:
    case r::kFrameBadAnswer:
      return {"garbled",
              "The answer on the line was garbled: noise, another device, or a wrong baud rate."};
    case r::kNoTrials:
      return {"line", "Nothing was sent: the number of transmit trials is 0 (--trials)."};
    default:
      return {"line", "The serial line failed (is the adapter still plugged in?)."};
  }
}

}  // namespace zel::cli
