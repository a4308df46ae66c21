#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "TestPackages.h"
#include "firmware/BootLoaderLink.h"
#include "firmware/DownloadController.h"
#include "firmware/DownloadVerdict.h"
#include "firmware/FlashSequence.h"
#include "support/CoffWriter.h"
#include "support/ScriptedChannel.h"

namespace zel::firmware {
namespace {

using test::CoffWriter;
using test::ScriptedChannel;

// A boot link on a scripted line whose clock is the line's virtual one, recording the results.
class BootSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(link_.Port().Open("Com1", 38400, 100));
    link_.SetClock([this] { return line_.NowMs(); });
    link_.SetEventSink([this](const DownloadEvent& event) {
      if (event.event == DownloadEvent::kStepResult)
        results_.push_back(static_cast<int>(event.value));
      if (event.event == DownloadEvent::kWarning) warnings_.push_back(event.text);
    });
  }

  // The far side echoes each byte of a word-by-word transfer as it comes.
  void EchoBytes(int count) {
    for (int i = 0; i < count; ++i) line_.Expect(1).Send(0x00);
  }
  // A block load of `words` words at 0xFE00: destination and count echoed byte by byte, then
  // the block echoed whole, then the routine's status.
  void BlockLoadWithStatus(int words, uint8_t status) {
    EchoBytes(4);
    line_.Expect(2 * words).Send(std::vector<uint8_t>(static_cast<std::size_t>(2 * words), 0));
    line_.Send(status);
  }
  int Count(int code) const {
    return static_cast<int>(std::count(results_.begin(), results_.end(), code));
  }

  static std::vector<uint8_t> FlashControl() {
    CoffWriter coff;
    coff.AddSection({"FlshCtrl", 0xFE90, 0, CoffWriter::PatternWords("FlshCtrl", 6)});
    for (const char* name : {"fl_clr", "fl_ers", "fl_wrt"})
      coff.AddSection({name, 0xFE00, 0, CoffWriter::PatternWords(name, 4)});
    return coff.Build();
  }

  ScriptedChannel line_;
  link::BootPort port_{line_.Opener()};
  // The link is the controller's own, as in the program.
  DownloadController controller_{port_};
  BootLoaderLink& link_ = controller_.Link();
  std::vector<int> results_;
  std::vector<std::string> warnings_;
};

TEST_F(BootSequenceTest, ConnectSendsNineThenOneAtATimeAndOnlyOnce) {
  line_.Expect(9).Send(0xAA);
  ASSERT_TRUE(link_.Connect(true));
  EXPECT_EQ(line_.Written(), std::vector<uint8_t>(9, 0x0D));
  EXPECT_EQ(results_, std::vector<int>{301});
  // Connected: a second Connect sends nothing at all.
  EXPECT_TRUE(link_.Connect(true));
  EXPECT_EQ(line_.Written().size(), 9u);

  // A loader that answers anything else is refused at once, without another 0x0D.
  link_.Disconnect();
  line_.ClearWritten();
  line_.Expect(9).Send(0x55);
  EXPECT_FALSE(link_.Connect(true));
  EXPECT_EQ(line_.Written().size(), 9u);

  // Silence: twenty 0x0D in all, then the handshake gives up.
  line_.ClearWritten();
  EXPECT_FALSE(link_.Connect(false));
  EXPECT_EQ(line_.Written(), std::vector<uint8_t>(20, 0x0D));
  EXPECT_EQ(results_, (std::vector<int>{301, 302}));
}

TEST_F(BootSequenceTest, BootCommandIsOneFrameWithItsChecksum) {
  const uint16_t crc = ScriptedChannel::FrameChecksum(0x49, {0x0000});
  line_.ExpectBytes({0x49}).Send('O');
  line_
      .ExpectBytes(
          {0x00, 0x00, 0x00, static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)})
      .Send('O');
  EXPECT_EQ(link_.EnterBootMode(false), 1601);
  EXPECT_TRUE(line_.Mismatches().empty());

  line_.ExpectBytes({0x49}).Send('F');
  EXPECT_EQ(link_.EnterBootMode(false), 1603);
  line_.ExpectBytes({0x49});
  EXPECT_EQ(link_.EnterBootMode(false), 1602);
}

