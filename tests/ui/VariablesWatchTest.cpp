#include <gtest/gtest.h>

#include "monitor/CVariablesDlg.h"
#include "ui/SimulatedZel.h"

namespace zel::monitor {
namespace {

using test::SimulatedZel;

std::vector<std::string> Row(const CVariablesDlg& dlg, std::size_t row) {
  return dlg.Find(CVariablesDlg::kIdList)->rows.at(row);
}

TEST(VariablesWatch, ReadsParametersAndAddressesInOneExchange) {
  SimulatedZel zel;
  uint16_t answer = 0;
  ASSERT_TRUE(zel.Comm().Service().Service("ZELS", answer));
  ASSERT_TRUE(zel.Comm().Service().SetAddrVariable(0x0100, 0, 0xFFFE, answer));
  ASSERT_TRUE(zel.Comm().Service().SetAddrVariable(0x0101, 0, 0x1234, answer));
  zel.Host().Clear();

  CVariablesDlg dlg(zel.Comm().Recorder(), zel.Comm().Definitions());
  ASSERT_TRUE(dlg.AddParameter(1));
  dlg.UserSelect(CVariablesDlg::kIdType, CVariablesDlg::kTypeUnsigned16);
  dlg.UserSetText(CVariablesDlg::kIdAddress, "0x0100");
  dlg.Press(CVariablesDlg::kIdAddAddress);
  dlg.UserSelect(CVariablesDlg::kIdType, CVariablesDlg::kTypeSigned16);
  dlg.UserSelect(CVariablesDlg::kIdFormat, CVariablesDlg::kFormatHexadecimal);
  dlg.UserSetText(CVariablesDlg::kIdAddress, "257");
  dlg.Press(CVariablesDlg::kIdAddAddress);
  ASSERT_EQ(dlg.Variables().size(), 3u);
  EXPECT_EQ(Row(dlg, 1),
            (std::vector<std::string>{"Address 0x0100", "Unsigned 16-bit value", "Decimal", ""}));
  EXPECT_EQ(Row(dlg, 2)[0], "Address 0x0101");

  dlg.Press(CVariablesDlg::kIdRefresh);
  EXPECT_TRUE(zel.Host().Messages().empty());
  char sysConfig[16];
  std::snprintf(sysConfig, sizeof sysConfig, "%i",
                static_cast<int>(static_cast<int16_t>(zel.Device().TempParameter(1))));
  EXPECT_EQ(Row(dlg, 0),
            (std::vector<std::string>{"SysConfig", "Signed 16-bit value", "Decimal", sysConfig}));
  EXPECT_EQ(Row(dlg, 1)[3], "65534");
  EXPECT_EQ(Row(dlg, 2)[3], "0x1234");

  // Editing takes the chosen format, and for an address the chosen type.
  dlg.UserSelect(CVariablesDlg::kIdList, 1);
  dlg.UserSelect(CVariablesDlg::kIdType, CVariablesDlg::kTypeSigned16);
  dlg.UserSelect(CVariablesDlg::kIdFormat, CVariablesDlg::kFormatDecimal);
  dlg.Press(CVariablesDlg::kIdEdit);
  EXPECT_EQ(Row(dlg, 1),
            (std::vector<std::string>{"Address 0x0100", "Signed 16-bit value", "Decimal", "-2"}));

  dlg.Press(CVariablesDlg::kIdRemove);
  ASSERT_EQ(dlg.Variables().size(), 2u);
  EXPECT_EQ(dlg.Variables()[1].name, "Address 0x0101");
  dlg.Press(CVariablesDlg::kIdRemove);
  dlg.Press(CVariablesDlg::kIdEdit);
  EXPECT_EQ(zel.Host().Messages(),
            (std::vector<std::string>{"No item selected", "No item selected"}));

  zel.Sim().Faults().SetNeverAnswer(true);
  dlg.Press(CVariablesDlg::kIdRefresh);
  EXPECT_EQ(zel.Host().LastMessage(), "Failed refreshing data!");
  EXPECT_EQ(Row(dlg, 1)[3], "0x1234") << "a failed read keeps the values shown";
}

TEST(VariablesWatch, RefusesWhatOneReadCannotShow) {
  SimulatedZel zel;
  CVariablesDlg dlg(zel.Comm().Recorder(), zel.Comm().Definitions());
  uint64_t frames = zel.FramesSeen();

  EXPECT_FALSE(dlg.AddParameter(135));  // a 32-bit parameter
  EXPECT_FALSE(dlg.AddParameter(127));  // not defined
  EXPECT_FALSE(dlg.AddAddress("0x00FF", true)) << "the ZEL would read a parameter there";
  EXPECT_EQ(zel.Host().Messages(), (std::vector<std::string>(3, "This variable is not allowed!")));

  zel.Host().Clear();
  for (const char* text : {"0x", "0xZZ", "-256", "0x10000", "12 3", ""})
    EXPECT_FALSE(dlg.AddAddress(text, false)) << text;
  EXPECT_EQ(zel.Host().Messages().size(), 6u);
  EXPECT_EQ(zel.Host().LastMessage(), "Please enter an address between 0x0100 and 0xFFFF!");
  EXPECT_TRUE(dlg.Variables().empty());

  // An empty list has nothing to read and says nothing.
  zel.Host().Clear();
  dlg.Press(CVariablesDlg::kIdRefresh);
  EXPECT_TRUE(zel.Host().Messages().empty());
  EXPECT_EQ(zel.FramesSeen(), frames);

  // One request frame names at most so many variables.
  for (std::size_t i = 0; i < CVariablesDlg::kMaxVariables; ++i)
    ASSERT_TRUE(dlg.AddAddress(std::to_string(0x200 + i), false));
  EXPECT_FALSE(dlg.AddAddress("0x0300", false));
  EXPECT_EQ(zel.Host().LastMessage(), "This variable is not allowed!");
  EXPECT_TRUE(dlg.RefreshNow());
}

}  // namespace
}  // namespace zel::monitor
