#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "parameters/CParameterTable.h"
#include "ui/ScriptedHost.h"

namespace zel::parameters {
namespace {

using Def = ParameterDefinition;

// The built-in set as the ZEL's documentation lists it (No., Name, Unit, Access, Signed,
// Service, Default, Min, Max), kept in that form so a slip in the table's code shows up here.
constexpr const char* kDocumentedBuiltIns = R"(
| 0 | Baudrate | baud | RW | 1 | 0 | 3 | 0 | 7 |
| 1 | SysConfig | | RW | 1 | 0 | 1 | -32768 | 32767 |
| 2 | CurRegGainP | | RW | 1 | 0 | 3057 | 0 | 32767 |
| 3 | CurRegGainI | | RW | 1 | 0 | 994 | 0 | 32767 |
| 4 | MaxCurOutput | | RW | 1 | 1 | 32512 | 0 | 32767 |
| 5 | SpeedRegGainP | | RW | 1 | 0 | 3379 | 0 | 32767 |
| 6 | SpeedRegGainI | | RW | 1 | 0 | 1236 | 0 | 32767 |
| 7 | InternalParam | | RW | 1 | 0 | 220 | 0 | 32767 |
| 8 | InternalParam | | RW | 1 | 0 | 729 | 0 | 32767 |
| 9 | InternalParam | | RW | 1 | 0 | 1600 | 0 | 32767 |
| 10 | MaxSpeedError | | RW | 1 | 1 | 32767 | -32768 | 32767 |
| 11 | SettingUnitGain | | RW | 1 | 0 | 24576 | -32768 | 32767 |
| 12 | SettingUnitOffset | | RW | 1 | 0 | 0 | -32768 | 32767 |
| 13 | SettingUnitDelay | | RW | 1 | 0 | 0 | -32768 | 32767 |
| 14 | PeakCurrent | mA | RW | 1 | 0 | 15000 | 0 | 21500 |
| 15 | MaxContCurrent | mA | RW | 1 | 0 | 5000 | 0 | 7800 |
| 16 | ThermConst | | RW | 1 | 0 | 30400 | 1000 | 32767 |
| 17 | MaxSpeed | rpm | RW | 1 | 0 | 25000 | 0 | 25000 |
| 18 | Acceleration | rpm/(128*ms) | RW | 1 | 0 | 6400 | 0 | 32767 |
| 19 | SpeedConstant | | RW | 1 | 0 | 0 | 0 | 32767 |
| 20 | EncResolution | pulse/turn | RW | 0 | 0 | 500 | 16 | 65535 |
| 21 | PolePairNumber | | RW | 1 | 0 | 1 | 1 | 64 |
| 22 | Qep2RpmFactor | | RW | 1 | 1 | 960 | 0 | 32767 |
| 23 | Rpm2QepFactor | | RW | 1 | 1 | 2184 | 0 | 32767 |
| 24 | IndexOffset | qc | RW | 1 | 1 | 0 | -32768 | 32767 |
| 25 | PWM_Period | clock | R | 1 | 1 | 394 | 0 | 32767 |
| 26 | MaxDutyCycle | | RW | 1 | 1 | 7373 | 0 | 32767 |
| 27 | CurDetPhUOffset | | RW | 1 | 1 | 32512 | 0 | 32767 |
| 28 | CurDetPhVOffset | | RW | 1 | 1 | 32512 | 0 | 32767 |
| 29 | ADConvOffset | | RW | 0 | 1 | 32768 | 0 | 65535 |
| 30 | CanModuleID | | R | 1 | 0 | 2 | 1 | 127 |
| 31 | CAN_ServiceID | | R | 1 | 0 | 127 | 1 | 2047 |
| 32 | CAN_RPDO_ID | | RW | 1 | 0 | 513 | 385 | 1407 |
| 33 | CAN_TPDO_ID | | R | 1 | 0 | 385 | 385 | 1407 |
| 34 | CAN_BCR1 | | R | 1 | 0 | 1540 | -32768 | 32767 |
| 35 | CAN_BCR2 | | R | 1 | 0 | 1 | -32768 | 32767 |
| 36 | CAN_OpMode | | RW | 1 | 0 | 0 | -32768 | 32767 |
| 37 | CAN_RSDO_ID | | R | 1 | 0 | 1537 | 1537 | 1663 |
| 38 | CAN_TSDO_ID | | R | 1 | 0 | 1409 | 1409 | 1535 |
| 39 | CAN_RTR0_ID | | R | 1 | 0 | 386 | 385 | 1407 |
| 40 | CAN_RTR1_ID | | R | 1 | 0 | 387 | 385 | 1407 |
| 41 | CAN_Config | | R | 1 | 0 | 0 | -32768 | 32767 |
| 128 | SysOpStatus | | R | 1 | 0 | 0 | -32768 | 32767 |
| 129 | CurrentDetDAxis | mA | R | 1 | 0 | 0 | -32768 | 32767 |
| 130 | CurrentMeanQAxis | mA | R | 1 | 0 | 0 | -32768 | 32767 |
| 131 | CurrentSetValue | mA | RW | 1 | 0 | 0 | -6000 | 6000 |
| 132 | RelRotorPosition | qc | R | 1 | 0 | 0 | 0 | 32767 |
| 133 | SpeedSetValue | rpm | RW | 1 | 0 | 0 | -25000 | 25000 |
| 134 | SpeedDetValue | rpm | R | 1 | 0 | 0 | -32768 | 32767 |
| 135 | PosSetValue | qc | RW | 1 | 0 | 0 | -2147483648 | 2147483647 |
| 136 | PosDetValue | qc | R | 1 | 0 | 0 | -2147483648 | 2147483647 |
| 137 | StandardError | | R | 1 | 0 | 0 | -32768 | 32767 |
| 138 | CAN_Error | | R | 1 | 0 | 0 | -32768 | 32767 |
| 139 | CurrentDetQAxis | mA | R | 1 | 0 | 0 | -32768 | 32767 |
| 140 | SpeedDetValue | qc/ms | R | 1 | 0 | 0 | -32768 | 32767 |
)";

std::vector<Def> DocumentedBuiltIns() {
  std::vector<Def> rows;
  std::istringstream lines(kDocumentedBuiltIns);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::istringstream cellStream(line.substr(1));
    std::string cell;
    while (std::getline(cellStream, cell, '|')) {
      const auto first = cell.find_first_not_of(' ');
      cells.push_back(first == std::string::npos
                          ? ""
                          : cell.substr(first, cell.find_last_not_of(' ') - first + 1));
    }
    Def def;
    def.number = static_cast<std::int16_t>(std::stoi(cells.at(0)));
    def.name = cells.at(1);
    def.unit = cells.at(2);
    def.access = cells.at(3) == "RW" ? Def::kReadWrite : Def::kReadOnly;
    def.isSigned = std::stoi(cells.at(4));
    def.service = std::stoi(cells.at(5));
    def.defaultValue = static_cast<std::int32_t>(std::stoll(cells.at(6)));
    def.min = static_cast<std::int32_t>(std::stoll(cells.at(7)));
    def.max = static_cast<std::int32_t>(std::stoll(cells.at(8)));
    def.width = (def.number == 135 || def.number == 136) ? Def::kWidth32 : Def::kWidth16;
    rows.push_back(def);
  }
  return rows;
}

