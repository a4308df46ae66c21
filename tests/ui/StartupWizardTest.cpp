#include <gtest/gtest.h>

#include <vector>

#include "app/CMainFrame.h"
#include "app/CStartupWizardSheet.h"
#include "link/CAttentionDlg.h"
#include "link/LinkObserver.h"
#include "link/StatusGroup.h"
#include "ui/Dispatcher.h"
#include "ui/MainFrameDesk.h"
#include "ui/SimulatedZel.h"

namespace zel::app {
namespace {

using Sheet = CStartupWizardSheet;
using test::SimulatedZel;
using ui::Window;

// Collects what the wizard posts to the main window.
struct Receiver : ui::MessageTarget {
  std::vector<unsigned> messages;
  ui::Dispatcher::TargetId id = ui::Dispatcher::Default().Register(this);
  ~Receiver() override { ui::Dispatcher::Default().Unregister(id); }
  void OnMessage(unsigned message, std::uintptr_t, std::intptr_t) override {
    messages.push_back(message);
  }
};

// Swallows the first command after the link test's ReadError.
struct SilenceAfterLinkTest : link::LinkObserver {
  explicit SilenceAfterLinkTest(sim::Simulator& zel) : zel(zel) {}
  void OnExchange(const link::ExchangeRecord& record) override {
    if (record.opcode == link::StatusGroup::kReadError && !armed) {
      armed = true;
      zel.Faults().SilenceOpcodes(1);
    }
  }
  sim::Simulator& zel;
  bool armed = false;
};

// Pages 1 and 2: nothing goes on before the box is ticked, and the box cannot be unticked.
void ConfirmCabling(Sheet& sheet) {
  EXPECT_EQ(sheet.Page(Sheet::kHardware).Title(), "Step 1: Hardware Installation!");
  EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext));
  EXPECT_FALSE(sheet.IsEnabled(ui::kIdBack));
  ASSERT_TRUE(sheet.Page(Sheet::kHardware).Press(CStartupWizardConfirmPage::kIdConfirm));
  EXPECT_FALSE(sheet.Page(Sheet::kHardware).IsEnabled(CStartupWizardConfirmPage::kIdConfirm));
  EXPECT_FALSE(sheet.IsEnabled(ui::kIdBack));
  ASSERT_TRUE(sheet.Press(ui::kIdNext));
  ASSERT_EQ(sheet.ActiveIndex(), Sheet::kCable);
  EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext));
  EXPECT_FALSE(sheet.IsEnabled(ui::kIdBack)) << "Back also waits for the confirmation";
  ASSERT_TRUE(sheet.Page(Sheet::kCable).Press(CStartupWizardConfirmPage::kIdConfirm));
  EXPECT_TRUE(sheet.IsEnabled(ui::kIdBack));
  ASSERT_TRUE(sheet.Press(ui::kIdNext));
  ASSERT_EQ(sheet.ActiveIndex(), Sheet::kSerial);
}

