#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "monitor/CErrorMapList.h"
#include "monitor/CReadErrorDlg.h"
#include "monitor/CStatusView.h"
#include "monitor/CSysStatusDlg.h"
#include "support/HandFiredTimer.h"
#include "ui/SimulatedZel.h"

namespace zel::monitor {
namespace {

using test::SimulatedZel;
using ui::Window;

constexpr const char* kNotOnline =
    "The ZEL is not online!\nPlease check the communication settings!";

using ManualTimer = test::HandFiredTimer;

CErrorMap ParseMap(const std::string& text) {
  CErrorMap map;
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  EXPECT_TRUE(CErrorMap::Parse(bytes, map));
  return map;
}

// The error maps the sample package ships.
void LoadSampleMaps(CErrorMapList& maps) {
  const std::filesystem::path dir =
      std::filesystem::path(ZEL_EXAMPLES_DIR) / "firmware" / "shared" / "VariousFiles";
  std::vector<CErrorMap> loaded;
  for (const char* name : {"StandardErrorMap.ini", "CanErrorMap.ini"}) {
    std::ifstream in(dir / name, std::ios::binary);
    loaded.push_back(ParseMap(std::string(std::istreambuf_iterator<char>(in), {})));
  }
  maps.SetMaps(std::move(loaded));
}

std::vector<std::string> Column(const Window& w, int id, std::size_t column) {
  std::vector<std::string> cells;
  for (const auto& row : w.Find(id)->rows) cells.push_back(row.at(column));
  return cells;
}

// A dialog over a word the test holds, not bound to a device.
struct FixedWord {
  std::uint16_t word = 0;
  bool ok = true;
  CWordDlg::ReadWord Reader() {
    return [this](std::uint16_t& out) {
      out = word;
      return ok;
    };
  }
};

TEST(ReadErrorDialog, SummaryBitDecidesWhetherAnythingIsListed) {
  ui::ScriptedHost host;
  FixedWord source;
  CReadErrorDlg dlg("Read Error", ErrorWordKind::Standard, source.Reader(), {}, nullptr);

  source.word = 0x8000;
  ASSERT_TRUE(dlg.RefreshNow());
  EXPECT_TRUE(dlg.Rows().empty());
  EXPECT_EQ(dlg.Text(CReadErrorDlg::kIdCount), "OKAY: There is no error!");
  EXPECT_FALSE(dlg.IsEnabled(CReadErrorDlg::kIdErrorInfo));
  EXPECT_FALSE(dlg.IsEnabled(CReadErrorDlg::kIdClear)) << "a dialog without device cannot clear";

  source.word = 0x0005;
  ASSERT_TRUE(dlg.RefreshNow());
  EXPECT_TRUE(dlg.Rows().empty());
  EXPECT_EQ(dlg.Text(CReadErrorDlg::kIdCount), "OKAY: There is no error!");

  source.word = 0x8005;
  ASSERT_TRUE(dlg.RefreshNow());
  EXPECT_EQ(Column(dlg, CReadErrorDlg::kIdList, 0),
            (std::vector<std::string>{"Error 0", "Error 2"}));
  EXPECT_EQ(Column(dlg, CReadErrorDlg::kIdList, 1),
            (std::vector<std::string>{"Unknown Error", "Unknown Error"}));
  EXPECT_EQ(dlg.Text(CReadErrorDlg::kIdCount), "ATTENTION: There are 2 errors!");
  EXPECT_TRUE(dlg.IsEnabled(CReadErrorDlg::kIdErrorInfo));

  source.word = 0xC000 | 0x4000 | 0x0010;  // bit 14 is a row, bit 15 never is
  ASSERT_TRUE(dlg.RefreshNow());
  EXPECT_EQ(Column(dlg, CReadErrorDlg::kIdList, 0),
            (std::vector<std::string>{"Error 4", "Error 14"}));

  CReadErrorDlg can(
      "Read CAN Error", ErrorWordKind::Can, source.Reader(), [] { return true; }, nullptr);
  source.word = 0x8002;
  ASSERT_TRUE(can.RefreshNow());
  EXPECT_EQ(Column(can, CReadErrorDlg::kIdList, 0), (std::vector<std::string>{"CanError 1"}));
  EXPECT_EQ(can.Text(CReadErrorDlg::kIdCount), "ATTENTION: There is 1 error!");
  EXPECT_TRUE(can.IsEnabled(CReadErrorDlg::kIdClear));
  source.word = 0x0002;
  ASSERT_TRUE(can.RefreshNow());
  EXPECT_FALSE(can.IsEnabled(CReadErrorDlg::kIdClear)) << "the rebuilt list has no error";
}

TEST(ReadErrorDialog, NamesErrorsFromTheMapsAndExplainsTheSelectedOne) {
  SimulatedZel zel;
  CErrorMapList maps;
  LoadSampleMaps(maps);
  zel.Device().RaiseError(2);
  CReadErrorDlg dlg(zel.Comm().Status(), &maps);
  ASSERT_TRUE(dlg.RefreshNow());
  ASSERT_EQ(dlg.Rows().size(), 1u);
  EXPECT_EQ(dlg.Find(CReadErrorDlg::kIdList)->rows[0][0], "Undervoltage");
  EXPECT_TRUE(dlg.IsEnabled(CReadErrorDlg::kIdClear));

  dlg.Press(CReadErrorDlg::kIdErrorInfo);
  EXPECT_EQ(zel.Host().LastMessage(), "No error item selected!");

  std::string shownName;
  zel.Host().QueueModal([&](Window& w) {
    shownName = w.Text(CErrorInfoDlg::kIdName);
    w.Press(ui::kIdOk);
  });
  dlg.UserSelect(CReadErrorDlg::kIdList, 0);
  dlg.Press(CReadErrorDlg::kIdErrorInfo);
  EXPECT_EQ(zel.Host().ModalTitles(), (std::vector<std::string>{"Error Info"}));
  EXPECT_EQ(shownName, "Undervoltage");

  // The maps may be reloaded meanwhile; the listed row keeps explaining its own error.
  maps.Clear();
  dlg.UserSelect(CReadErrorDlg::kIdList, 0);
  zel.Host().QueueModal([&](Window& w) {
    shownName = w.Text(CErrorInfoDlg::kIdName);
    w.Press(ui::kIdOk);
  });
  dlg.Press(CReadErrorDlg::kIdErrorInfo);
  EXPECT_EQ(shownName, "Undervoltage");

  zel.Host().Clear();
  dlg.Press(CReadErrorDlg::kIdClear);
  EXPECT_EQ(zel.Device().ErrorWord() & 0x8000, 0);
  EXPECT_TRUE(dlg.Rows().empty()) << "clearing reads the word again";
  EXPECT_EQ(dlg.Text(CReadErrorDlg::kIdCount), "OKAY: There is no error!");
  EXPECT_FALSE(dlg.IsEnabled(CReadErrorDlg::kIdClear));
  EXPECT_FALSE(dlg.IsEnabled(CReadErrorDlg::kIdErrorInfo));
}

TEST(ReadErrorDialog, AnEntryWithoutTextsHasNoInfo) {
  ui::ScriptedHost host;
  CErrorMapList maps;
  maps.SetMaps({ParseMap(
      "[Header]\r\nName=StandardErrorMap\r\nMeaning=m\r\nNbOfBits=16\r\nType=0\r\n\r\n"
      "[Error0]\r\nName=\r\nErrorBit=258\r\nMeaning=\r\nCausedBy=\r\nEffect=\r\nRemark=\r\n"
      "CrossReference=\r\nDate=01.01.2026 00.00\r\nVisum=\r\n\r\n")});
  FixedWord source{0x8004};
  CReadErrorDlg dlg("Read Error", ErrorWordKind::Standard, source.Reader(), {}, &maps);
  ASSERT_TRUE(dlg.RefreshNow());
  ASSERT_EQ(dlg.Rows().size(), 1u) << "bit 258 of the map is bit 2 of the word";
  dlg.UserSelect(CReadErrorDlg::kIdList, 0);
  dlg.Press(CReadErrorDlg::kIdErrorInfo);
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"No info available!"}));
  EXPECT_TRUE(host.ModalTitles().empty());
}

