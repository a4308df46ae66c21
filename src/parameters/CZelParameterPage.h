#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "parameters/NumberText.h"
#include "parameters/SystemParameterBlock.h"
#include "ui/PropertySheet.h"

namespace zel::parameters {

class CParameterTable;
class CZelParameterDlg;

// One page of the parameter sheet. A page shows its share of the sheet's 42-word block: each
// edit field one parameter, formatted by its definition, and the page's check boxes and radio
// pairs single bits of SysConfig. The page keeps the block as the sheet last distributed it, so
// it can write back only its own words and bits and pass everything else through.
//
// What may be changed follows the definitions and the SysConfig word of that block; every page
// change redistributes the block, so one page's pending SysConfig change shows on the others
// without asking the device. UI thread; the pages live as members of their sheet.
class CZelParameterPage : public ui::PropertyPage {
 public:
  static constexpr int kIdSetDefault = 1290;
  // Controls of the field showing parameter n: caption, edit, unit.
  static constexpr int EditId(int number) { return 1300 + number; }
  static constexpr int CaptionId(int number) { return 1400 + number; }
  static constexpr int UnitId(int number) { return 1500 + number; }

  CZelParameterPage(std::string title, CZelParameterDlg& sheet);

  // Shows the block's values and remembers the block.
  void Fill(const SystemParameterBlock& block);
  // Writes this page's words and bits into block, leaving the rest.
  virtual void GatherInto(SystemParameterBlock& block) const;
  // Every enabled field converted and checked, with the messages; the first bad one keeps the
  // focus and false is returned.
  virtual bool Validate();
  void UpdateEnabled();

  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  void SetDefaultDisabled(bool disabled) { defaultDisabled_ = disabled; }
  std::uint16_t SysConfig() const { return sysConfig_; }

 protected:
  struct Field {
    std::int16_t number;
    NumberFormat format;
  };

  // Adds caption, edit and unit label for parameter number.
  void AddField(std::int16_t number, const std::string& caption, NumberFormat format,
                const std::string& unit = {}, int parent = 0);
  void AddSetDefault();

  virtual void FillControls(const SystemParameterBlock& block);
  // Enabled states beyond the fields' own (check boxes, lists, radios), read-only flag clear.
  virtual void UpdateOwnEnabled() {}
  virtual void OnPageEvent(int /*id*/, ui::EventKind /*kind*/) {}
  // Whether a field may be edited now; the base asks IsEditable with the page's SysConfig.
  virtual bool FieldEditable(std::int16_t number) const;

  bool OnSetActive() override;
  bool OnKillActive() override;
  bool OnApply() override;
  void OnEvent(int id, ui::EventKind kind) override;

  const CParameterTable& Table() const;
  CZelParameterDlg& Sheet() const { return sheet_; }
  bool ReadOnly() const { return readOnly_; }
  // The radio pair (firstId, firstId + 1): the second is on when bit is set.
  void SetRadioPair(int firstId, bool second);
  bool RadioPairSecond(int firstId) const { return Value(firstId + 1) != 0; }

  std::vector<Field> fields_;
  SystemParameterBlock block_;
  std::uint16_t sysConfig_ = 0;

 private:
  CZelParameterDlg& sheet_;
  bool readOnly_ = false;
  bool defaultDisabled_ = false;
};

}  // namespace zel::parameters
