#pragma once

#include <string>

#include "link/RtrConfiguration.h"
#include "ui/Window.h"

namespace zel::parameters {
class CParameterTable;
}

namespace zel::link {

// The RTR set-up of one module as read: per channel its identifier, the active flag and the
// list of entries. Editable ("RTR Channel Configuration of CAN Module %i", "&Store" writes it)
// or read only ("RTR Parameter of CAN Module %i").
class CRtrConfigDlg : public ui::Window {
 public:
  // Per channel c: id + 10 * c.
  static constexpr int kIdRtrId = 1600;
  static constexpr int kIdActive = 1601;
  static constexpr int kIdList = 1602;
  static constexpr int kIdAdd = 1603;
  static constexpr int kIdDelete = 1604;
  static constexpr int kIdDeleteAll = 1605;
  static constexpr int kIdStore = 1620;

  CRtrConfigDlg(RtrConfiguration& rtr, const parameters::CParameterTable& table, bool readOnly);

  // Set after "&Store": whether every step of the store succeeded.
  bool Stored() const { return stored_; }
  bool StoreRan() const { return storeRan_; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void ShowChannel(int channel);
  void Store();

  RtrConfiguration& rtr_;
  const parameters::CParameterTable& table_;
  bool readOnly_;
  bool stored_ = false;
  bool storeRan_ = false;
};

}  // namespace zel::link
