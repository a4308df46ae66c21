#include <gtest/gtest.h>

#include <vector>

#include "link/RecorderGroup.h"
#include "link/ScriptedStack.h"

namespace zel::link {
namespace {

class RecorderGroupTest : public ScriptedStackTest {
 protected:
  RecorderGroup& Recorder() { return comm_.Recorder(); }
};

TEST_F(RecorderGroupTest, SetupThenFullUploadTakesAllWordsOfTheReply) {
  std::vector<uint16_t> recorded(256);
  for (int i = 0; i < 256; ++i) recorded[i] = static_cast<uint16_t>(i * 3);
  line_.ExpectCommand(48, {10, 128});
  // The ZEL may take its time before the reply code: the allowance covers that.
  line_.ExpectCommand(49, {0}).Pause(900).SendReply(0, recorded);
  EXPECT_TRUE(Recorder().SetupRecorder(10, 128));
  std::vector<uint16_t> words;
  EXPECT_TRUE(Recorder().ReadRecordedData(0, 1000, words));
  EXPECT_EQ(words, recorded);

  // Without the allowance the same pause is too long.
  line_.ExpectCommand(49, {5}).Pause(900).Send(0);
  EXPECT_FALSE(Recorder().ReadRecordedData(5, 0, words));
  EXPECT_EQ(words, recorded);
  line_.ClearWritten();
}

TEST_F(RecorderGroupTest, ShortUploadGivesOnlyTheWordsSent) {
  line_.ExpectCommand(49, {0}).SendReply(0, {7, 8});
  std::vector<uint16_t> words(100, 1);
  EXPECT_TRUE(Recorder().ReadRecordedData(0, 0, words));
  EXPECT_EQ(words, (std::vector<uint16_t>{7, 8}));
}

TEST_F(RecorderGroupTest, VariablesTakeTheirDefinitionsSizes) {
  // 128 is a 16-bit status value; an undefined number counts 2 bytes.
  comm_.Definitions().AddStatus(250, 1, 0, "Wide", "", 0, 0, 0, 0, 0);
  const std::vector<uint16_t> variables = {128, 250, 0x1234};
  line_.ExpectCommand(50, {3, 128, 250, 0x1234}).SendReply(0, {0x0201, 0x0403, 0x0605, 0x0807});
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(Recorder().ReadVariables(variables, bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(RecorderGroupTest, TooManyVariablesAreNotSent) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(Recorder().ReadVariables({}, bytes));
  const std::vector<uint16_t> many(129, 0x2000);  // 258 bytes
  EXPECT_FALSE(Recorder().ReadVariables(many, bytes));
  EXPECT_TRUE(Wire().empty());
}

}  // namespace
}  // namespace zel::link