void AddPlain(CParameterTable& table, std::int16_t number, const char* name, bool status = false) {
  if (status) {
    table.AddStatus(number, Def::kWidth16, Def::kReadWrite, name, "", 0, -100, 100, 1, 0);
  } else {
    table.AddSystem(number, Def::kWidth16, Def::kReadWrite, name, "", 0, -100, 100, 1, 0);
  }
}

TEST(ParameterTable, BuiltInSetMatchesTheDocumentedRows) {
  const std::vector<Def> expected = DocumentedBuiltIns();
  ASSERT_EQ(expected.size(), 55u);
  CParameterTable table;
  EXPECT_EQ(table.Count(), 55);
  EXPECT_EQ(table.SystemCount(), 42);
  EXPECT_EQ(table.StatusCount(), 13);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(table.At(static_cast<int>(i)), expected[i]) << "row " << i;
  }
  EXPECT_EQ(table.At(55), Def{});

  // LoadBuiltIn starts again from empty counters rather than appending.
  table.AddSystem(99, Def::kWidth16, Def::kReadOnly, "Extra", "", 0, 0, 0, 0, 0);
  table.LoadBuiltIn();
  EXPECT_EQ(table.Count(), 55);
  EXPECT_EQ(table.At(55), Def{});
}

TEST(ParameterTable, PropertiesListTexts) {
  EXPECT_EQ(Def::AccessText(Def::kReadOnly), "ReadOnly");
  EXPECT_EQ(Def::AccessText(Def::kWriteOnly), "WriteOnly");
  EXPECT_EQ(Def::AccessText(Def::kReadWrite), "ReadWrite");
  EXPECT_EQ(Def::AccessText(3), "");
  EXPECT_EQ(Def::WidthText(Def::kWidth16), "16-bit");
  EXPECT_EQ(Def::WidthText(Def::kWidth32), "32-bit");
  EXPECT_EQ(Def::SignedText(0), "Unsigned");
  EXPECT_EQ(Def::ServiceText(1), "Service");
  EXPECT_EQ(Def::ServiceText(0), "");
}