TEST(ReadErrorDialog, FailuresKeepTheListAndSaySo) {
  SimulatedZel zel;
  zel.Device().RaiseError(0);
  CReadErrorDlg dlg(zel.Comm().Status(), nullptr);
  ASSERT_TRUE(dlg.RefreshNow());
  zel.Sim().Faults().SetNeverAnswer(true);
  dlg.Press(CReadErrorDlg::kIdRefresh);
  dlg.Press(CReadErrorDlg::kIdClear);
  EXPECT_EQ(zel.Host().Messages(),
            (std::vector<std::string>{"Failed refreshing error!", "Failed clearing error!"}));
  EXPECT_EQ(Column(dlg, CReadErrorDlg::kIdList, 0), (std::vector<std::string>{"Error 0"}));
  EXPECT_TRUE(dlg.IsEnabled(CReadErrorDlg::kIdClear));
}

TEST(ReadErrorDialog, AutoRefreshFollowsTheZelAndEndsWithTheWindow) {
  SimulatedZel zel;
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  CReadErrorDlg dlg(zel.Comm().Status(), nullptr);
  dlg.SetTimerFactory([&] { return std::make_unique<ManualTimer>(tick); });
  ASSERT_TRUE(dlg.RefreshNow());
  dlg.ShowModeless();
  ASSERT_TRUE(dlg.UserSetValue(CReadErrorDlg::kIdAutoRefresh, 1));
  EXPECT_TRUE(dlg.AutoRefreshRunning());
  ASSERT_NE(tick.load(), nullptr);

  zel.Device().RaiseError(3);
  (*tick.load())();
  EXPECT_TRUE(ui::ScriptedHost::PumpUntil([&] { return dlg.Rows().size() == 1; }));
  EXPECT_EQ(dlg.Rows()[0].row.name, "Error 3");

  ASSERT_TRUE(dlg.UserSetValue(CReadErrorDlg::kIdAutoRefresh, 0));
  EXPECT_FALSE(dlg.AutoRefreshRunning());
  EXPECT_EQ(tick.load(), nullptr);

  dlg.UserSetValue(CReadErrorDlg::kIdAutoRefresh, 1);
  dlg.Close();
  EXPECT_FALSE(dlg.AutoRefreshRunning()) << "closing the window must stop its worker";
  EXPECT_EQ(tick.load(), nullptr);
  EXPECT_TRUE(zel.Host().ModelessTitles().empty());
  EXPECT_TRUE(zel.Host().Messages().empty());
}

