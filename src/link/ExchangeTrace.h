#pragma once

#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "link/LinkObserver.h"

namespace zel::link {

// Writes one decoded line per exchange to a stream, for `zelctl --trace` and `zelgui --trace`:
//
//   14:03:07.412 0x1A ReadVersion args 0x0000 | send 0x13 'F' to opcode, 0x00 ok | retries 1 |
//     receive 0x00 ok | reply 0x00: 0x1043 0x0002 0x0007 0x0001 | ok | 12.4 ms
//
// (one line; broken here). The time is local wall-clock time; the line ends "FAILED" instead of
// "ok" when the command failed. Lines from different threads never mix: each is written whole
// under a lock and flushed. The stream must outlive the trace.
class ExchangeTrace final : public LinkObserver {
 public:
  explicit ExchangeTrace(std::ostream& out) : out_(out) {}

  void OnExchange(const ExchangeRecord& record) override;

  // The line OnExchange writes, without the newline.
  static std::string Format(const ExchangeRecord& record);
  // The device command's name for an opcode of the ZEL's command set and the CAN gateway's,
  // "?" for any other.
  static std::string_view CommandName(uint8_t opcode);
  // A short meaning of a port or frame result code ("ok", "'F' to opcode"), "?" if unknown.
  static std::string_view ResultMeaning(uint8_t code);

 private:
  std::mutex mutex_;
  std::ostream& out_;
};

}  // namespace zel::link
