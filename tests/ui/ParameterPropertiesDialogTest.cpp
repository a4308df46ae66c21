#include "parameters/CParameterPropertiesDlg.h"

#include <gtest/gtest.h>

#include "link/SerialParameterDevice.h"
#include "parameters/CParameterTable.h"
#include "ui/SimulatedZel.h"

namespace zel::parameters {
namespace {

using test::SimulatedZel;
using ui::Window;
using Row = std::vector<std::string>;

Row ListRow(const Window& w, int row) {
  const ui::Control* list = w.Find(CParameterPropertiesDlg::kIdList);
  return list->rows.at(static_cast<std::size_t>(row));
}

int RowOfNumber(const CParameterTable& table, int number) {
  for (int i = 0; i < table.Count(); ++i)
    if (table.NumberAt(i) == number) return i;
  return -1;
}

void EnterServiceMode(SimulatedZel& zel) {
  uint16_t answer = 0;
  ASSERT_TRUE(zel.Comm().Service().Service("ZELS", answer));
  zel.Host().Clear();
}

TEST(ParameterPropertiesDialog, ListsEveryDefinitionAsItsOwnType) {
  SimulatedZel zel;
  CParameterTable& table = zel.Comm().Definitions();
  Row maxSpeed, encoder, position;
  std::size_t rows = 0;
  bool editEnabled = true, defaultEnabled = true;
  zel.Host().QueueModal([&](Window& w) {
    rows = w.Find(CParameterPropertiesDlg::kIdList)->rows.size();
    maxSpeed = ListRow(w, RowOfNumber(table, 17));
    encoder = ListRow(w, RowOfNumber(table, 20));
    position = ListRow(w, RowOfNumber(table, 135));
    editEnabled = w.IsEnabled(CParameterPropertiesDlg::kIdEdit);
    defaultEnabled = w.IsEnabled(CParameterPropertiesDlg::kIdDefault);
    w.Press(ui::kIdOk);
  });
  link::SerialParameterDevice device(zel.Comm().Parameter(), zel.Comm().Status());
  CParameterPropertiesDlg dlg(table, device);
  dlg.DoModal();
  EXPECT_EQ(rows, table.Count());
  EXPECT_EQ(maxSpeed, (Row{"MaxSpeed", "17", "ReadWrite", "16-bit", "Signed", "", "25000", "0",
                           "25000", "rpm"}));
  EXPECT_EQ(encoder, (Row{"EncResolution", "20", "ReadWrite", "16-bit", "Unsigned", "", "500", "16",
                          "65535", "pulse/turn"}));
  EXPECT_EQ(position, (Row{"PosSetValue", "135", "ReadWrite", "32-bit", "Signed", "", "0",
                           "-2147483648", "2147483647", "qc"}));
  EXPECT_FALSE(editEnabled) << "editing needs the ZEL in service mode";
  EXPECT_FALSE(defaultEnabled);
}

TEST(ParameterPropertiesDialog, EditsLiveInTheCopyUntilOk) {
  SimulatedZel zel;
  EnterServiceMode(zel);
  CParameterTable& table = zel.Comm().Definitions();
  const int row = RowOfNumber(table, 17);
  auto editMaxSpeed = [&](bool confirm) {
    zel.Host().QueueModal([&, confirm](Window& w) {
      w.Press(CParameterPropertiesDlg::kIdEdit);  // nothing selected yet
      w.UserSelect(CParameterPropertiesDlg::kIdList, row);
      w.Press(CParameterPropertiesDlg::kIdEdit);
      EXPECT_EQ(ListRow(w, row)[8], "20000");
      w.Press(confirm ? ui::kIdOk : ui::kIdCancel);
    });
    zel.Host().QueueModal([](Window& w) {
      w.UserSetText(CParameterPropertyEditDlg::kIdMaxValue, "20000");
      w.UserSetText(CParameterPropertyEditDlg::kIdUnit, "1/min");
      w.Press(ui::kIdOk);
    });
    link::SerialParameterDevice device(zel.Comm().Parameter(), zel.Comm().Status());
    CParameterPropertiesDlg dlg(table, device);
    dlg.DoModal();
  };

  editMaxSpeed(false);
  int32_t def = 0, min = 0, max = 0;
  int service = 0;
  ASSERT_TRUE(table.GetLimits(17, def, min, max, service));
  EXPECT_EQ(max, 25000) << "Cancel must leave the table as it was";
  EXPECT_EQ(zel.Host().Messages(), std::vector<std::string>{"No item selected!"});

  editMaxSpeed(true);
  ASSERT_TRUE(table.GetLimits(17, def, min, max, service));
  EXPECT_EQ(max, 20000);
  EXPECT_EQ(table.Unit(17), "1/min");
}

TEST(ParameterPropertiesDialog, EditDialogRefusesWhatIsNoValueOfTheChosenType) {
  ui::ScriptedHost host;
  ParameterSlots slots;
  CParameterTable().CopyOut(slots);
  const int index = 20;  // EncResolution, unsigned 16-bit
  CParameterPropertyEditDlg dlg(slots, index);
  dlg.Initialize();
  EXPECT_EQ(dlg.Text(CParameterPropertyEditDlg::kIdMaxValue), "65535");
  dlg.UserSetText(CParameterPropertyEditDlg::kIdMinValue, "-1");
  dlg.Press(ui::kIdOk);
  dlg.UserSetText(CParameterPropertyEditDlg::kIdMinValue, "70000");
  dlg.Press(ui::kIdOk);
  dlg.UserSetText(CParameterPropertyEditDlg::kIdMinValue, "600");
  dlg.UserSetText(CParameterPropertyEditDlg::kIdMaxValue, "500");
  dlg.Press(ui::kIdOk);
  dlg.UserSetText(CParameterPropertyEditDlg::kIdMaxValue, "700");
  dlg.UserSetText(CParameterPropertyEditDlg::kIdNumber, "256");
  dlg.Press(ui::kIdOk);
  EXPECT_FALSE(dlg.IsEnded());
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{
                                 "Value is not a decimal number!", "Value is too large!",
                                 "Min Value is larger than Max Value!", "Value is too large!"}));
  EXPECT_EQ(slots.mins[index], 16) << "nothing reaches the slots before OK succeeds";

  // Switching the type to signed 32-bit widens what is accepted.
  dlg.UserSetText(CParameterPropertyEditDlg::kIdNumber, "20");
  dlg.UserSelect(CParameterPropertyEditDlg::kIdType, 1);
  dlg.UserSelect(CParameterPropertyEditDlg::kIdSigned, 1);
  dlg.UserSetText(CParameterPropertyEditDlg::kIdMinValue, "-70000");
  dlg.Press(ui::kIdOk);
  EXPECT_TRUE(dlg.IsEnded());
  EXPECT_EQ(slots.mins[index], -70000);
  EXPECT_EQ(slots.widths[index], ParameterDefinition::kWidth32);
}

}  // namespace
}  // namespace zel::parameters