TEST(ReadErrorDialog, AFailingAutoRefreshStopsWithOneMessage) {
  SimulatedZel zel;
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  CReadErrorDlg dlg(zel.Comm().Status(), nullptr);
  dlg.SetTimerFactory([&] { return std::make_unique<ManualTimer>(tick); });
  dlg.Initialize();
  dlg.UserSetValue(CReadErrorDlg::kIdAutoRefresh, 1);
  zel.Sim().Faults().SetNeverAnswer(true);
  (*tick.load())();
  EXPECT_TRUE(ui::ScriptedHost::PumpUntil([&] { return !dlg.AutoRefreshRunning(); }));
  EXPECT_EQ(zel.Host().Messages(), (std::vector<std::string>{"Failed refreshing error!"}));
  EXPECT_EQ(dlg.Value(CReadErrorDlg::kIdAutoRefresh), 0);
}

TEST(SysStatusDialog, LampsAndTextsFollowTheBits) {
  ui::ScriptedHost host;
  FixedWord source{0xC001};
  CSysStatusDlg dlg("ReadSysStatus", source.Reader());
  ASSERT_TRUE(dlg.RefreshNow());
  EXPECT_EQ(dlg.Text(CSysStatusDlg::kIdFirstText + 15), "Power stage is enabled");
  EXPECT_EQ(dlg.Value(CSysStatusDlg::kIdFirstLamp + 15), 1);
  EXPECT_EQ(dlg.Value(CSysStatusDlg::kIdFirstLamp + 14), 1);
  EXPECT_EQ(dlg.Text(CSysStatusDlg::kIdFirstText + 0), "Encoder index found");
  EXPECT_EQ(dlg.Value(CSysStatusDlg::kIdFirstLamp + 1), 0);
  EXPECT_EQ(dlg.Text(CSysStatusDlg::kIdFirstText + 1), "Hall sensor signal not found yet");

  source.word = 0x4000;
  ASSERT_TRUE(dlg.RefreshNow());
  EXPECT_EQ(dlg.Text(CSysStatusDlg::kIdFirstText + 15), "Refreshing the power stage");
  EXPECT_EQ(dlg.Value(CSysStatusDlg::kIdFirstLamp + 15), 0);
  EXPECT_EQ(dlg.Value(CSysStatusDlg::kIdFirstLamp + 0), 0);

  source.ok = false;
  dlg.Press(CSysStatusDlg::kIdRefresh);
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"Failed refreshing status!"}));
  EXPECT_EQ(dlg.Word(), 0x4000) << "a failed read leaves the shown word";
}