TEST(StartupWizardTest, ConfiguresSpeedRegulationBySoftwareAndGivesTheDriveBack) {
  SimulatedZel zel;
  link::ZelCommunication& comm = zel.Comm();
  // A ZEL enabled by command before the wizard, inputs by the digital and analog inputs.
  ASSERT_TRUE(comm.Parameter().SetTempParam(1, 0, 0x1001));
  ASSERT_TRUE(comm.Status().Enable(true));
  ASSERT_NE(zel.Device().StatusWord() & 0x4000, 0);
  Receiver mainWindow;
  int adjustments = 0;
  Sheet sheet(comm, mainWindow.id, 1, [&] {
    ++adjustments;
    return true;
  });
  zel.Host().QueueModal([&](Window&) {
    ConfirmCabling(sheet);
    Window& serial = sheet.Page(Sheet::kSerial);
    EXPECT_EQ(serial.Selection(CStartupWizardPageSerial::kIdPort), 0);
    EXPECT_EQ(serial.Selection(CStartupWizardPageSerial::kIdBaud), 3);
    zel.Host().Clear();
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(zel.Host().Messages(), std::vector<std::string>{"The ZEL will be disabled!"});
    EXPECT_EQ(zel.Device().StatusWord() & 0x4000, 0) << "disabled for the wizard's time";

    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kMotor);
    Window& motor = sheet.Page(Sheet::kMotor);
    EXPECT_EQ(motor.Text(CStartupWizardPageMotor::kIdResolution), "500");
    ASSERT_TRUE(motor.UserSetText(CStartupWizardPageMotor::kIdResolution, "8"));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(sheet.ActiveIndex(), Sheet::kMotor) << "below the definition's minimum";
    EXPECT_EQ(motor.FocusId(), CStartupWizardPageMotor::kIdResolution);
    EXPECT_EQ(zel.Device().TempParameter(20), 500);
    ASSERT_TRUE(motor.UserSetText(CStartupWizardPageMotor::kIdResolution, "2048"));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(zel.Device().TempParameter(20), 2048);

    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kMonitorSignal);
    using Monitor = CStartupWizardPageMonitorSignal;
    Window& monitor = sheet.Page(Sheet::kMonitorSignal);
    EXPECT_EQ(monitor.Value(Monitor::kIdByInput), 1);
    EXPECT_FALSE(monitor.IsEnabled(Monitor::kIdCurrentMonitor));
    ASSERT_TRUE(monitor.UserSetValue(Monitor::kIdBySoftware, 1));
    ASSERT_TRUE(monitor.UserSetValue(Monitor::kIdCurrentMonitor, 1));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kRegulationMode);
    using Mode = CStartupWizardPageRegulationMode;
    Window& mode = sheet.Page(Sheet::kRegulationMode);
    EXPECT_EQ(mode.Value(Mode::kIdSpeedRegulation), 1);
    ASSERT_TRUE(mode.UserSetValue(Mode::kIdBySoftware, 1));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kInputs);
    using Inputs = CStartupWizardPageInputs;
    Window& inputs = sheet.Page(Sheet::kInputs);
    EXPECT_TRUE(inputs.IsEnabled(Inputs::kIdInputsBySoftware)) << "the mode is set by software";
    ASSERT_TRUE(inputs.UserSetValue(Inputs::kIdPotentiometersBySoftware, 1));
    ASSERT_TRUE(inputs.UserSetValue(Inputs::kIdInputsBySoftware, 1));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kSpeedBySoftware);
    using Values = CStartupWizardPageValues;
    Window& values = sheet.Page(Sheet::kSpeedBySoftware);
    EXPECT_EQ(values.Text(Values::EditId(0)), "25000");
    EXPECT_EQ(values.Text(Values::EditId(4)), "1200");
    const std::vector<std::string> typed{"3000", "-10", "9000", "4000", "2000", "40000"};
    for (std::size_t i = 0; i < typed.size(); ++i)
      ASSERT_TRUE(values.UserSetText(Values::EditId(i), typed[i]));
    zel.Host().Clear();
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(sheet.ActiveIndex(), Sheet::kSpeedBySoftware);
    EXPECT_EQ(values.FocusId(), Values::EditId(5)) << "the integral gain is out of range";
    EXPECT_EQ(zel.Device().TempParameter(17), 25000) << "nothing written before all are checked";
    EXPECT_EQ(zel.Host().Messages().size(), 1u);
    ASSERT_TRUE(values.UserSetText(Values::EditId(5), "1000"));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kSummary);
    using Summary = CStartupWizardPageSummary;
    Window& summary = sheet.Page(Sheet::kSummary);
    EXPECT_EQ(summary.Text(Summary::kIdRegulationMode), "Speed regulation");
    EXPECT_EQ(summary.Text(Summary::kIdPotentiometers), "INACTIVE (Set by software)");
    EXPECT_EQ(summary.Text(Summary::kIdInputSignals), "INACTIVE (Set by software)");
    EXPECT_EQ(summary.Text(Summary::kIdMonitorSignal), "Current monitor");
    EXPECT_EQ(summary.Value(Summary::kIdAlwaysStart), 1);
    // Back leads to the page 8 variant SysConfig selects, and on again.
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kSpeedBySoftware);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_TRUE(summary.UserSetValue(Summary::kIdAlwaysStart, 0));
    zel.Host().QueueYesNo(true);
    ASSERT_TRUE(sheet.Press(ui::kIdFinish));
  });
  sheet.DoModal();
  EXPECT_EQ(adjustments, 0) << "firmware above 0x1000 adjusts itself";
  EXPECT_EQ(sheet.OpenAtStart(), 0);
  EXPECT_EQ(zel.Host().Questions(),
            std::vector<std::string>{"Do you really want to enable the ZEL?"});
  // Software enabling, monitor and mode by software, current monitor, speed regulation,
  // potentiometers and inputs by software.
  EXPECT_EQ(zel.Device().TempParameter(1), 0x1000 | 0x2000 | 0x8000 | 0x0010 | 0x0F00 | 0x0080);
  EXPECT_NE(zel.Device().StatusWord() & 0x4000, 0) << "enabled again, as before the wizard";
  const std::vector<std::pair<int, int>> written{{17, 3000}, {12, -10}, {14, 9000},
                                                 {15, 4000}, {5, 2000}, {6, 1000}};
  for (auto [number, value] : written)
    EXPECT_EQ(static_cast<int16_t>(zel.Device().TempParameter(number)), value) << number;
  ui::Dispatcher::Default().Pump();
  EXPECT_EQ(mainWindow.messages,
            (std::vector<unsigned>{Sheet::kMsgCheckRegulationMode, Sheet::kMsgRefresh}));
}

