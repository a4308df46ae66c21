#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "can/CCanWizardInstructions.h"
#include "can/CCanWizardSearchDialogs.h"
#include "can/CCanWizardSheet.h"
#include "can/CanModule.h"
#include "link/CanBitRateTable.h"
#include "ui/SimulatedZel.h"

namespace zel::can {
namespace {

using link::CanBitRateTable;
using test::SimulatedZel;
using ui::ScriptedHost;
using ui::Window;

sim::CanModuleConfig Module(uint16_t id, int rate) {
  sim::CanModuleConfig module;
  module.moduleId = id;
  module.bitRateIndex = rate;
  return module;
}

// A simulated gateway at 500 kBit/s (module ID 2) with modules 1 at 250 kBit/s, 3 at 125 kBit/s
// and 4 at 500 kBit/s. An absent module costs a time-out per rate tried; it is kept long enough
// for a present one to answer on a loaded machine.
struct Network {
  SimulatedZel zel{sim::DeviceConfig{}, true, {Module(1, 3), Module(3, 4), Module(4, 2)}};
  CanModule module{zel.Comm().Can(), zel.Comm().Parameter()};
  Network() {
    link::CommSettings settings = zel.Comm().Settings();
    settings.timeoutMs = 150;
    EXPECT_TRUE(zel.Comm().OpenLink(settings));
  }
  void Run(const std::function<void(CCanWizardSheet&)>& script) {
    zel.Host().QueueModal([&](Window& w) { script(dynamic_cast<CCanWizardSheet&>(w)); });
    CCanWizardSheet sheet(zel.Comm(), module);
    sheet.DoModal();
  }
  void AnswerCount(int count) {
    zel.Host().QueueModal([count](Window& w) {
      w.UserSetText(CNumberOfModulesDlg::kIdCount, std::to_string(count));
      w.Press(ui::kIdOk);
    });
  }
};

bool Enabled(CCanWizardSheet& sheet, int id) {
  return sheet.IsEnabled(id) && sheet.IsVisible(id);
}

TEST(CanWizardTest, BuildsANetworkOfModulesAtMixedRatesIntoOneBitRate) {
  Network net;
  SimulatedZel& zel = net.zel;
  ScriptedHost& host = zel.Host();
  bool finished = false;
  net.Run([&](CCanWizardSheet& sheet) {
    // Powered, the ZEL answers: the technician is told to switch it off first.
    EXPECT_EQ(sheet.ActivePageId(), 258);
    EXPECT_EQ(sheet.page1.Title(), "Step 1: Introduction!");
    EXPECT_FALSE(Enabled(sheet, ui::kIdNext));
    ASSERT_TRUE(sheet.page1.Press(CCanWizardPage1::kIdConfirm));
    EXPECT_EQ(sheet.page1.Text(CCanWizardPage1::kIdState), CCanWizardPage1::kStillPowered);
    EXPECT_FALSE(Enabled(sheet, ui::kIdNext));
    zel.Sim().Faults().SetNeverAnswer(true);
    ASSERT_TRUE(sheet.page1.Press(CCanWizardPage1::kIdConfirm));
    zel.Sim().Faults().SetNeverAnswer(false);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    // The DIP-switch page is passed over on the way back.
    EXPECT_EQ(sheet.ActivePageId(), 260);
    EXPECT_EQ(sheet.page4.Title(), "Step 4: Power supply enabled!");
    EXPECT_FALSE(Enabled(sheet, ui::kIdBack));
    ASSERT_TRUE(sheet.page4.Press(CCanWizardPage4::kIdConfirm));
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    EXPECT_EQ(sheet.ActivePageId(), 259);
    EXPECT_EQ(sheet.page2.Title(), "Step 3: Network cabling!");
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    // Confirmed once, the page stays confirmed.
    EXPECT_FALSE(sheet.page4.IsEnabled(CCanWizardPage4::kIdConfirm));
    EXPECT_TRUE(Enabled(sheet, ui::kIdNext));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    // Some modules have no DIP switch: the ZEL at the serial port answers, so straight to its ID.
    ASSERT_TRUE(sheet.page5.UserSetValue(CCanWizardPage5::kIdSomeWithout, 1));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActivePageId(), 288);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActivePageId(), 311);
    CCanWizardPage5e& idPage = sheet.page5e;
    idPage.UserSetText(CCanWizardPage5e::kIdModuleId, "128");
    ASSERT_TRUE(idPage.Press(CCanWizardPage5e::kIdSet));
    EXPECT_EQ(host.LastMessage(), CCanWizardPage5e::kBadId);
    EXPECT_EQ(zel.Device().TempParameter(30), 2);
    idPage.UserSetText(CCanWizardPage5e::kIdModuleId, "9");
    ASSERT_TRUE(idPage.Press(CCanWizardPage5e::kIdSet));
    EXPECT_EQ(host.LastMessage(), "Modul ID setted.");
    // The new ID is saved and the gateway keeps its bit rate.
    EXPECT_EQ(zel.Device().EepromParameter(30), 9);
    EXPECT_EQ(CanBitRateTable::IndexOf(zel.Device().EepromParameter(34),
                                       zel.Device().EepromParameter(35)),
              2);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActivePageId(), 262);

