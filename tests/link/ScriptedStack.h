#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "link/CommSettings.h"
#include "link/ZelCommunication.h"
#include "support/ScriptedChannel.h"
#include "ui/ScriptedHost.h"

namespace zel::link {

// A communication stack on a scripted ZEL (virtual clock), with a scripted user at the desk.
// Tests script the ZEL's side with line_ and read what the tool put on the wire with Wire().
class ScriptedStackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(comm_.OpenLink(CommSettings{}));
    line_.ClearWritten();
  }

  void TearDown() override {
    EXPECT_TRUE(line_.Mismatches().empty());
    EXPECT_TRUE(line_.ScriptDone()) << "the tool sent fewer frames than scripted";
  }

  std::vector<uint8_t> Wire() const { return line_.Written(); }

  // The wire bytes of a whole exchange as the tool writes them: the command frame, then for a
  // reply the tool's two acknowledges.
  static std::vector<uint8_t> Command(uint8_t opcode, const std::vector<uint16_t>& words) {
    return test::ScriptedChannel::FrameBytes(opcode, words);
  }

  // Scripts SysConfig being read and answers with value.
  void ScriptReadSysConfig(uint16_t value) {
    line_.ExpectCommand(20, {1, 0}).SendReply(0, {value});
  }

  test::ScriptedChannel line_;
  ZelCommunication comm_{line_.Opener()};
  ui::ScriptedHost host_;
};

}  // namespace zel::link
