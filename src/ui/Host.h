#pragma once

#include <string>

namespace zel::ui {

enum class Icon { Information, Warning, Error, Question };

// Everything modal the tool asks of the user. Core code calls it synchronously, exactly where a
// box or a dialog appears; the desktop program, the command-line tool and the tests each supply
// their own. Called from the user-interface thread only: workers post, they never ask.
class Host {
 public:
  virtual ~Host() = default;

  // A modal box with one OK button.
  virtual void ShowMessage(const std::string& text, Icon icon = Icon::Information) = 0;
  // A Yes/No box with the question icon; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
};

// The host core code talks to. Until one is installed a silent host stands in: it shows nothing
// and answers No, so nothing is ever confirmed by accident.
Host& CurrentHost();
// Installs host (not owned; it must outlive its installation). nullptr restores the silent host.
void SetCurrentHost(Host* host);

}  // namespace zel::ui
