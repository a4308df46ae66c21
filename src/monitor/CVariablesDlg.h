#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace zel::link {
class RecorderGroup;
}
namespace zel::parameters {
class CParameterTable;
}

namespace zel::monitor {

// One row of the variable watch list: a parameter of the definition table or a raw ZEL memory
// address, read with the other rows in one "read variables" exchange.
struct WatchVariable {
  std::uint16_t variable = 0;  // parameter number or address, as the ZEL takes it
  bool isParameter = false;
  bool isSigned = false;
  bool wide = false;  // 32-bit
  bool hexadecimal = false;
  std::string name;
  std::optional<std::uint32_t> value;  // empty until read

  // "Signed 16-bit value", "Unsigned 16-bit value", "Signed 32-bit value", "Unsigned 32-bit value"
  std::string TypeText() const;
  std::string FormatText() const { return hexadecimal ? "Hexadecimal" : "Decimal"; }
  std::string ValueText() const;
};

// "Read N Variables": a watch list of parameters and addresses, refreshed on request.
class CVariablesDlg final : public ui::Window {
 public:
  static constexpr int kIdList = 1600;
  static constexpr int kIdParameter = 1601;
  static constexpr int kIdAddParameter = 1602;
  static constexpr int kIdAddress = 1603;
  static constexpr int kIdType = 1604;
  static constexpr int kIdAddAddress = 1605;
  static constexpr int kIdFormat = 1606;
  static constexpr int kIdEdit = 1607;
  static constexpr int kIdRemove = 1608;
  static constexpr int kIdRefresh = 1609;

  // Entries of the type list; a raw address is offered the first two only.
  static constexpr int kTypeSigned16 = 0;
  static constexpr int kTypeUnsigned16 = 1;
  // Entries of the format list.
  static constexpr int kFormatDecimal = 0;
  static constexpr int kFormatHexadecimal = 1;

  // The request names every variable in one frame of at most 255 bytes: the count word and 126
  // variables.
  static constexpr std::size_t kMaxVariables = 126;

  CVariablesDlg(link::RecorderGroup& recorder, const parameters::CParameterTable& definitions);

  // Adds the parameter chosen in the parameter list, or the address typed in the address field
  // with the chosen type; each says why when it refuses.
  bool AddParameter(std::int16_t number);
  bool AddAddress(const std::string& addressText, bool isSigned);
  // Reads all rows at once; false (values unchanged) when the exchange failed.
  bool RefreshNow();

  const std::vector<WatchVariable>& Variables() const { return variables_; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  bool Accept(WatchVariable variable);
  void ShowRows();
  bool SelectedRow(std::size_t& row);

  link::RecorderGroup& recorder_;
  const parameters::CParameterTable& definitions_;
  std::vector<std::int16_t> offered_;  // parameter numbers in the order of the parameter list
  std::vector<WatchVariable> variables_;
};

}  // namespace zel::monitor
