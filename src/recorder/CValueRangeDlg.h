#pragma once

#include <string>

#include "ui/Window.h"

namespace zel::recorder {

// The "Value Range" dialog: the manual value range of the graph as two 32-bit floats.
class CValueRangeDlg final : public ui::Window {
 public:
  static constexpr int kIdMax = 1750;
  static constexpr int kIdMin = 1751;
  static constexpr const char* kNotANumber = "The value is not a correct number!";
  static constexpr const char* kEmptyRange = "The Max. Value must be larger than the Min. Value!";

  CValueRangeDlg(float maximum, float minimum);
  float Maximum() const { return maximum_; }
  float Minimum() const { return minimum_; }

  // A whole text as a finite float.
  static bool ParseFloat(const std::string& text, float& value);

 protected:
  void OnOK() override;

 private:
  float maximum_;
  float minimum_;
};

}  // namespace zel::recorder
