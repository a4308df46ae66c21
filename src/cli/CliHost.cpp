#include "cli/CliHost.h"

#include <string>

namespace zel::cli {

namespace {

// Boxes may hold "\n"; on a terminal each line gets the prefix so the text stays attributable.
void PrintLines(std::ostream& out, const std::string& prefix, const std::string& text) {
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    out << prefix << text.substr(start, end == std::string::npos ? std::string::npos : end - start)
        << '\n';
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

}  // namespace

void CliHost::ShowMessage(const std::string& text, ui::Icon) {
  lastMessage_ = text;
  PrintLines(err_, "zelctl: ", text);
}

bool CliHost::AskYesNo(const std::string& text) {
  PrintLines(err_, "zelctl: ", text);
  err_ << "zelctl: answered " << (assumeYes_ ? "Yes" : "No") << (assumeYes_ ? "" : " (use --yes)")
       << '\n';
  return assumeYes_;
}

}  // namespace zel::cli
