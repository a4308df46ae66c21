#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace zel::link {

// What one SerialLink::Execute did on the line, for traces and diagnostics.
struct ExchangeRecord {
  std::chrono::system_clock::time_point start;  // wall clock when Execute was called
  std::chrono::microseconds duration{0};        // until the outcome was known
  uint8_t opcode = 0;
  std::vector<uint16_t> arguments;  // the command frame's data words as sent (L + 1 of them)
  // SendFrame's result code for each attempt, in order: more than one when 'F' made the frame
  // go again. Empty when nothing was sent (line claimed, arguments that did not fit).
  std::vector<uint8_t> sendResults;
  bool replyExpected = false;            // the opcode is in the reply set
  std::optional<uint8_t> receiveResult;  // ReceiveFrame's code, when a reply frame was read
  // The line was out of step at the end of an exchange without reply: its code (0x12), which
  // turned the last attempt's 0x00 into a failure.
  std::optional<uint8_t> endResult;
  std::optional<uint8_t> replyCode;  // the reply frame's first byte, when it was received whole
  std::vector<uint16_t> replyWords;  // its data words (L + 1 of them)
  bool refusedByClaim = false;       // another thread had claimed the link: nothing was sent
  bool success = false;              // what Execute returned
};

// Watches every exchange of a SerialLink (SerialLink::SetObserver). OnExchange runs on the
// thread that ran the exchange, after the link's lock has been released, one call at a time
// across all threads. It must not use the link it observes, nor attach or detach observers.
class LinkObserver {
 public:
  virtual ~LinkObserver() = default;
  virtual void OnExchange(const ExchangeRecord& record) = 0;
};

}  // namespace zel::link
