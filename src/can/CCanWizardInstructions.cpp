#include "can/CCanWizardInstructions.h"

#include "parameters/CParameterFile.h"

namespace zel::can {

CCanWizardInstructions::Sheet CCanWizardInstructions::SetModuleId() {
  return {"CAN Wizard: Set Module ID",
          "Set Module ID Instructions",
          {"For a correct setting follow the next instructions!", "",
           "1. Start the ZEL_UserInterface on your remote PC!",
           "2. Connect the ZEL via the RS232 port (Help: Startup Wizard) ",
           "3. Open the submenu 'CAN Node Configuration' in the menu 'CAN Commands'. ",
           "    Select the command 'Set Module ID' and enter a new module ID (Module ID",
           "    has to be unique in the CAN network!).",
           "4. Select the command 'Save Temp Systemparameter' in the menu 'Parameter' ",
           "    to store this setting permanently in the flash memory!",
           "5. Repeat this procedure for all ZEL without DIP switches!"}};
}

CCanWizardInstructions::Sheet CCanWizardInstructions::SetBitRate() {
  return {
      "CAN Wizard: Set Bitrate ID",
      "Set Bitrate ID Instructions",
      {"A  If you have interrupted the search process",
       "1. Start again the search process or change number of modules!", "",
       "B  Not all modules in the network have been found",
       "    Take notes of the bitrate settings you want to work with in your", "    network!",
       "2. Connect the ZEL not found during the search process to the ",
       "    RS232 port of this PC or a remote PC (Help: Startup Wizard).",
       "3. Start the ZEL_UserInterface", "4. Open the submenu 'CAN Node Configuration' in the menu",
       "    'CAN Commands'", "5. Select the command 'Set CAN BCR1 and BCR2' and enter",
       "    the new bitrate (values are available in the Communication", "    Guide)",
       "6. Start the CAN Wizard and test the communication",
       "7. Repeat this procedure for all ZEL not found during the search", "    process!"}};
}

ui::PrintJob CCanWizardInstructions::Job(const Sheet& sheet, const std::string& printedAt) {
  ui::PrintJob job;
  // Every printout of the tool goes out under the one job name the print queue knows.
  job.title = "ZelUpload Protocol";
  job.fontName = "MS Serif";
  job.boldTail = "Orvane";
  std::vector<std::string> page{sheet.title + "          Orvane", std::string(60, '-'), printedAt,
                                ""};
  page.insert(page.end(), sheet.lines.begin(), sheet.lines.end());
  job.pages.push_back(std::move(page));
  return job;
}

bool CCanWizardInstructions::Print(const Sheet& sheet) {
  const bool printed = ui::CurrentHost().Print(Job(sheet, parameters::CParameterFile::PrintDate()));
  ui::CurrentHost().ShowMessage(printed ? "Data printed!" : "Failed printing data!");
  return printed;
}

CCanWizardInstructionsDlg::CCanWizardInstructionsDlg(CCanWizardInstructions::Sheet sheet)
    : Window(sheet.title), sheet_(std::move(sheet)) {
  AddList(kIdLines, {"Instructions"});
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : sheet_.lines) rows.push_back({line});
  SetRows(kIdLines, rows);
  AddButton(kIdPrint, "&Print");
  AddButton(ui::kIdOk, "OK").sameRow = true;
}

void CCanWizardInstructionsDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdPrint && kind == ui::EventKind::Clicked) CCanWizardInstructions::Print(sheet_);
}

}  // namespace zel::can
