#include "recorder/CValueRangeDlg.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ui/Host.h"

namespace zel::recorder {

namespace {

std::string FloatText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

}  // namespace

CValueRangeDlg::CValueRangeDlg(float maximum, float minimum)
    : Window("Value Range"), maximum_(maximum), minimum_(minimum) {
  AddLabel(0, "Max. Value");
  AddEdit(kIdMax, FloatText(maximum)).sameRow = true;
  AddLabel(0, "Min. Value");
  AddEdit(kIdMin, FloatText(minimum)).sameRow = true;
  AddOkCancel();
}

bool CValueRangeDlg::ParseFloat(const std::string& text, float& value) {
  if (text.empty() || text.find_first_of(" \t") != std::string::npos) return false;
  char* end = nullptr;
  const float parsed = std::strtof(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

void CValueRangeDlg::OnOK() {
  float maximum = 0, minimum = 0;
  for (int id : {kIdMax, kIdMin}) {
    if (!ParseFloat(Text(id), id == kIdMax ? maximum : minimum)) {
      ui::CurrentHost().ShowMessage(kNotANumber);
      SetFocus(id);
      return;
    }
  }
  // An empty or upside-down range leaves the graph nothing to scale against.
  if (!(maximum > minimum)) {
    ui::CurrentHost().ShowMessage(kEmptyRange);
    SetFocus(kIdMax);
    return;
  }
  maximum_ = maximum;
  minimum_ = minimum;
  EndDialog(ui::kResultOk);
}

}  // namespace zel::recorder
