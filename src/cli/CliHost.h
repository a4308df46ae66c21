#pragma once

#include <ostream>
#include <string>

#include "ui/Host.h"

namespace zel::cli {

// The command-line tool's stand-in for message boxes: texts go to the error stream, and a
// question is answered by the --yes option (No without it), so a script never starts a motor
// unless it said so.
class CliHost final : public ui::Host {
 public:
  CliHost(std::ostream& err, bool assumeYes) : err_(err), assumeYes_(assumeYes) {}

  void ShowMessage(const std::string& text, ui::Icon icon) override;
  bool AskYesNo(const std::string& text) override;
  bool AssumeYes() const { return assumeYes_; }
  // The last box's text, so a failure can also be reported in the JSON result.
  const std::string& LastMessage() const { return lastMessage_; }

 private:
  std::ostream& err_;
  bool assumeYes_;
  std::string lastMessage_;
};

}  // namespace zel::cli