TEST(StartupWizardTest, StopsWhereTheZelCannotGoOnAndAdjustsOnlyOldFirmware) {
  sim::DeviceConfig old;
  old.identity.softwareVersion = 0x1000;
  test::MainFrameDesk desk(old);
  CMainFrame& frame = *desk.frame;
  sim::DeviceModel& device = desk.zel.Device();
  int adjustments = 0;
  frame.Wizards().SetApplicationAdjustment([&] {
    ++adjustments;
    return true;
  });
  const std::uint16_t sysConfigBefore = device.TempParameter(1);
  ASSERT_EQ(frame.Wizards().StartupWizardAtStart(), 1) << "opens at the first start";
  desk.Host().QueueModal([&](Window& w) {
    auto& sheet = dynamic_cast<Sheet&>(w);
    ConfirmCabling(sheet);
    Window& serial = sheet.Page(Sheet::kSerial);
    // The ZEL talks at 38400 baud only: at 9600 nothing answers and the wizard stays.
    ASSERT_TRUE(serial.UserSelect(CStartupWizardPageSerial::kIdBaud, 0));
    EXPECT_EQ(frame.Communication().Settings().baudRate, 9600) << "applied at once";
    desk.Host().Clear();
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(desk.Host().Messages(),
              std::vector<std::string>{CStartupWizardPageSerial::kNoCommunication});
    EXPECT_EQ(sheet.ActiveIndex(), Sheet::kSerial);
    ASSERT_TRUE(serial.UserSelect(CStartupWizardPageSerial::kIdBaud, 3));
    // The ZEL answers the link test but not the disabling: the drive may run, so the wizard
    // stays and says so rather than rewrite mode, sources and limits.
    SilenceAfterLinkTest silence(desk.zel.Sim());
    frame.Communication().Link().SetObserver(&silence);
    desk.Host().Clear();
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    frame.Communication().Link().SetObserver(nullptr);
    EXPECT_EQ(sheet.ActiveIndex(), Sheet::kSerial);
    EXPECT_EQ(desk.Host().Messages(), std::vector<std::string>{Sheet::kDriveNotDisabled});
    EXPECT_EQ(device.TempParameter(1), sysConfigBefore);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kMotor);

    // Firmware up to 0x1000 needs the adjustment after a new resolution; 0x1001 does not.
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(adjustments, 1);
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    sim::DeviceIdentity newer = device.Identity();
    newer.softwareVersion = 0x1001;
    device.SetIdentity(newer);
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(adjustments, 1);

    // A ZEL in position regulation cannot get past page 7; the summary would name it.
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    ASSERT_EQ(sheet.ActiveIndex(), Sheet::kInputs);
    ASSERT_TRUE(
        frame.Communication().Parameter().SetTempParam(1, 0, device.TempParameter(1) | 0x20));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(sheet.ActiveIndex(), Sheet::kInputs);
    EXPECT_EQ(CStartupWizardPageSummary::RegulationModeText(0x8020), "Position regulation");
    // Potentiometers the ZEL took only in part (P1 by hardware, P2 to P4 by software) also stay.
    EXPECT_EQ(Sheet::NextAfterInputs(0x0E00), ui::PropertyPage::kStay);
    // Cancel gives the enable source back; the 'Enable' input decides again once confirmed.
    desk.Host().QueueModal([](Window& attention) {
      ASSERT_TRUE(attention.UserSetValue(link::CAttentionDlg::kIdConfirm, 1));
      ASSERT_TRUE(attention.Press(ui::kIdOk));
    });
    ASSERT_TRUE(sheet.Press(ui::kIdCancel));
  });
  frame.OnCommand(CMainFrame::kCmdStartupWizard);
  EXPECT_EQ(frame.Wizards().StartupWizardAtStart(), 1) << "Cancel keeps the flag";
  EXPECT_EQ(device.TempParameter(1) & 0x1000, sysConfigBefore & 0x1000);
}

}  // namespace
}  // namespace zel::app
