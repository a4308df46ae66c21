#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "can/CZelCanNetworkConfigDlg.h"
#include "can/CanModule.h"
#include "can/CanModuleCommands.h"
#include "parameters/CParameterTable.h"
#include "ui/SimulatedZel.h"

namespace zel::can {
namespace {

using test::SimulatedZel;
using ui::Window;
using Pdo = CZelCanNetworkConfig_PdoDlg;
using Rtr = CZelCanNetworkConfig_RtrDlg;
using Bus = CZelCanNetworkConfig_BusDlg;

constexpr uint16_t kPdoActive = 0x4000;
constexpr uint16_t kRtr0Active = 0x1000;

// Definitions as a firmware package may give them: BCR2 editable, 1 to 99.
void EditableBcr2(parameters::CParameterTable& table) {
  std::vector<parameters::ParameterDefinition> all;
  for (int i = 0; i < table.Count(); ++i) all.push_back(table.At(i));
  const int systems = table.SystemCount();
  table.Clear();
  for (int i = 0; i < static_cast<int>(all.size()); ++i) {
    parameters::ParameterDefinition d = all[static_cast<std::size_t>(i)];
    if (d.number == 35) {
      d.access = parameters::ParameterDefinition::kReadWrite;
      d.min = 1;
      d.max = 99;
      d.isSigned = 0;
    }
    if (i < systems)
      table.AddSystem(d.number, d.width, d.access, d.name, d.unit, d.defaultValue, d.min, d.max,
                      d.isSigned, d.service);
    else
      table.AddStatus(d.number, d.width, d.access, d.name, d.unit, d.defaultValue, d.min, d.max,
                      d.isSigned, d.service);
  }
}

struct Desk {
  SimulatedZel zel;
  CanModule module{zel.Comm().Can(), zel.Comm().Parameter()};
  CanModuleCommands commands{module, nullptr};
  explicit Desk(uint16_t software) : zel(Device(software)) {}
  static sim::DeviceConfig Device(uint16_t software) {
    sim::DeviceConfig device;
    device.identity.softwareVersion = software;
    return device;
  }
  void Run(uint16_t software, const std::function<void(CZelCanNetworkConfigDlg&)>& script) {
    zel.Host().QueueModal([&](Window& w) {
      auto& sheet = dynamic_cast<CZelCanNetworkConfigDlg&>(w);
      script(sheet);
      sheet.Press(ui::kIdCancel);
    });
    CZelCanNetworkConfigDlg sheet(zel.Comm(), module, commands, nullptr, software);
    sheet.DoModal();
  }
};

TEST(CanNetworkSheetTest, SettingsPagesWriteTheWholeBlockOnLeavingAndKeepTheSwitches) {
  Desk desk(0x1040);
  SimulatedZel& zel = desk.zel;
  EditableBcr2(zel.Comm().Definitions());
  ASSERT_TRUE(zel.Comm().Can().SetModulePdo(2, true));
  desk.Run(0x1040, [&](CZelCanNetworkConfigDlg& sheet) {
    Pdo& pdo = sheet.pdoPage;
    ASSERT_EQ(sheet.ActiveIndex(), 0);
    EXPECT_EQ(pdo.Text(Pdo::kIdBcr1), "0x0604");
    EXPECT_FALSE(pdo.IsEnabled(Pdo::kIdModuleId));
    EXPECT_FALSE(pdo.IsVisible(Pdo::kIdServiceId));
    EXPECT_FALSE(pdo.IsVisible(Pdo::kIdSetBcr2));
    EXPECT_EQ(pdo.Text(Pdo::kIdSetBcr1), "Set CAN &BCR");
    // A running PDO keeps its identifiers; switched off they can be edited.
    EXPECT_EQ(pdo.Value(Pdo::kIdPdo), 1);
    EXPECT_FALSE(pdo.IsEnabled(Pdo::kIdRpdo));
    ASSERT_TRUE(pdo.UserSetValue(Pdo::kIdPdo, 0));
    EXPECT_EQ(zel.Device().TempParameter(41) & kPdoActive, 0);
    EXPECT_TRUE(pdo.IsEnabled(Pdo::kIdRpdo));

    // An out-of-range BCR2 keeps the page, with the focus on it, and writes nothing.
    ASSERT_TRUE(pdo.UserSetText(Pdo::kIdBcr2, "0x0064"));
    ASSERT_TRUE(pdo.UserSetText(Pdo::kIdRpdo, "0x0190"));
    const uint64_t before = zel.FramesSeen();
    zel.Host().Clear();
    sheet.UserSelect(ui::kIdPageTabs, 1);
    EXPECT_EQ(sheet.ActiveIndex(), 0);
    EXPECT_EQ(pdo.FocusId(), Pdo::kIdBcr2);
    EXPECT_EQ(zel.Host().Messages().size(), 1u);
    EXPECT_EQ(zel.FramesSeen(), before);

    ASSERT_TRUE(pdo.UserSetText(Pdo::kIdBcr2, "0x0003"));
    sheet.UserSelect(ui::kIdPageTabs, 1);
    EXPECT_EQ(sheet.ActiveIndex(), 1);
    EXPECT_EQ(zel.Device().EepromParameter(35), 3);
    EXPECT_EQ(zel.Device().EepromParameter(32), 0x190);
    EXPECT_EQ(zel.Device().TempParameter(41) & kPdoActive, 0) << "the block undid the switch";

    // Page 4: a channel switched on locks its identifier, and leaving keeps it on.
    sheet.UserSelect(ui::kIdPageTabs, 3);
    Rtr& rtr = sheet.rtrPage;
    EXPECT_FALSE(rtr.IsVisible(Rtr::kIdOldVersion));
    ASSERT_TRUE(rtr.UserSetValue(Rtr::kIdRtr0Active, 1));
    EXPECT_NE(zel.Device().TempParameter(41) & kRtr0Active, 0);
    EXPECT_FALSE(rtr.IsEnabled(Rtr::kIdRtr0));
    sheet.UserSelect(ui::kIdPageTabs, 2);
    EXPECT_EQ(sheet.ActiveIndex(), 2);
    EXPECT_NE(zel.Device().EepromParameter(41) & kRtr0Active, 0);
    EXPECT_FALSE(sheet.busPage.IsVisible(Bus::kIdSendNmt));
    EXPECT_TRUE(sheet.busPage.IsVisible(Bus::kIdResetCan));
  });
}

TEST(CanNetworkSheetTest, OlderFirmwareShowsNoRtrPageAndWritesTheBlockAsRead) {
  Desk desk(0x103F);
  SimulatedZel& zel = desk.zel;
  desk.Run(0x103F, [&](CZelCanNetworkConfigDlg& sheet) {
    Pdo& pdo = sheet.pdoPage;
    EXPECT_TRUE(pdo.IsVisible(Pdo::kIdSetServiceId));
    EXPECT_FALSE(pdo.IsVisible(Pdo::kIdPdo));
    EXPECT_TRUE(pdo.IsEnabled(Pdo::kIdRpdo));
    sheet.UserSelect(ui::kIdPageTabs, 3);
    Rtr& rtr = sheet.rtrPage;
    EXPECT_TRUE(rtr.IsVisible(Rtr::kIdOldVersion));
    EXPECT_EQ(rtr.Text(Rtr::kIdOldVersion), Rtr::kOldVersionText);
    for (int id : {Rtr::kIdRtr0, Rtr::kIdTsdo, Rtr::kIdRtr0Active, Rtr::kIdConfigRtr})
      EXPECT_FALSE(rtr.IsVisible(id)) << id;
    const uint64_t before = zel.FramesSeen();
    sheet.UserSelect(ui::kIdPageTabs, 2);
    EXPECT_EQ(sheet.ActiveIndex(), 2);
    // The block written back and saved, unchecked.
    EXPECT_EQ(zel.FramesSeen(), before + 2);
    EXPECT_TRUE(sheet.busPage.IsVisible(Bus::kIdSendNmt));
    EXPECT_FALSE(sheet.busPage.IsVisible(Bus::kIdResetCan));
    EXPECT_FALSE(sheet.busPage.IsVisible(Bus::kIdResetGroup));
  });
  EXPECT_EQ(zel.Host().UnfinishedWindows(), 0);
}

TEST(CanNetworkSheetTest, SwitchesSendNothingWhileThePageHoldsNoBlockOfThisZel) {
  Desk desk(0x1040);
  SimulatedZel& zel = desk.zel;
  const uint16_t config = zel.Device().TempParameter(41);
  // Each page's block read is refused as it opens, so the page does not know the ZEL's own ID.
  zel.Sim().Faults().RefuseReplies(1);
  desk.Run(0x1040, [&](CZelCanNetworkConfigDlg& sheet) {
    Pdo& pdo = sheet.pdoPage;
    ASSERT_FALSE(pdo.BlockRead());
    zel.Host().Clear();
    uint64_t before = zel.FramesSeen();
    ASSERT_TRUE(pdo.UserSetValue(Pdo::kIdPdo, 1));
    EXPECT_EQ(zel.Host().Messages(), (std::vector<std::string>{CZelCanNetworkConfigDlg::kFailed}));
    EXPECT_EQ(zel.FramesSeen(), before);
    EXPECT_EQ(pdo.Value(Pdo::kIdPdo), 0);

    zel.Sim().Faults().RefuseReplies(1);
    sheet.UserSelect(ui::kIdPageTabs, 3);
    Rtr& rtr = sheet.rtrPage;
    ASSERT_EQ(sheet.ActiveIndex(), 3);
    ASSERT_FALSE(rtr.BlockRead());
    zel.Host().Clear();
    before = zel.FramesSeen();
    ASSERT_TRUE(rtr.UserSetValue(Rtr::kIdRtr1Active, 1));
    EXPECT_EQ(zel.Host().Messages(), (std::vector<std::string>{CZelCanNetworkConfigDlg::kFailed}));
    EXPECT_EQ(zel.FramesSeen(), before);
    EXPECT_EQ(rtr.Value(Rtr::kIdRtr1Active), 0);
  });
  EXPECT_EQ(zel.Device().TempParameter(41), config);
  EXPECT_EQ(zel.Host().UnfinishedWindows(), 0);
}

}  // namespace
}  // namespace zel::can
