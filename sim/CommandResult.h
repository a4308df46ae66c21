#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace zel::sim {

// What the device sends back for one accepted command frame. Commands outside the reply set
// produce hasReply == false and nothing further goes on the line.
struct CommandResult {
  static constexpr uint8_t kReplyOk = 0x00;
  static constexpr uint8_t kReplyRejected = 0x05;

  bool hasReply = false;
  uint8_t replyCode = 0;
  std::vector<uint16_t> words;

  static CommandResult Reply(std::vector<uint16_t> words) {
    CommandResult result;
    result.hasReply = true;
    result.replyCode = kReplyOk;
    result.words = std::move(words);
    return result;
  }

  // A command of the reply set that the device refuses: the reply code and one data word 0.
  static CommandResult Rejected() {
    CommandResult result;
    result.hasReply = true;
    result.replyCode = kReplyRejected;
    result.words = {0};
    return result;
  }
};

}  // namespace zel::sim