TEST(SysStatusDialog, ShowsTheSimulatedZelsWordAndRefreshesAutomatically) {
  SimulatedZel zel;
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  CSysStatusDlg dlg(zel.Comm().Status());
  dlg.SetTimerFactory([&] { return std::make_unique<ManualTimer>(tick); });
  ASSERT_TRUE(dlg.RefreshNow());
  EXPECT_EQ(dlg.Word(), zel.Device().StatusWord());
  dlg.ShowModeless();
  dlg.UserSetValue(CSysStatusDlg::kIdAutoRefresh, 1);
  dlg.SetText(CSysStatusDlg::kIdFirstText + 4, "stale");
  (*tick.load())();
  EXPECT_TRUE(ui::ScriptedHost::PumpUntil(
      [&] { return dlg.Text(CSysStatusDlg::kIdFirstText + 4) == "not used"; }));
  dlg.Close();
  EXPECT_FALSE(dlg.AutoRefreshRunning());
}

TEST(StatusView, ShowsWhatTheMonitorHandsOverAndRelistsOnlyOnChange) {
  ui::ScriptedHost host;
  CStatusView view;
  view.Initialize();
  EXPECT_EQ(view.Text(CStatusView::kIdConnection), "No ZEL connected!");
  EXPECT_EQ(view.Text(CStatusView::kIdHeading), "NO ERROR");
  EXPECT_FALSE(view.IsEnabled(CStatusView::kIdClearErrors));

  // The monitor's thread only stores and posts.
  std::thread monitor([&] {
    view.StoreIdentity(0x1040, 0x0a0b, 0x0003, 0x00ff);
    view.StoreErrorWord(0x8004);
    view.StoreCanErrorWord(0x8002);
    view.PostOnline(true);
    view.PostNewData();
  });
  monitor.join();
  EXPECT_TRUE(ui::ScriptedHost::PumpUntil([&] { return view.ListCount() == 1; }));
  EXPECT_TRUE(view.IsOnline());
  EXPECT_EQ(view.Text(CStatusView::kIdConnection),
            "Connected ZEL: SoftwareVersion:0x1040   HardwareVersion:0x0a0b   "
            "AppNumber:0x0003   AppVersion: 0x00ff");
  EXPECT_EQ(view.Text(CStatusView::kIdHeading), "ERROR FOUND!");
  EXPECT_EQ(Column(view, CStatusView::kIdList, 0),
            (std::vector<std::string>{"Error 2", "CanError 1"}));
  EXPECT_TRUE(view.IsEnabled(CStatusView::kIdClearErrors));

  view.UserSelect(CStatusView::kIdList, 1);
  view.StoreErrorWord(0x8004);
  view.PostNewData();
  ui::ScriptedHost::PumpUntil([] { return false; }, std::chrono::milliseconds(50));
  EXPECT_EQ(view.ListCount(), 1) << "the same pair again must not rebuild the list";
  EXPECT_EQ(view.Selection(CStatusView::kIdList), 1);

  view.StoreCanErrorWord(0x0002);  // only the CAN word changed, and lists nothing now
  view.PostNewData();
  EXPECT_TRUE(ui::ScriptedHost::PumpUntil([&] { return view.ListCount() == 2; }));
  EXPECT_EQ(Column(view, CStatusView::kIdList, 0), (std::vector<std::string>{"Error 2"}));

  view.StoreErrorWord(0x0004);
  view.StoreCanErrorWord(0x8001);
  view.PostNewData();
  EXPECT_TRUE(ui::ScriptedHost::PumpUntil([&] { return view.ListCount() == 3; }));
  EXPECT_EQ(Column(view, CStatusView::kIdList, 0), (std::vector<std::string>{"CanError 0"}));
  EXPECT_EQ(view.Text(CStatusView::kIdHeading), "ERROR FOUND!");
  EXPECT_FALSE(view.IsEnabled(CStatusView::kIdClearErrors))
      << "only the standard word's summary bit offers clearing";

  view.ShowErrorWords(0x8000, 0);
  EXPECT_EQ(view.Text(CStatusView::kIdHeading), "NO ERROR!");
  EXPECT_FALSE(view.IsEnabled(CStatusView::kIdErrorInfo));
  view.PostOnline(false);
  EXPECT_TRUE(ui::ScriptedHost::PumpUntil([&] { return !view.IsOnline(); }));
  EXPECT_TRUE(host.Messages().empty());
}