    // A search for 5 modules, stopped once four answered (the fifth would take all 127 IDs).
    CCanWizardPage6& search = sheet.page6;
    net.AnswerCount(5);
    ASSERT_TRUE(search.Press(CCanWizardPage6::kIdSearch));
    EXPECT_EQ(search.Text(CCanWizardPage6::kIdSearch), CCanWizardPage6::kStopSearch);
    EXPECT_FALSE(Enabled(sheet, ui::kIdNext));
    EXPECT_FALSE(Enabled(sheet, ui::kIdBack));
    ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return search.FoundModules().size() == 4; },
                                        std::chrono::seconds(60)));
    ASSERT_NE(search.Progress(), nullptr);
    EXPECT_GE(search.Progress()->Value(CSearchModulesProgressDlg::kIdProgress), 4);
    host.QueueModal([&](Window& w) {
      EXPECT_EQ(w.Text(CNotAllModulesFoundDlg::kIdText),
                "Only 4 from 5 searched modules found in your network!");
      host.QueueModal([](Window& help) {
        EXPECT_EQ(help.Title(), "Set Bitrate ID Instructions");
        help.Press(CCanWizardInstructionsDlg::kIdPrint);
        help.Press(ui::kIdOk);
      });
      w.Press(CNotAllModulesFoundDlg::kIdHelp);
      w.Press(ui::kIdOk);
    });
    ASSERT_TRUE(search.Progress()->Press(CSearchModulesProgressDlg::kIdStop));
    ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return !search.Searching(); }));
    EXPECT_EQ(search.FoundModules(), (std::vector<uint16_t>{9, 1, 3, 4}));
    EXPECT_EQ(search.FoundBitRates(), (std::vector<int>{2, 3, 4, 2}));
    EXPECT_EQ(search.Find(CCanWizardPage6::kIdModules)->rows[1],
              (std::vector<std::string>{"1", "250kBit/s"}));
    EXPECT_EQ(host.LastMessage(), "Set all Bitrate in the same state!");
    EXPECT_EQ(host.PrintJobs().back().title, "ZelUpload Protocol");
    EXPECT_TRUE(Enabled(sheet, ui::kIdBack));
    EXPECT_FALSE(Enabled(sheet, ui::kIdNext));
    EXPECT_TRUE(host.ModelessTitles().empty());

    // The bit-rate run moves every module to 500 kBit/s.
    ASSERT_TRUE(search.UserSelect(CCanWizardPage6::kIdBitRate, 2));
    host.Clear();
    net.AnswerCount(4);
    ASSERT_TRUE(search.Press(CCanWizardPage6::kIdSetBitRate));
    EXPECT_EQ(search.Text(CCanWizardPage6::kIdSearch), CCanWizardPage6::kStopBitRate);
    ASSERT_TRUE(
        ScriptedHost::PumpUntil([&] { return !search.Searching(); }, std::chrono::seconds(60)));
    EXPECT_EQ(search.FoundModules(), (std::vector<uint16_t>{9, 1, 3, 4}));
    EXPECT_EQ(search.FoundBitRates(), (std::vector<int>{2, 2, 2, 2}));
    EXPECT_TRUE(host.Messages().empty()) << host.LastMessage();
    EXPECT_TRUE(Enabled(sheet, ui::kIdNext));
    for (uint16_t id : {1, 3, 4}) {
      uint32_t bcr1 = 0, bcr2 = 0;
      ASSERT_TRUE(net.module.ReadTempParam(id, 34, 0, bcr1));
      ASSERT_TRUE(net.module.ReadTempParam(id, 35, 0, bcr2));
      EXPECT_EQ(CanBitRateTable::IndexOf(static_cast<uint16_t>(bcr1), static_cast<uint16_t>(bcr2)),
                2)
          << "module " << id;
      EXPECT_EQ(CanBitRateTable::IndexOf(zel.Sim().Bus().Find(id)->EepromParameter(34),
                                         zel.Sim().Bus().Find(id)->EepromParameter(35)),
                2);
    }
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    // Through a CAN interface: the identifier tables, with module 1's PDO switched on.
    ASSERT_TRUE(sheet.page7.UserSetValue(CCanWizardPage7::kIdCanInterface, 1));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActivePageId(), 282);
    const auto& sdo = sheet.page7a.Find(CCanWizardPage7a::kIdTable)->rows;
    ASSERT_EQ(sdo.size(), 4u);
    EXPECT_EQ(sdo[1][0], "Module 1: active");
    EXPECT_EQ(sdo[1][1], std::to_string(zel.Sim().Bus().Find(1)->TempParameter(37)));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    CCanWizardPage7b& pdo = sheet.page7b;
    EXPECT_EQ(pdo.Find(CCanWizardPage7b::kIdTable)->rows[1][0], "Module 1: inactive");
    ASSERT_TRUE(pdo.UserSelect(CCanWizardPage7b::kIdTable, 1));
    ASSERT_TRUE(pdo.UserSetValue(CCanWizardPage7b::kIdPdoOn, 1));
    EXPECT_EQ(pdo.Find(CCanWizardPage7b::kIdTable)->rows[1][3], "[x]");
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_NE(zel.Sim().Bus().Find(1)->TempParameter(41) & 0x4000, 0);
    EXPECT_EQ(zel.Sim().Bus().Find(3)->TempParameter(41) & 0x4000, 0);
    ASSERT_EQ(sheet.ActivePageId(), 315);
    EXPECT_EQ(sheet.page7c.Find(CCanWizardPage7c::kIdTable)->rows.size(), 4u);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_TRUE(sheet.page8.UserSelect(CCanWizardPage8::kIdModules, 2));
    EXPECT_EQ(sheet.page8.Text(CCanWizardPage8::kIdEdit), "&Edit Actual Parameter Module No. 3");
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    ASSERT_EQ(sheet.ActivePageId(), 285);
    EXPECT_EQ(sheet.page9.Text(CCanWizardPage9::kIdCount), "You have 4 modules in your network!");
    EXPECT_EQ(sheet.page9.Text(CCanWizardPage9::kIdBaudrate), "500kBit/s");
    EXPECT_EQ(sheet.page9.Text(CCanWizardPage9::kIdInterface), "CAN network via CAN interface");
    EXPECT_LE(sheet.Depth(), CCanWizardSheet::kHistoryRoom);
    finished = sheet.Press(ui::kIdFinish);
  });
  EXPECT_TRUE(finished);
  EXPECT_EQ(host.UnfinishedWindows(), 0);
}

