#include <gtest/gtest.h>

#include <atomic>

#include "link/CAddrVariableDlg.h"
#include "link/CAttentionDlg.h"
#include "link/CCommunicationDlg.h"
#include "link/CEnableDlg.h"
#include "link/CReadVersionDlg.h"
#include "link/CServiceDlg.h"
#include "link/CValueDlg.h"
#include "support/HandFiredTimer.h"
#include "ui/MainFrameDesk.h"
#include "ui/SimulatedZel.h"

namespace zel::link {
namespace {

using test::SimulatedZel;
using ui::CommandOutcome;
using ui::Window;

std::string ItemText(const Window& w, int id) {
  const ui::Control* c = w.Find(id);
  return c && c->selection >= 0 ? c->items[static_cast<std::size_t>(c->selection)] : "";
}

TEST(CommunicationDialog, StoredRateMissingFromTheListSurvivesCancelAndUntouchedOk) {
  SimulatedZel zel;
  CommSettings stored = zel.Comm().Settings();
  stored.baudRate = 14400;  // found by the communication search, not offered by the list
  stored.spare = 7;
  zel.Comm().Settings() = stored;

  std::string shown;
  zel.Host().QueueModal([&](Window& w) {
    shown = ItemText(w, CCommunicationDlg::kIdBaud);
    w.Press(ui::kIdCancel);
  });
  CCommunicationDlg::Run(zel.Comm());
  EXPECT_EQ(shown, "14400");
  EXPECT_EQ(zel.Comm().Settings(), stored);
  EXPECT_EQ(zel.Opens().back().baud, 14400);

  zel.Host().QueueModal([](Window& w) { w.Press(ui::kIdOk); });
  CCommunicationDlg::Run(zel.Comm());
  EXPECT_EQ(zel.Comm().Settings(), stored);
  EXPECT_EQ(zel.Opens().back().baud, 14400);
}

TEST(CommunicationDialog, CancelReopensTheWorkingLinkUnchangedAndOkStoresTheEdits) {
  SimulatedZel zel;
  CommSettings before = zel.Comm().Settings();
  zel.Host().QueueModal([](Window& w) {
    w.UserSelect(CCommunicationDlg::kIdBaud, 6);  // 9600
    w.UserSetText(CCommunicationDlg::kIdTimeout, "250");
    w.Press(ui::kIdCancel);
  });
  EXPECT_TRUE(CCommunicationDlg::Run(zel.Comm()));
  EXPECT_EQ(zel.Comm().Settings(), before);
  uint16_t sw, hw, an, av;
  EXPECT_TRUE(zel.Comm().Parameter().ReadVersion(sw, hw, an, av)) << "the link must still work";

  zel.Host().QueueModal([](Window& w) {
    w.UserSelect(CCommunicationDlg::kIdPort, 9);
    w.UserSelect(CCommunicationDlg::kIdBaud, 7);  // 19200
    w.UserSetText(CCommunicationDlg::kIdTimeout, "250");
    w.UserSetText(CCommunicationDlg::kIdTrials, "6");
    w.Press(ui::kIdOk);
  });
  CCommunicationDlg::Run(zel.Comm());
  const CommSettings& now = zel.Comm().Settings();
  EXPECT_EQ(now.portName, "Com10");
  EXPECT_EQ(now.baudRate, 19200);
  EXPECT_EQ(now.timeoutMs, 250);
  EXPECT_EQ(now.transmitTrials, 6);
  EXPECT_EQ(zel.Opens().back().deviceName, "COM10");
  EXPECT_EQ(zel.Opens().back().baud, 19200);
}

TEST(CommunicationDialog, NumbersThatAreNoNumbersKeepTheDialogOpen) {
  SimulatedZel zel;
  CommSettings before = zel.Comm().Settings();
  bool stayedOpen = false;
  zel.Host().QueueModal([&](Window& w) {
    w.UserSetText(CCommunicationDlg::kIdTimeout, "10 0");
    w.Press(ui::kIdOk);
    w.UserSetText(CCommunicationDlg::kIdTimeout, "100");
    w.UserSetText(CCommunicationDlg::kIdTrials, "0");
    w.Press(ui::kIdOk);
    stayedOpen = !w.IsEnded() && w.FocusId() == CCommunicationDlg::kIdTrials;
    w.Press(ui::kIdCancel);
  });
  CCommunicationDlg::Run(zel.Comm());
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(zel.Host().Messages(),
            (std::vector<std::string>{"Please enter an integer between 1 and 60000.",
                                      "Please enter an integer between 1 and 100."}));
  EXPECT_EQ(zel.Comm().Settings(), before);
}

TEST(ServiceDialog, PasswordLengthIsCheckedBeforeAnythingIsSent) {
  SimulatedZel zel;
  uint64_t frames = zel.FramesSeen();
  bool keptOpen = false;
  zel.Host().QueueModal([&](Window& w) {
    w.UserSetText(CServiceDlg::kIdPassword, "ZEL");
    w.Press(ui::kIdOk);
    keptOpen = !w.IsEnded() && w.FocusId() == CServiceDlg::kIdPassword;
    w.UserSetText(CServiceDlg::kIdPassword, "ZELSX");
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(CServiceDlg::Run(zel.Comm().Service()), CommandOutcome::kFailed);
  EXPECT_TRUE(keptOpen);
  EXPECT_EQ(zel.Host().Messages(),
            (std::vector<std::string>{"The password is too short!", "The communication failed!"}));
  EXPECT_EQ(zel.FramesSeen(), frames);
  EXPECT_FALSE(zel.Device().InServiceMode());
}

TEST(ServiceDialog, RightAndWrongPasswordsAreToldApart) {
  SimulatedZel zel;
  zel.Host().QueueModal([](Window& w) {
    w.UserSetText(CServiceDlg::kIdPassword, "ABCD");
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(CServiceDlg::Run(zel.Comm().Service()), CommandOutcome::kDone);
  EXPECT_EQ(zel.Host().LastMessage(), "The password is NOT correct!");
  EXPECT_FALSE(zel.Device().InServiceMode());

  zel.Host().QueueModal([](Window& w) {
    w.UserSetText(CServiceDlg::kIdPassword, "ZELS");
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(CServiceDlg::Run(zel.Comm().Service()), CommandOutcome::kDone);
  EXPECT_EQ(zel.Host().LastMessage(), "The password is correct!\nYou are in service mode now!");
  EXPECT_TRUE(zel.Device().InServiceMode());
}

TEST(ServiceDialog, PasswordLengthCountsTypedCharactersSentOneByteEach) {
  sim::DeviceConfig config;
  config.password =
      "\xE4"
      "BCD";  // Latin-1 a-umlaut
  SimulatedZel zel(config);
  uint64_t frames = zel.FramesSeen();
  zel.Host().QueueModal([](Window& w) {
    w.UserSetText(CServiceDlg::kIdPassword,
                  "\xC3\xA4"
                  "BC");  // three characters, four bytes
    w.Press(ui::kIdOk);
    w.UserSetText(CServiceDlg::kIdPassword,
                  "\xC3\xA4"
                  "BCD");
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(CServiceDlg::Run(zel.Comm().Service()), CommandOutcome::kDone);
  EXPECT_EQ(zel.Host().Messages(),
            (std::vector<std::string>{"The password is too short!",
                                      "The password is correct!\nYou are in service mode now!"}));
  EXPECT_GT(zel.FramesSeen(), frames);
  EXPECT_TRUE(zel.Device().InServiceMode());
}

TEST(EnableDialog, SendsTheChoiceAndPresetsItNextTime) {
  SimulatedZel zel;
  ASSERT_TRUE(zel.Comm().Parameter().SetTempParam(1, 0, 0x1000));  // enabling by software
  bool presetEnable = false;
  zel.Host().QueueModal([&](Window& w) {
    presetEnable = w.Value(CEnableDlg::kIdEnable) != 0;
    w.UserSetValue(CEnableDlg::kIdDisable, 1);
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(CEnableDlg::Run(zel.Comm().Status()), CommandOutcome::kDone);
  EXPECT_TRUE(presetEnable);
  EXPECT_EQ(zel.Host().LastMessage(), "The System is disabled!");

  bool presetDisable = false;
  zel.Host().QueueModal([&](Window& w) {
    presetDisable = w.Value(CEnableDlg::kIdDisable) != 0;
    w.Press(ui::kIdCancel);
  });
  uint64_t frames = zel.FramesSeen();
  EXPECT_EQ(CEnableDlg::Run(zel.Comm().Status()), CommandOutcome::kCancelled);
  EXPECT_TRUE(presetDisable);
  EXPECT_EQ(zel.FramesSeen(), frames);

  // Enabling by the digital input, which is on: the drive keeps running, and the box says why.
  ASSERT_TRUE(zel.Comm().Parameter().SetTempParam(1, 0, 0x0000));
  zel.Host().QueueModal([&](Window& w) { w.Press(ui::kIdOk); });
  EXPECT_EQ(CEnableDlg::Run(zel.Comm().Status()), CommandOutcome::kFailed);
  EXPECT_EQ(zel.Host().LastMessage().rfind("The drive stays enabled: the digital input "
                                           "'Enable' decides",
                                           0),
            0u)
      << zel.Host().LastMessage();
  EXPECT_NE(zel.Device().StatusWord() & 0x4000, 0);
}

TEST(ReadVersionDialog, ShowsTheFourIdentityWordsOrNothingWhenTheReadFails) {
  sim::DeviceConfig config;
  config.identity = {0x1041, 0x0A0B, 0x0003, 0x00FF};
  SimulatedZel zel(config);
  std::vector<std::string> shown;
  zel.Host().QueueModal([&](Window& w) {
    for (int id : {CReadVersionDlg::kIdSoftwareVersion, CReadVersionDlg::kIdHardwareVersion,
                   CReadVersionDlg::kIdApplicationNumber, CReadVersionDlg::kIdApplicationVersion})
      shown.push_back(w.Text(id));
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(CReadVersionDlg::Run(zel.Comm().Parameter()), CommandOutcome::kDone);
  EXPECT_EQ(shown, (std::vector<std::string>{"0x1041", "0x0A0B", "0x0003", "0x00FF"}));

  zel.Sim().Faults().SetNeverAnswer(true);
  EXPECT_EQ(CReadVersionDlg::Run(zel.Comm().Parameter()), CommandOutcome::kFailed);
  EXPECT_EQ(zel.Host().ModalTitles().size(), 1u);
}

TEST(AddrVariableDialogs, EditsAVariableInServiceModeAndRemembersTheInputs) {
  SimulatedZel zel;
  uint16_t answer = 0;
  ASSERT_TRUE(zel.Comm().Service().Service("ZELS", answer));
  zel.Host().Clear();
  const uint16_t address = 0x0100;  // plain memory, no parameter behind it
  const uint16_t before = zel.Device().Memory(address);
  std::string shownValue;
  zel.Host().QueueModal([&](Window& w) {
    w.UserSetText(CReadAddrVariableDlg::kIdAddress, "0xZZ");
    w.Press(ui::kIdOk);
    EXPECT_FALSE(w.IsEnded());
    w.UserSetText(CReadAddrVariableDlg::kIdAddress, "0x0100");
    w.UserSelect(CReadAddrVariableDlg::kIdFormat, 0);
    w.Press(ui::kIdOk);
  });
  zel.Host().QueueModal([&](Window& w) {
    shownValue = w.Text(CEditAddrVariableDlg::kIdValue);
    w.UserSetValue(CEditAddrVariableDlg::kIdDecimal, 1);
    w.UserSetText(CEditAddrVariableDlg::kIdValue, "-2");
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(RunEditAddrVariable(zel.Comm().Service()), CommandOutcome::kDone);
  EXPECT_EQ(zel.Host().Messages(), std::vector<std::string>{"Value is not a hexadecimal number!"});
  EXPECT_EQ(shownValue,
            CEditAddrVariableDlg::FormatValue(AddrVariableFormat::kSigned16, before, true));
  EXPECT_EQ(zel.Device().Memory(address), 0xFFFE);
  const AddrVariableInput& last = zel.Comm().Service().LastAddrVariable();
  EXPECT_EQ(last.address, address);
  EXPECT_EQ(last.value, 0xFFFEu);
}

TEST(AddrVariableDialogs, OutsideServiceModeTheValueIsShownButTheWriteIsRefused) {
  test::MainFrameDesk desk;
  // MaxSpeed (parameter 17) lives at 0x0307; the ZEL lets anyone read it.
  const uint16_t before = desk.zel.Device().TempParameter(17);
  std::string shownValue;
  desk.Host().QueueModal([&](Window& w) {
    w.UserSetText(CReadAddrVariableDlg::kIdAddress, "0x0307");
    w.UserSelect(CReadAddrVariableDlg::kIdFormat, 1);
    w.Press(ui::kIdOk);
  });
  desk.Host().QueueModal([&](Window& w) {
    shownValue = w.Text(CEditAddrVariableDlg::kIdValue);
    w.UserSetText(CEditAddrVariableDlg::kIdValue, "0x1000");
    w.Press(ui::kIdOk);
  });
  desk.frame->OnCommand(app::CMainFrame::kCmdEditAddrVariable);
  EXPECT_EQ(desk.Host().ModalTitles(),
            (std::vector<std::string>{"ReadAddrVariable", "EditAddrVariable"}));
  EXPECT_EQ(shownValue,
            CEditAddrVariableDlg::FormatValue(AddrVariableFormat::kUnsigned16, before, true));
  // The refusal is the ZEL's answer, not a failed exchange: its own message and no other.
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{"The parameter is NOT set!\nThe ZEL is not in service mode!"});
  EXPECT_EQ(desk.zel.Device().TempParameter(17), before);
}

TEST(AddrVariableDialogs, ValuesConvertBetweenHexadecimalAndDecimalByFormat) {
  EXPECT_EQ(CEditAddrVariableDlg::FormatValue(AddrVariableFormat::kSigned16, 0xFFFE, false), "-2");
  EXPECT_EQ(CEditAddrVariableDlg::FormatValue(AddrVariableFormat::kUnsigned16, 0xFFFE, false),
            "65534");
  EXPECT_EQ(CEditAddrVariableDlg::FormatValue(AddrVariableFormat::kSigned32, 0xFFFFFFFE, false),
            "-2");
  EXPECT_EQ(CEditAddrVariableDlg::FormatValue(AddrVariableFormat::kUnsigned32, 0xFFFFFFFE, true),
            "0xFFFFFFFE");

  ui::ScriptedHost host;
  CEditAddrVariableDlg dlg(0x0300, AddrVariableFormat::kSigned32, 0x00012345);
  dlg.Initialize();
  EXPECT_EQ(dlg.Text(CEditAddrVariableDlg::kIdValue), "0x00012345");
  dlg.UserSetValue(CEditAddrVariableDlg::kIdDecimal, 1);
  EXPECT_EQ(dlg.Text(CEditAddrVariableDlg::kIdValue), "74565");
  dlg.UserSetText(CEditAddrVariableDlg::kIdValue, "-2147483649");
  dlg.Press(ui::kIdOk);
  EXPECT_FALSE(dlg.IsEnded());
  EXPECT_EQ(host.LastMessage(), "Value is too small!");
  dlg.UserSetValue(CEditAddrVariableDlg::kIdHexadecimal, 1);
  EXPECT_EQ(dlg.Value(CEditAddrVariableDlg::kIdDecimal), 1)
      << "text that is no number must not switch the format";
  dlg.UserSetText(CEditAddrVariableDlg::kIdValue, "-2147483648");
  dlg.Press(ui::kIdOk);
  EXPECT_EQ(dlg.NewValue(), 0x80000000u);
}

using ManualTimer = test::HandFiredTimer;

TEST(ValueDialogs, AutomaticRefreshUpdatesOnTicksAndStopsWithTheDialog) {
  SimulatedZel zel;
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  CVelocityDlg dlg(zel.Comm().Measurement());
  dlg.SetTimerFactory([&] { return std::make_unique<ManualTimer>(tick); });
  bool refreshed = false;
  bool running = false;
  zel.Host().QueueModal([&](Window& w) {
    w.SetText(CValueDlg::kIdFirstValue, "stale");
    w.UserSetValue(CValueDlg::kIdAutoRefresh, 1);
    running = dlg.AutoRefreshRunning();
    ASSERT_NE(tick.load(), nullptr);
    (*tick.load())();
    refreshed =
        ui::ScriptedHost::PumpUntil([&] { return w.Text(CValueDlg::kIdFirstValue) != "stale"; });
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(dlg.Run(), CommandOutcome::kDone);
  EXPECT_TRUE(running);
  EXPECT_TRUE(refreshed);
  EXPECT_FALSE(dlg.AutoRefreshRunning()) << "closing the dialog must stop its worker";
  EXPECT_EQ(tick.load(), nullptr);
  EXPECT_EQ(dlg.Text(CValueDlg::kIdFirstValue), "0 rpm");
}

TEST(ValueDialogs, FailedRefreshesSayLouderThanOnceNever) {
  SimulatedZel zel;
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  CCurrentDlg dlg(zel.Comm().Measurement(), 0x1040);
  dlg.SetTimerFactory([&] { return std::make_unique<ManualTimer>(tick); });
  zel.Host().QueueModal([&](Window& w) {
    zel.Sim().Faults().SetNeverAnswer(true);
    w.Press(CValueDlg::kIdRefresh);
    w.UserSetValue(CValueDlg::kIdAutoRefresh, 1);
    (*tick.load())();
    ui::ScriptedHost::PumpUntil([&] { return !dlg.AutoRefreshRunning(); });
    w.Press(ui::kIdOk);
  });
  EXPECT_EQ(dlg.Run(), CommandOutcome::kDone);
  EXPECT_EQ(zel.Host().Messages(),
            (std::vector<std::string>{"Failed refreshing data!", "Failed refreshing data!"}));
  EXPECT_EQ(dlg.Value(CValueDlg::kIdAutoRefresh), 0);

  CPositionDlg position(zel.Comm().Measurement());
  EXPECT_EQ(position.Run(), CommandOutcome::kFailed);
  EXPECT_EQ(position.Find(CValueDlg::kIdAutoRefresh), nullptr);
}

TEST(ValueDialogs, ActualCurrentIsComputedOnlyForOldFirmware) {
  EXPECT_EQ(CCurrentDlg::ActualCurrent(3, 4, 0x101F), 10);
  EXPECT_EQ(CCurrentDlg::ActualCurrent(-3, -4, 0x1000), 10);
  EXPECT_EQ(CCurrentDlg::ActualCurrent(3, 4, 0x1020), 4);
  EXPECT_EQ(CCurrentDlg::ActualCurrent(1, 1, 0x1000), 3) << "2.828 rounds half up per digit";
}

TEST(AttentionDialog, HardwareEnablingNeedsTheCheckedBox) {
  ui::ScriptedHost host;
  host.QueueModal([](Window& w) {
    EXPECT_FALSE(w.Press(ui::kIdOk));
    w.Press(ui::kIdCancel);
  });
  EXPECT_FALSE(CAttentionDlg::Confirm());
  host.QueueModal([](Window& w) {
    w.UserSetValue(CAttentionDlg::kIdConfirm, 1);
    EXPECT_TRUE(w.Press(ui::kIdOk));
  });
  EXPECT_TRUE(CAttentionDlg::Confirm());
  EXPECT_EQ(host.ModalTitles(), (std::vector<std::string>{"ATTENTION!", "ATTENTION!"}));
}

}  // namespace
}  // namespace zel::link