TEST(StatusView, ClearsTheZelsErrorsAndExplainsThem) {
  SimulatedZel zel;
  CErrorMapList maps;
  LoadSampleMaps(maps);
  CStatusView view;
  view.SetErrorMaps(&maps);
  view.Initialize();
  view.Press(CStatusView::kIdClearErrors);
  EXPECT_TRUE(zel.Host().Messages().empty()) << "disabled before any error was listed";

  zel.Device().RaiseError(2);
  view.SetStatusGroup(&zel.Comm().Status());
  ASSERT_TRUE(view.RefreshErrors());
  EXPECT_EQ(Column(view, CStatusView::kIdList, 0), (std::vector<std::string>{"Undervoltage"}));
  view.Press(CStatusView::kIdErrorInfo);
  EXPECT_EQ(zel.Host().LastMessage(), "No error item selected!");
  view.UserSelect(CStatusView::kIdList, 0);
  std::string cause;
  zel.Host().QueueModal([&](Window& w) {
    cause = w.Text(CErrorInfoDlg::kIdCausedBy);
    w.Press(ui::kIdOk);
  });
  view.Press(CStatusView::kIdErrorInfo);
  EXPECT_FALSE(cause.empty());

  zel.Host().Clear();
  view.Press(CStatusView::kIdClearErrors);
  EXPECT_EQ(view.Text(CStatusView::kIdHeading), "NO ERROR!");
  EXPECT_TRUE(view.Rows().empty());

  zel.Sim().Faults().SetNeverAnswer(true);
  EXPECT_FALSE(view.RefreshErrors());
  EXPECT_EQ(zel.Host().LastMessage(), kNotOnline);
}

}  // namespace
}  // namespace zel::monitor