TEST(CanWizardTest, IdPageAsksAZelWithDipSwitchAndThePortPageFollowsTheLink) {
  sim::DeviceConfig device;
  device.identity.hardwareVersion = 0x4002;
  SimulatedZel zel{device};
  link::CommSettings settings = zel.Comm().Settings();
  settings.portName = "Com5";
  ASSERT_TRUE(zel.Comm().OpenLink(settings));
  CanModule module(zel.Comm().Can(), zel.Comm().Parameter());
  zel.Host().QueueModal([&](Window& w) {
    auto& sheet = dynamic_cast<CCanWizardSheet&>(w);
    ASSERT_TRUE(sheet.SetActivePage(sheet.IndexOf(CCanWizardPage5d::kId)));
    CCanWizardPage5d& port = sheet.page5d;
    EXPECT_EQ(port.Selection(CCanWizardPage5d::kIdPort), 4);
    EXPECT_EQ(port.Selection(CCanWizardPage5d::kIdBaud), 3);
    // Each change opens the link with it at once; at 9600 baud the ZEL does not answer.
    ASSERT_TRUE(port.UserSelect(CCanWizardPage5d::kIdBaud, 0));
    EXPECT_EQ(zel.Opens().back().baud, 9600);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(zel.Host().LastMessage(), CCanWizardPage5d::kNoCommunication);
    EXPECT_EQ(sheet.ActivePageId(), CCanWizardPage5d::kId);
    ASSERT_TRUE(port.UserSelect(CCanWizardPage5d::kIdBaud, 3));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActivePageId(), CCanWizardPage5e::kId);

    // No to the DIP-switch question: the version was read, nothing else went out.
    sheet.page5e.UserSetText(CCanWizardPage5e::kIdModuleId, "7");
    const uint64_t before = zel.FramesSeen();
    zel.Host().QueueYesNo(false);
    ASSERT_TRUE(sheet.page5e.Press(CCanWizardPage5e::kIdSet));
    EXPECT_EQ(zel.Host().Questions().back(), ModuleIdSetting::kDipSwitchQuestion);
    EXPECT_EQ(zel.FramesSeen(), before + 1);
    EXPECT_EQ(zel.Device().TempParameter(30), 2);
    zel.Host().QueueYesNo(true);
    ASSERT_TRUE(sheet.page5e.Press(CCanWizardPage5e::kIdSet));
    EXPECT_EQ(zel.Device().EepromParameter(30), 7);

    // The rate unreadable on entering the page: no ID is set, so no rate of 0/0 is stored.
    ASSERT_TRUE(sheet.SetActivePage(sheet.IndexOf(CCanWizardPage5d::kId)));
    zel.Sim().Faults().RefuseReplies(1);
    ASSERT_TRUE(sheet.SetActivePage(sheet.IndexOf(CCanWizardPage5e::kId)));
    const uint64_t entered = zel.FramesSeen();
    sheet.page5e.UserSetText(CCanWizardPage5e::kIdModuleId, "8");
    zel.Host().QueueYesNo(true);
    ASSERT_TRUE(sheet.page5e.Press(CCanWizardPage5e::kIdSet));
    EXPECT_EQ(zel.Host().LastMessage(), ModuleIdSetting::kFailed);
    EXPECT_EQ(zel.FramesSeen(), entered);
    EXPECT_EQ(zel.Device().EepromParameter(30), 7);
    sheet.Press(ui::kIdCancel);
  });
  CCanWizardSheet sheet(zel.Comm(), module);
  sheet.DoModal();
  EXPECT_EQ(zel.Host().UnfinishedWindows(), 0);
}