TEST_F(BootSequenceTest, TiFlashControlGoesBehindFortyTwoFillers) {
  const std::vector<uint8_t> coff = FlashControl();
  CoffSectionHeader section;
  ASSERT_TRUE(BootLoaderLink::FindSection(coff, "FlshCtrl", section));
  // Destination 0xFE66, count 6 + 41, 42 words 0x8B00: the code itself lands at 0xFE90.
  std::vector<uint8_t> words = {0x66, 0xFE, 47, 0x00};
  for (int i = 0; i < 42; ++i) words.insert(words.end(), {0x00, 0x8B});
  for (uint8_t byte : words) line_.ExpectBytes({byte}).Send(byte);
  const std::vector<uint8_t> raw(coff.begin() + section.rawDataPosition,
                                 coff.begin() + section.rawDataPosition + 12);
  line_.ExpectBytes(raw).Send(raw);
  EXPECT_EQ(link_.LoadSectionAsBlock(coff, section, 0xFE66, true), BootLoaderLink::Load::kOk);
  EXPECT_TRUE(line_.Mismatches().empty());
  EXPECT_TRUE(line_.ScriptDone());
}

TEST_F(BootSequenceTest, BootProgramRetriedWithinFiveSecondsAfterOneConnect) {
  CoffWriter boot;
  boot.AddSection({"TIBoot", 0xFE66, 0, CoffWriter::PatternWords("TIBoot", 4)});
  DownloadImages images;
  images.tiBoot = boot.Build();
  FlashSequence sequence(link_, images);
  line_.Expect(9).Send(0xAA);
  // Three attempts die at the destination word's first byte; the fourth goes through.
  for (int failed = 0; failed < 3; ++failed) line_.Expect(1);
  EchoBytes(2 + 2 + 8);
  line_.Send('R');
  EXPECT_EQ(sequence.StartTiBoot(), 201);
  const std::vector<uint8_t> written = line_.Written();
  EXPECT_EQ(std::count(written.begin(), written.end(), 0x0D), 9);
  EXPECT_LT(line_.NowMs(), 5000);
}

TEST_F(BootSequenceTest, EraseStatusTwoWritesInverselyWithoutTheEraseError) {
  DownloadImages images;
  images.flshCtrl = FlashControl();
  FlashSequence sequence(link_, images);
  BlockLoadWithStatus(4, 0);  // fl_clr
  BlockLoadWithStatus(4, 2);  // fl_ers: needs inverse writing
  BlockLoadWithStatus(4, 0);  // fl_wrt
  BlockLoadWithStatus(4, 0);
  BlockLoadWithStatus(4, 0);
  EXPECT_EQ(sequence.Prepare(), 701);
  EXPECT_EQ(results_, (std::vector<int>{707, 701}));
}

TEST_F(BootSequenceTest, TenthFailedErasePassEndsThePreparation) {
  DownloadImages images;
  images.flshCtrl = FlashControl();
  FlashSequence sequence(link_, images);
  for (int pass = 1; pass <= 10; ++pass) {
    BlockLoadWithStatus(4, 0);
    BlockLoadWithStatus(4, 1);
    if (pass < 10) BlockLoadWithStatus(4, 0);
  }
  EXPECT_EQ(sequence.Prepare(), 702);
  EXPECT_EQ(Count(706), 10);
  EXPECT_EQ(Count(707), 9);
  EXPECT_EQ(results_.back(), 702);
  EXPECT_TRUE(line_.ScriptDone());
}

TEST_F(BootSequenceTest, MissingStatusEndsAfterTenSecondsOfVirtualTime) {
  DownloadImages images;
  images.flshCtrl = FlashControl();
  FlashSequence sequence(link_, images);
  EchoBytes(4);
  line_.Expect(8).Send(std::vector<uint8_t>(8, 0));
  const int64_t start = line_.NowMs();
  EXPECT_EQ(sequence.Prepare(), 702);
  EXPECT_GE(line_.NowMs() - start, 10000);
  EXPECT_LT(line_.NowMs() - start, 10500);
}

TEST_F(BootSequenceTest, ProtectionCheckWithoutAnswerWarnsOfTheLine) {
  DownloadImages images;
  FlashSequence sequence(link_, images);
  line_.ExpectBytes({'P'}).Send('R');
  EXPECT_EQ(sequence.CheckProtection(), 601);
  line_.ExpectBytes({'P'}).Send(0x00);
  EXPECT_EQ(sequence.CheckProtection(), 602);
  EXPECT_TRUE(warnings_.empty());
  line_.ExpectBytes({'P'});
  EXPECT_EQ(sequence.CheckProtection(), 602);
  EXPECT_EQ(warnings_, std::vector<std::string>{"COMMUNICATION ERROR!"});
}

