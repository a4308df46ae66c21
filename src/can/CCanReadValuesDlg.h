#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/CValueDlg.h"

namespace zel::can {

// A module's values ("ReadVelocityIsMust of CAN Module %i", "ReadCurrentIsMust of CAN Module
// %i") with refresh and automatic refresh; the reader runs on the UI thread or on the worker.
class CCanReadValuesDlg final : public link::CValueDlg {
 public:
  using Reader = std::function<bool(std::vector<std::string>&)>;

  CCanReadValuesDlg(std::string title, std::vector<std::string> captions, Reader reader)
      : CValueDlg(std::move(title), std::move(captions), true), reader_(std::move(reader)) {}
  ~CCanReadValuesDlg() override { StopAutoRefresh(); }

 protected:
  bool ReadTexts(std::vector<std::string>& texts) override { return reader_(texts); }

 private:
  Reader reader_;
};

}  // namespace zel::can