TEST(CanWizardTest, SearchPageOffersNextOnlyForOneRateAndKeepsARateOutsideTheTable) {
  Network net;
  SimulatedZel& zel = net.zel;
  ScriptedHost& host = zel.Host();
  // The gateway keeps a register pair outside the table in its EEPROM.
  ASSERT_TRUE(zel.Comm().Can().SetBCR1BCR2(0x0604, 1));
  ASSERT_TRUE(zel.Comm().Parameter().SaveTempParam());
  ASSERT_EQ(zel.Device().EepromParameter(34), 0x0604);
  net.Run([&](CCanWizardSheet& sheet) {
    sheet.Push(CCanWizardPage5::kId);
    ASSERT_TRUE(sheet.SetActivePage(sheet.IndexOf(CCanWizardPage6::kId)));
    CCanWizardPage6& search = sheet.page6;
    const auto Search = [&](int count) {
      host.Clear();
      net.AnswerCount(count);
      ASSERT_TRUE(search.Press(CCanWizardPage6::kIdSearch));
      ASSERT_TRUE(
          ScriptedHost::PumpUntil([&] { return !search.Searching(); }, std::chrono::seconds(60)));
    };

    // The gateway's rate cannot be read: the search ends before anything is written.
    zel.Sim().Faults().RefuseReplies(1);
    Search(3);
    EXPECT_EQ(host.Messages(), (std::vector<std::string>{CCanWizardPage6::kFailed}));
    EXPECT_EQ(host.ModalTitles(), (std::vector<std::string>{"Number of modules"}));
    EXPECT_TRUE(search.FoundModules().empty());
    EXPECT_EQ(search.Text(CCanWizardPage6::kIdSearch), CCanWizardPage6::kStartSearch);
    EXPECT_EQ(zel.Device().EepromParameter(34), 0x0604);
    EXPECT_EQ(zel.Device().EepromParameter(35), 1);
    EXPECT_TRUE(Enabled(sheet, ui::kIdBack));
    EXPECT_TRUE(Enabled(sheet, ui::kIdNext));

    // The gateway and module 1 (250 kBit/s) differ; coming back to the page does not hide it.
    Search(2);
    EXPECT_EQ(search.FoundModules(), (std::vector<uint16_t>{2, 1}));
    EXPECT_EQ(search.FoundBitRates(), (std::vector<int>{CanBitRateTable::kUnknownIndex, 3}));
    EXPECT_EQ(host.LastMessage(), CanSearchOutcome::kDifferentRates);
    EXPECT_FALSE(Enabled(sheet, ui::kIdNext));
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    ASSERT_EQ(sheet.ActivePageId(), CCanWizardPage5::kId);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActivePageId(), CCanWizardPage6::kId);
    EXPECT_TRUE(Enabled(sheet, ui::kIdBack));
    EXPECT_FALSE(Enabled(sheet, ui::kIdNext));

    // The gateway alone, at its unknown rate: that rate is the network's, whatever the list shows.
    Search(1);
    EXPECT_EQ(search.FoundBitRates(), (std::vector<int>{CanBitRateTable::kUnknownIndex}));
    EXPECT_TRUE(host.Messages().empty()) << host.LastMessage();
    ASSERT_TRUE(Enabled(sheet, ui::kIdNext));
    const auto Summary = [&] {
      for (int page : {CCanWizardPage7::kId, CCanWizardPage8::kId, CCanWizardPage9::kId}) {
        EXPECT_TRUE(sheet.Press(ui::kIdNext));
        EXPECT_EQ(sheet.ActivePageId(), page);
      }
      return sheet.page9.Text(CCanWizardPage9::kIdBaudrate);
    };
    EXPECT_EQ(Summary(), "all ZEL are in the old state!");
    EXPECT_EQ(sheet.page9.Text(CCanWizardPage9::kIdCount), "You have 1 module in your network!");

    // A rate chosen in the list afterwards is the one the summary shows.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(sheet.Press(ui::kIdBack));
    ASSERT_TRUE(search.UserSelect(CCanWizardPage6::kIdBitRate, 4));
    EXPECT_EQ(Summary(), "125kBit/s");
    sheet.Press(ui::kIdCancel);
  });
  EXPECT_EQ(host.UnfinishedWindows(), 0);
}

}  // namespace
}  // namespace zel::can
