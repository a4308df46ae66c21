#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace zel::parameters {
class CParameterTable;
}

namespace zel::link {

// The gateway's Set dialogs ("SetModuleID", "SetCAN_BCR1_BCR2", "SendCANmsg", ...): one to five
// edit fields and one "Hex Format" / "Dec Format" choice for all of them. A field tied to a
// parameter number is converted and limited by that parameter's definition, with its messages;
// a field without one (number -1) takes any 16-bit value. The dialog stays open until every
// field passes.
class CCanValueDlg : public ui::Window {
 public:
  static constexpr int kIdHex = 1210;
  static constexpr int kIdDec = 1211;
  static constexpr int kIdFirstField = 1220;
  // Longest text a field without a parameter takes (a 16-bit value, "0x" included).
  static constexpr std::size_t kMaxPlainDigits = 6;

  struct Field {
    std::string caption;
    int16_t parameter = -1;
    uint16_t value = 0;
  };

  CCanValueDlg(std::string title, std::vector<Field> fields, bool hexadecimal,
               const parameters::CParameterTable& definitions);

  uint16_t Value(std::size_t field) const { return fields_[field].value; }
  bool Hexadecimal() const { return hexadecimal_; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;
  // A check across the fields once each has passed its own; false keeps the dialog open.
  virtual bool Accept() { return true; }
  // Checks a field's accepted value against another parameter's limits (message shown).
  bool CheckAs(std::size_t field, int16_t parameter);

 private:
  bool Parse(std::size_t field, bool hexadecimal, uint16_t& value, bool showMessage) const;
  std::string Format(std::size_t field, uint16_t value, bool hexadecimal) const;

  std::vector<Field> fields_;
  bool hexadecimal_;
  const parameters::CParameterTable& definitions_;
};

}  // namespace zel::link