TEST(ParameterTable, PerNumberQueriesAndAbsentNumbers) {
  CParameterTable table;
  EXPECT_EQ(table.Name(17), "MaxSpeed");
  EXPECT_EQ(table.Unit(134), "rpm");
  EXPECT_EQ(table.Unit(140), "qc/ms");  // the second "SpeedDetValue"
  EXPECT_EQ(table.Width(135), Def::kWidth32);
  EXPECT_EQ(table.ByteSize(136), 4);
  EXPECT_EQ(table.ByteSize(17), 2);
  EXPECT_EQ(table.IsSigned(20), 0);
  std::int32_t def = 1, min = 1, max = 1;
  int service = 0;
  ASSERT_TRUE(table.GetLimits(29, def, min, max, service));
  EXPECT_EQ(def, 32768);
  EXPECT_EQ(max, 65535);
  EXPECT_EQ(service, 1);

  ui::ScriptedHost host;
  def = min = max = 7;
  EXPECT_EQ(table.Name(200), "");
  EXPECT_EQ(table.Unit(200), "");
  EXPECT_EQ(table.Width(200), Def::kWidth16);
  EXPECT_EQ(table.ByteSize(200), 2);
  EXPECT_EQ(table.IsSigned(200), 0);
  EXPECT_FALSE(table.GetLimits(200, def, min, max, service));
  EXPECT_EQ(def, 7);
  EXPECT_FALSE(table.CheckRange(200, 0, true));
  std::int32_t value = 3;
  EXPECT_FALSE(table.ParseText(200, "1", NumberFormat::kDecimal, true, value));
  EXPECT_EQ(value, 3);
  std::string text = "old";
  EXPECT_FALSE(table.FormatValue(200, 1, NumberFormat::kDecimal, text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(host.Messages().empty());
}

TEST(ParameterTable, LookupStartsAtTheExpectedSlotAndWrapsAround) {
  CParameterTable table;
  table.Clear();
  AddPlain(table, 5, "Five");
  AddPlain(table, 3, "Three");
  AddPlain(table, 1, "One");
  AddPlain(table, 0, "Zero");
  AddPlain(table, 130, "OneThirty", true);
  AddPlain(table, 128, "OneTwentyEight", true);
  AddPlain(table, -5, "MinusFive", true);
  EXPECT_EQ(table.Name(0), "Zero");
  EXPECT_EQ(table.Name(5), "Five");
  EXPECT_EQ(table.Name(128), "OneTwentyEight");
  EXPECT_EQ(table.Name(130), "OneThirty");
  EXPECT_EQ(table.Name(-5), "MinusFive");
  EXPECT_EQ(table.Name(2), "");
  EXPECT_EQ(table.Name(1000), "");

  // With duplicate numbers the start slot decides which one answers: 1 % 3 = slot 1 for number 1,
  // and 4 system entries + 129 - 128 = slot 5 for number 129.
  table.Clear();
  AddPlain(table, 1, "First");
  AddPlain(table, 1, "Second");
  AddPlain(table, 1, "Third");
  EXPECT_EQ(table.Name(1), "Second");
  table.Clear();
  for (int i = 0; i < 4; ++i) AddPlain(table, 10, "System");
  AddPlain(table, 129, "A", true);
  AddPlain(table, 129, "B", true);
  EXPECT_EQ(table.Name(129), "B");

  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Name(0), "");  // empty table: absent, no division by zero
  EXPECT_EQ(table.At(0), Def{});
}

TEST(ParameterTable, SurplusDefinitionsAreIgnored) {
  CParameterTable table;
  table.Clear();
  for (int i = 0; i < 200; ++i) AddPlain(table, static_cast<std::int16_t>(i), "S");
  for (int i = 0; i < 100; ++i) AddPlain(table, static_cast<std::int16_t>(300 + i), "T", true);
  EXPECT_EQ(table.Count(), 256);
  EXPECT_EQ(table.SystemCount(), 200);
  EXPECT_EQ(table.StatusCount(), 56);
  EXPECT_EQ(table.NumberAt(255), 355);
  EXPECT_EQ(table.NumberAt(256), 0);
  EXPECT_EQ(table.NumberAt(-1), 0);
  EXPECT_EQ(table.Name(356), "");
}

TEST(ParameterTable, RangeCheckComparesInTheParametersOwnType) {
  ui::ScriptedHost host;
  CParameterTable table;
  EXPECT_TRUE(table.CheckRange(17, 25000, true));
  EXPECT_FALSE(table.CheckRange(17, 25001, true));
  EXPECT_EQ(host.LastMessage(),
            "The parameter 'MaxSpeed' is larger than 25000 !\nPlease enter a smaller value!");
  EXPECT_FALSE(table.CheckRange(16, 999, true));
  EXPECT_EQ(host.LastMessage(),
            "The parameter 'ThermConst' is smaller than 1000 !\nPlease enter a larger value!");
  // Unsigned 16-bit: 65535 is in range, not -1.
  EXPECT_TRUE(table.CheckRange(20, 65535, true));
  EXPECT_FALSE(table.CheckRange(20, 15, true));
  EXPECT_EQ(host.LastMessage(),
            "The parameter 'EncResolution' is smaller than 16 !\nPlease enter a larger value!");
  // Signed 16-bit: the word 0xFFFF is -1, below PeakCurrent's minimum 0.
  EXPECT_FALSE(table.CheckRange(14, 0xFFFF, false));
  EXPECT_TRUE(table.CheckRange(1, 0x8000, false));
  EXPECT_TRUE(table.CheckRange(135, INT32_MIN, false));
  EXPECT_EQ(host.Messages().size(), 3u) << "no box unless asked";

  table.AddStatus(150, Def::kWidth32, Def::kReadWrite, "Wide", "", 0, 10,
                  static_cast<std::int32_t>(3000000000u), 0, 0);
  EXPECT_TRUE(table.CheckRange(150, static_cast<std::int32_t>(2999999999u), true));
  EXPECT_FALSE(table.CheckRange(150, static_cast<std::int32_t>(3000000001u), true));
  EXPECT_EQ(host.LastMessage(),
            "The parameter 'Wide' is larger than 3000000000 !\nPlease enter a smaller value!");
}

TEST(ParameterTable, TextConversionFollowsWidthAndSign) {
  ui::ScriptedHost host;
  CParameterTable table;
  std::int32_t value = 0;
  EXPECT_TRUE(table.ParseText(1, "-32768", NumberFormat::kDecimal, true, value));
  EXPECT_EQ(value, -32768);
  EXPECT_TRUE(table.ParseText(20, "65535", NumberFormat::kDecimal, true, value));
  EXPECT_EQ(value, 65535);
  EXPECT_TRUE(table.ParseText(1, "0xFFFF", NumberFormat::kHexadecimal, true, value));
  EXPECT_EQ(value, -1);
  EXPECT_TRUE(table.ParseText(135, "0x80000000", NumberFormat::kHexadecimal, true, value));
  EXPECT_EQ(value, INT32_MIN);
  EXPECT_TRUE(table.ParseText(136, "-2147483648", NumberFormat::kDecimal, true, value));
  EXPECT_TRUE(host.Messages().empty());

  value = 42;
  EXPECT_FALSE(table.ParseText(1, "-32769", NumberFormat::kDecimal, true, value));
  EXPECT_EQ(host.LastMessage(), "Value is too small!");
  EXPECT_FALSE(table.ParseText(1, "32768", NumberFormat::kDecimal, true, value));
  EXPECT_EQ(host.LastMessage(), "Value is too large!");
  EXPECT_FALSE(table.ParseText(20, "-1", NumberFormat::kDecimal, true, value));
  EXPECT_EQ(host.LastMessage(), "Value is not a decimal number!");
  EXPECT_FALSE(table.ParseText(1, "0X10", NumberFormat::kHexadecimal, true, value));
  EXPECT_EQ(host.LastMessage(), "Value is not a hexadecimal number!");
  EXPECT_FALSE(table.ParseText(1, "0x12345", NumberFormat::kHexadecimal, false, value));
  EXPECT_EQ(host.Messages().size(), 4u);
  EXPECT_EQ(value, 42);

  std::string text;
  ASSERT_TRUE(table.FormatValue(17, 25000, NumberFormat::kDecimal, text));
  EXPECT_EQ(text, "25000");
  table.FormatValue(17, 25000, NumberFormat::kHexadecimal, text);
  EXPECT_EQ(text, "0x61A8");
  table.FormatValue(1, 0xFFFF, NumberFormat::kDecimal, text);
  EXPECT_EQ(text, "-1");
  table.FormatValue(20, -1, NumberFormat::kDecimal, text);
  EXPECT_EQ(text, "65535");
  table.FormatValue(135, -2, NumberFormat::kHexadecimal, text);
  EXPECT_EQ(text, "0xFFFFFFFE");
  table.FormatValue(135, -2, NumberFormat::kDecimal, text);
  EXPECT_EQ(text, "-2");
}

TEST(ParameterTable, EditabilityFollowsAccessServiceModeAndSysConfig) {
  CParameterTable table;
  EXPECT_FALSE(table.IsEditable(25, 0xFFFF));  // ReadOnly
  EXPECT_FALSE(table.IsEditable(200, 0xFFFF));
  EXPECT_FALSE(table.IsEditable(4, 0x0000));  // service parameter
  EXPECT_TRUE(table.IsEditable(4, 0x4000));
  EXPECT_TRUE(table.IsEditable(5, 0x0800));
  EXPECT_FALSE(table.IsEditable(6, 0x0804));  // current regulation
  EXPECT_FALSE(table.IsEditable(5, 0xF7FB));  // gain by potentiometer
  EXPECT_TRUE(table.IsEditable(12, 0x0200));
  EXPECT_FALSE(table.IsEditable(12, 0xFDFF));
  EXPECT_TRUE(table.IsEditable(14, 0x0400));
  EXPECT_TRUE(table.IsEditable(15, 0x0400));
  EXPECT_FALSE(table.IsEditable(15, 0xFBFF));
  EXPECT_TRUE(table.IsEditable(17, 0x0100));
  EXPECT_FALSE(table.IsEditable(17, 0xFEFF));
  EXPECT_FALSE(table.IsEditable(13, 0xFFFF));
  EXPECT_FALSE(table.IsEditable(135, 0xFFFF));
  EXPECT_TRUE(table.IsEditable(131, 0x0000));
  EXPECT_TRUE(table.IsEditable(2, 0x0000));

  // A service parameter under one of the SysConfig rules needs both.
  table.Clear();
  table.AddSystem(17, Def::kWidth16, Def::kReadWrite, "MaxSpeed", "rpm", 0, 0, 1, 1, 1);
  table.AddSystem(3, Def::kWidth16, Def::kWriteOnly, "W", "", 0, 0, 1, 1, 0);
  EXPECT_FALSE(table.IsEditable(17, 0x0100));
  EXPECT_FALSE(table.IsEditable(17, 0x4000));
  EXPECT_TRUE(table.IsEditable(17, 0x4100));
  EXPECT_TRUE(table.IsEditable(3, 0x0000));
}

TEST(ParameterTable, DefaultsBlockCoversTheSdoAndRtrWordsOnlyWhenDefined) {
  CParameterTable table;
  SystemParameterBlock block;
  block.words.fill(0xAAAA);
  table.DefaultsBlock(block);
  EXPECT_EQ(block.words[0], 3);
  EXPECT_EQ(block.words[10], 32767);
  EXPECT_EQ(block.words[29], 32768);
  EXPECT_EQ(block.words[37], 1537);
  EXPECT_EQ(block.words[41], 0);

  const std::vector<Def> rows = DocumentedBuiltIns();
  for (int systemCount : {37, 38}) {
    table.Clear();
    for (int i = 0; i < systemCount; ++i) {
      const Def& r = rows[static_cast<std::size_t>(i)];
      table.AddSystem(r.number, r.width, r.access, r.name, r.unit, r.defaultValue, r.min, r.max,
                      r.isSigned, r.service);
    }
    block.words.fill(0xAAAA);
    table.DefaultsBlock(block);
    EXPECT_EQ(block.words[36], 0) << systemCount;
    EXPECT_EQ(block.words[37], systemCount == 38 ? 1537 : 0xAAAA) << systemCount;
    for (int i = 38; i < 42; ++i) EXPECT_EQ(block.words[static_cast<std::size_t>(i)], 0xAAAA);
  }
}

TEST(ParameterTable, SlotCopiesRoundTripAndCopiesAreIndependent) {
  CParameterTable table;
  ParameterSlots slots;
  table.CopyOut(slots);
  EXPECT_EQ(slots.names[17], "MaxSpeed");
  EXPECT_EQ(slots.widths[49], Def::kWidth32);  // 135 sits after 42 system and 7 status entries
  EXPECT_EQ(slots.names[55], "");
  slots.maxima[17] = 30000;
  slots.units[17] = "1/min";
  table.CopyIn(slots);
  EXPECT_TRUE(table.CheckRange(17, 30000, false));
  EXPECT_EQ(table.Unit(17), "1/min");
  EXPECT_EQ(table.Count(), 55);

  CParameterTable copy(table);
  table.LoadBuiltIn();
  EXPECT_EQ(copy.Unit(17), "1/min");
  copy = table;
  EXPECT_EQ(copy.Unit(17), "rpm");
}

TEST(ParameterTable, AddressNamesFollowTheCurrentTable) {
  CParameterTable table;
  EXPECT_EQ(table.NameForAddress(0x0307), "MaxSpeed");
  EXPECT_EQ(table.NameForAddress(0x006E), "CAN_Error");
  EXPECT_EQ(table.NameForAddress(0x03B7), "PosSetValue");
  EXPECT_EQ(table.NameForAddress(0x03B8), "PosDetValue");
  EXPECT_EQ(table.NameForAddress(0x03AF), "SpeedDetValue");
  EXPECT_EQ(table.NameForAddress(0x03C6), "CurrentDetQAxis");
  EXPECT_EQ(table.NameForAddress(0x0308), "Address");
  EXPECT_EQ(table.NameForAddress(0xFFFF), "Address");

  table.Clear();
  table.AddSystem(17, Def::kWidth16, Def::kReadWrite, "TopSpeed", "rpm", 0, 0, 1, 1, 0);
  EXPECT_EQ(table.NameForAddress(0x0307), "TopSpeed");
  EXPECT_EQ(table.NameForAddress(0x0300), "Address");  // parameter 0 no longer defined
}

TEST(ParameterTable, ReadersRunWhileTheTableIsRefilled) {
  CParameterTable table;
  std::atomic<bool> stop{false};
  std::atomic<int> badNames{0};
  std::thread reader([&] {
    while (!stop.load()) {
      const std::string name = table.Name(17);
      if (!name.empty() && name != "MaxSpeed") ++badNames;
      SystemParameterBlock block;
      table.DefaultsBlock(block);
      table.CheckRange(135, 0, false);
    }
  });
  for (int i = 0; i < 300; ++i) {
    table.Clear();
    table.LoadBuiltIn();
    CParameterTable other;
    table = other;
  }
  stop = true;
  reader.join();
  EXPECT_EQ(badNames.load(), 0);
}

}  // namespace
}  // namespace zel::parameters
