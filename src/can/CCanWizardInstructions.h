#pragma once

#include <string>
#include <vector>

#include "ui/Host.h"
#include "ui/Window.h"

namespace zel::can {

// The instruction sheets the CAN wizard prints for work done at another PC: setting a module ID
// there, and setting the bit rate of a module the search did not find.
struct CCanWizardInstructions {
  struct Sheet {
    std::string jobTitle;  // "CAN Wizard: Set Module ID"
    std::string title;     // the header line's title
    std::vector<std::string> lines;
  };
  static Sheet SetModuleId();
  static Sheet SetBitRate();
  // The page: header with the title and "Orvane", dashes, the date, then the lines.
  static ui::PrintJob Job(const Sheet& sheet, const std::string& printedAt);
  // Prints on the host's printer and says "Data printed!" or "Failed printing data!".
  static bool Print(const Sheet& sheet);
};

// The bit-rate instructions on screen, with "&Print".
class CCanWizardInstructionsDlg final : public ui::Window {
 public:
  static constexpr int kIdLines = 5600;
  static constexpr int kIdPrint = 5601;

  explicit CCanWizardInstructionsDlg(CCanWizardInstructions::Sheet sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  CCanWizardInstructions::Sheet sheet_;
};

}  // namespace zel::can