TEST_F(BootSequenceTest, UnreadableFlashControlFileEndsBeforeTheFirstStep) {
  zelpack::PackageNode root;
  zelpack::PackageNode& version = root.AddStorage("ZEL_1040");
  version.AddStream("Summary.txt", test::SummaryText());
  version.AddStorage("BinaryFiles").AddStream("ZelCode.out", "code");
  const std::string path =
      test::WritePackage(root, test::ScratchDir("no-flash-control") / "Package.bin");
  ASSERT_FALSE(path.empty());

  std::vector<int> events;
  link_.SetEventSink([&](const DownloadEvent& event) { events.push_back(event.event); });
  DownloadController& controller = controller_;
  controller.SetPackage(path, "ZEL_1040");
  ASSERT_TRUE(controller.Start());
  controller.Join();
  EXPECT_EQ(events, (std::vector<int>{DownloadEvent::kStarted, DownloadEvent::kFinished}));
  EXPECT_TRUE(line_.Written().empty());
  EXPECT_FALSE(controller.IsRunning());
}

TEST_F(BootSequenceTest, StopBeforeTheEraseEndsAfterTheCurrentStep) {
  CoffWriter code;
  code.AddSection({".text", 0x0040, 0, CoffWriter::PatternWords(".text", 16)});
  const std::vector<uint8_t> codeBytes = code.Build();
  const std::vector<uint8_t> controlBytes = FlashControl();
  zelpack::PackageNode root;
  zelpack::PackageNode& version = root.AddStorage("ZEL_1040");
  version.AddStream("Summary.txt", test::SummaryText());
  zelpack::PackageNode& binaries = version.AddStorage("BinaryFiles");
  binaries.AddStream("ZelCode.out", std::string(codeBytes.begin(), codeBytes.end()));
  binaries.AddStream("FlshCtrl.out", std::string(controlBytes.begin(), controlBytes.end()));
  const std::string path = test::WritePackage(root, test::ScratchDir("stop") / "Package.bin");
  ASSERT_FALSE(path.empty());

  DownloadController& controller = controller_;
  std::vector<std::pair<int, int64_t>> events;
  link_.SetEventSink([&](const DownloadEvent& event) {
    if (event.event != DownloadEvent::kStepElapsed) events.emplace_back(event.event, event.value);
    // The user presses Stop while the boot loader is being connected.
    if (event.event == DownloadEvent::kStepStart && event.value == 300) controller.RequestStop();
  });
  line_.Expect(9).Send(0xAA);
  controller.Select(static_cast<int>(DownloadMethod::kJtag));
  controller.SetPackage(path, "ZEL_1040");
  ASSERT_TRUE(controller.Start());
  controller.Join();
  using E = DownloadEvent;
  EXPECT_EQ(events, (std::vector<std::pair<int, int64_t>>{{E::kStarted, 0},
                                                          {E::kStepStart, 100},
                                                          {E::kStepResult, 101},
                                                          {E::kStepStart, 300},
                                                          {E::kStepResult, 301},
                                                          {E::kFinished, 0}}));
  EXPECT_EQ(line_.Written(), std::vector<uint8_t>(9, 0x0D));
  EXPECT_FALSE(link_.Connected());
  // The summary says it was stopped, and that the connected loader now holds the ZEL, instead of
  // an unknown error.
  const DownloadOutcome outcome = controller.LastOutcome();
  EXPECT_TRUE(outcome.stopped);
  EXPECT_FALSE(outcome.success);
  EXPECT_EQ(outcome.zel, ZelState::kInBootLoader);
  const DownloadVerdict verdict = DownloadVerdict::From(outcome, {101, 301});
  EXPECT_FALSE(verdict.firmwareLost);
  EXPECT_EQ(verdict.FailureLines(),
            (std::vector<std::string>{DownloadVerdict::kStopped,
                                      DownloadVerdict::StateAdvice(ZelState::kInBootLoader),
                                      DownloadVerdict::kTryAgain}));
  EXPECT_NE(verdict.FailureLines()[1].find("switch it off and on"), std::string::npos);
}

}  // namespace
}  // namespace zel::firmware
