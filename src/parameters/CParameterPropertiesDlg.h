#pragma once

#include <string>
#include <vector>

#include "parameters/ParameterSlots.h"
#include "ui/Window.h"

namespace zel::parameters {

class CParameterTable;
class ParameterDevice;

// The "Parameter Properties" list: every definition of the table, one row each. It works on a
// copy of all slots; OK hands the copy back to the table, Cancel drops it. Nothing is written
// to the definition files.
//
// Editing a row needs the ZEL in service mode, checked once when the dialog opens.
class CParameterPropertiesDlg : public ui::Window {
 public:
  static constexpr int kIdList = 1200;
  static constexpr int kIdEdit = 1201;
  static constexpr int kIdDefault = 1202;

  CParameterPropertiesDlg(CParameterTable& table, ParameterDevice& device);

  // The cells of one row: name, number, access, width, sign, service, default, min, max, unit.
  static std::vector<std::string> RowOf(const ParameterSlots& slots, int index);

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  void FillRows();
  void EditSelected();

  CParameterTable& table_;
  ParameterDevice& device_;
  ParameterSlots slots_;
  int count_ = 0;
};

// The "Parameter Properties" edit dialog for one slot of the copy.
class CParameterPropertyEditDlg : public ui::Window {
 public:
  static constexpr int kIdName = 1220;
  static constexpr int kIdNumber = 1221;
  static constexpr int kIdAttribute = 1222;
  static constexpr int kIdType = 1223;
  static constexpr int kIdSigned = 1224;
  static constexpr int kIdService = 1225;
  static constexpr int kIdDefaultValue = 1226;
  static constexpr int kIdMinValue = 1227;
  static constexpr int kIdMaxValue = 1228;
  static constexpr int kIdUnit = 1229;

  CParameterPropertyEditDlg(ParameterSlots& slots, int index);

 protected:
  void OnOK() override;

 private:
  bool ParseLimit(int id, int width, int isSigned, std::int32_t& value);

  ParameterSlots& slots_;
  int index_;
};

}  // namespace zel::parameters
