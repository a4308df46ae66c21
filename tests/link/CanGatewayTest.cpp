#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/CCanValueDlg.h"
#include "link/CanBitRateTable.h"
#include "link/CanGateway.h"
#include "link/CanGatewayCommands.h"
#include "link/RtrConfiguration.h"
#include "link/ScriptedStack.h"
#include "ui/Window.h"

namespace zel::link {
namespace {

using Strings = std::vector<std::string>;
using ui::Window;

class CanGatewayTest : public ScriptedStackTest {
 protected:
  CanGateway& Can() { return comm_.Can(); }
  // Module 4 at 0x1040: RTR identifiers 0x0182 and 0x0183, channel 0 active with one LWord
  // entry (status value 135), channel 1 empty.
  void ScriptRead() {
    line_.ExpectCommand(68, {4, 0x1A00, 0}).SendReply(0, {0x1040, 0x0200});
    line_.ExpectCommand(68, {4, 0x1400, 39, 0}).SendReply(0, {0x0182});
    line_.ExpectCommand(68, {4, 0x1400, 40, 0}).SendReply(0, {0x0183});
    line_.ExpectCommand(68, {4, 0x1400, 41, 0}).SendReply(0, {0x1000});
    for (uint16_t index = 0; index < 4; ++index) {
      for (uint16_t channel = 0; channel < 2; ++channel) {
        const bool present = channel == 0 && index == 0;
        line_.ExpectCommand(68, {4, 0x4B00, channel, index})
            .SendReply(0, {static_cast<uint16_t>(present ? 79 : 70), 0x0100, 135});
      }
    }
  }
  // The ZEL refuses the next frame on every transmission.
  void ScriptRefused() {
    for (int trial = 0; trial < CommSettings{}.transmitTrials; ++trial) line_.Expect(1).Send('F');
  }
  // The user types texts into the dialog's fields in order and presses OK.
  void Type(std::vector<std::string> texts) {
    host_.QueueModal([texts](Window& w) {
      for (std::size_t i = 0; i < texts.size(); ++i) {
        w.UserSetText(CCanValueDlg::kIdFirstField + static_cast<int>(i), texts[i]);
      }
      w.Press(ui::kIdOk);
      // A refused value keeps the dialog open: the script then corrects it.
      if (!w.IsEnded()) {
        w.UserSetText(CCanValueDlg::kIdFirstField, "1");
        w.UserSetText(CCanValueDlg::kIdFirstField + 1, "0");
        w.Press(ui::kIdOk);
      }
    });
  }
};

TEST_F(CanGatewayTest, CarriersPutTheOpcodeInTheSecondByteAndCutTheirCounts) {
  line_.ExpectCommand(61, {9, 0x0300, 0, 0, 0});
  const uint16_t zero[] = {0};
  EXPECT_TRUE(Can().sendToModule(9, 3, zero));

  // Destination word, byte 0, byte 75, the two parameter words.
  line_.AcceptCommand(Command(68, {9, 0x4B00, 1, 2}));
  line_.SendReply(0, {79, 0x0110, 0x0085});
  const uint16_t params[] = {1, 2, 3};
  std::array<uint16_t, 4> results = {0, 0, 0, 0xAAAA};
  EXPECT_TRUE(Can().readFromModule(9, 75, std::span(params).first(2), results));
  EXPECT_EQ(results, (std::array<uint16_t, 4>{79, 0x0110, 0x0085, 0xAAAA}));

  // A third parameter and a fourth result are cut.
  line_.ExpectCommand(68, {9, 0x1400, 1, 2}).SendReply(0, {5, 6, 7});
  EXPECT_TRUE(Can().readFromModule(9, 20, params, results));
  EXPECT_EQ(results, (std::array<uint16_t, 4>{5, 6, 7, 0xAAAA}));

  // No result asked for: nothing goes out.
  const std::size_t before = Wire().size();
  EXPECT_FALSE(Can().readFromModule(9, 26, zero, std::span<uint16_t>()));
  EXPECT_EQ(Wire().size(), before);
}

TEST_F(CanGatewayTest, DestinationZeroAsksAndCancelSendsNothing) {
  comm_.SetShowFlags(true);
  CanGatewayCommands commands(Can());
  host_.QueueModal([](Window& w) { w.Press(ui::kIdCancel); });
  EXPECT_EQ(commands.ResetModuleCan(), ui::CommandOutcome::kFailed);
  EXPECT_TRUE(Wire().empty());

  // 0 and a value beyond one word are refused; the confirmed one is proposed next time.
  std::string proposed;
  host_.QueueModal([&](Window& w) {
    proposed = w.Text(1200);
    w.UserSetText(1200, "0");
    w.Press(ui::kIdOk);
    w.UserSetText(1200, "65536");
    w.Press(ui::kIdOk);
    w.UserSetText(1200, "12");
    w.Press(ui::kIdOk);
  });
  line_.ExpectCommand(61, {12, 0x4C00, 0, 0, 0});
  EXPECT_EQ(commands.ResetModuleCanError(), ui::CommandOutcome::kDone);
  EXPECT_EQ(proposed, "1");
  EXPECT_EQ(Can().LastDestination(), 12);
  EXPECT_EQ(host_.Messages(), (Strings{"Value is too small!", "Value is too large!"}));
}

TEST(CanBitRateTableTest, IndexOutsideTheTableGivesFiveHundredAndUnknownPairsGiveEleven) {
  for (int index : {2, -1, 8, 11}) {
    EXPECT_EQ(CanBitRateTable::RegistersOf(index), (CanBitRateTable::Registers{0x066C, 1}));
  }
  for (int index = 0; index < CanBitRateTable::kCount; ++index) {
    auto pair = CanBitRateTable::RegistersOf(index);
    EXPECT_EQ(CanBitRateTable::IndexOf(pair.bcr1, pair.bcr2), index);
  }
  EXPECT_EQ(CanBitRateTable::IndexOf(0x066C, 3), 3);
  EXPECT_EQ(CanBitRateTable::IndexOf(0x066C, 2), 11);
  EXPECT_EQ(CanBitRateTable::IndexOf(0x0673, 1), 11);
  EXPECT_EQ(CanBitRateTable::Text(11), "Bitrate unknown!");
  EXPECT_EQ(CanBitRateTable::Text(4), "125kBit/s");
}

TEST_F(CanGatewayTest, BitRateRegistersFollowTheSoftwareVersion) {
  comm_.SetShowFlags(true);
  CanGatewayCommands commands(Can());
  Can().SetSoftwareVersion(0x103F);
  line_.ExpectCommand(63, {0x066C});
  Type({"0x066C"});
  EXPECT_EQ(commands.SetBCR1(), ui::CommandOutcome::kDone);

  Can().SetSoftwareVersion(0x1040);
  line_.ExpectCommand(63, {0x0673, 7});
  std::string proposed;
  host_.QueueModal([&](Window& w) {
    proposed = w.Text(CCanValueDlg::kIdFirstField);
    w.UserSetText(CCanValueDlg::kIdFirstField, "0x0673");
    w.UserSetText(CCanValueDlg::kIdFirstField + 1, "0x0007");
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(commands.SetBCR1(), ui::CommandOutcome::kDone);
  // The dialog opened with the value of its last use.
  EXPECT_EQ(proposed, "0x066C");
  EXPECT_EQ(host_.ModalTitles(), (Strings{"SetCAN_BCR1", "SetCAN_BCR1_BCR2"}));
}

TEST_F(CanGatewayTest, SetDialogsCheckByTheParameterAndConfigRtrByItsOwnRule) {
  comm_.SetShowFlags(true);
  CanGatewayCommands commands(Can());
  // Module ID 128 is beyond CanModuleID's 127; the corrected 5 goes out and becomes current.
  host_.QueueModal([](Window& w) {
    w.UserSetValue(CCanValueDlg::kIdDec, 1);
    w.UserSetText(CCanValueDlg::kIdFirstField, "128");
    w.Press(ui::kIdOk);
    w.UserSetText(CCanValueDlg::kIdFirstField, "5");
    w.Press(ui::kIdOk);
  });
  line_.ExpectCommand(57, {5});
  EXPECT_EQ(commands.SetModuleID(), ui::CommandOutcome::kDone);
  EXPECT_EQ(Can().CurrentModuleId(), 5);
  host_.Clear();

  // Channel 1 with action 3, then channel 2 with action 0: both refused, the dialog stays.
  host_.QueueModal([](Window& w) {
    w.UserSetText(CCanValueDlg::kIdFirstField, "1");
    w.UserSetText(CCanValueDlg::kIdFirstField + 1, "3");
    w.Press(ui::kIdOk);
    w.UserSetText(CCanValueDlg::kIdFirstField, "2");
    w.UserSetText(CCanValueDlg::kIdFirstField + 1, "0");
    w.Press(ui::kIdOk);
    w.UserSetText(CCanValueDlg::kIdFirstField, "1");
    w.UserSetText(CCanValueDlg::kIdFirstField + 1, "2");
    w.Press(ui::kIdOk);
  });
  line_.ExpectCommand(71, {1, 2});
  EXPECT_EQ(commands.ConfigRTR(), ui::CommandOutcome::kDone);
  EXPECT_EQ(host_.Messages(), (Strings{CanGatewayCommands::kConfigRtrRefusal,
                                       CanGatewayCommands::kConfigRtrRefusal}));
}

TEST_F(CanGatewayTest, RtrChannelBudgetIsFourEntriesAndFourWords) {
  RtrConfiguration rtr(Can());
  EXPECT_TRUE(rtr.Add(RtrEntry::Make(0, false, false, 128)));
  EXPECT_TRUE(rtr.Add(RtrEntry::Make(0, true, true, 0x0300)));
  EXPECT_EQ(rtr.WordsUsed(0), 3);
  EXPECT_TRUE(rtr.MayAdd(0));
  // An LWord into 3 used words is refused and not added; a Word still fits.
  EXPECT_FALSE(rtr.Add(RtrEntry::Make(0, false, true, 135)));
  EXPECT_EQ(rtr.At(0).entries.size(), 2u);
  EXPECT_TRUE(rtr.Add(RtrEntry::Make(0, false, false, 129)));
  EXPECT_FALSE(rtr.MayAdd(0));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(rtr.Add(RtrEntry::Make(1, false, false, 130)));
  EXPECT_FALSE(rtr.MayAdd(1));
  EXPECT_FALSE(rtr.Remove(1, 4));
  EXPECT_EQ(host_.Messages(), (Strings{"You can only add 4 Words!\nPlease delete a parameter!",
                                       "You can only add 4 Words!\nPlease delete a parameter!",
                                       "You can only add 4 Words!", "No item selected"}));
}

TEST_F(CanGatewayTest, RtrStoreRunsInOrderAndSkipsTheOnStepOfAnEmptyChannel) {
  RtrConfiguration rtr(Can());
  ScriptRead();
  ASSERT_TRUE(rtr.Read(4));
  EXPECT_EQ(rtr.At(0).id, 0x0182);
  EXPECT_TRUE(rtr.At(0).active);
  EXPECT_FALSE(rtr.At(1).active);
  ASSERT_EQ(rtr.At(0).entries, (std::vector<RtrEntry>{{0x0100, 135}}));
  EXPECT_TRUE(rtr.At(1).entries.empty());

  line_.ExpectCommand(61, {4, 0x4700, 0, 0, 0});
  line_.ExpectCommand(61, {4, 0x4700, 1, 0, 0});
  line_.ExpectCommand(61, {4, 0x4600, 0, 0x0182, 0});
  line_.ExpectCommand(61, {4, 0x4600, 1, 0x0183, 0});
  line_.ExpectCommand(61, {4, 0x4700, 0, 2, 0});
  line_.ExpectCommand(61, {4, 0x4700, 1, 2, 0});
  line_.ExpectCommand(68, {4, 0x4A00, 0x0100, 135}).SendReply(0, {79});
  line_.ExpectCommand(61, {4, 0x4700, 0, 1, 0});
  EXPECT_TRUE(rtr.Store());
}

TEST_F(CanGatewayTest, RtrStoreIgnoresTheOffStepsButStopsAtTheFirstFailureAfter) {
  RtrConfiguration rtr(Can());
  ScriptRead();
  ASSERT_TRUE(rtr.Read(4));
  const std::size_t before = Wire().size();
  ScriptRefused();
  line_.ExpectCommand(61, {4, 0x4700, 1, 0, 0});
  ScriptRefused();
  EXPECT_FALSE(rtr.Store());
  // Four refused opcodes, the second off frame (14 bytes), four refused opcodes: nothing after
  // the failed identifier step went out.
  const std::size_t trials = static_cast<std::size_t>(CommSettings{}.transmitTrials);
  EXPECT_EQ(Wire().size() - before, trials + 14 + trials);
}

}  // namespace
}  // namespace zel::link
