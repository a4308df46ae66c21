#pragma once

#include <string>
#include <vector>

namespace zel::ui {

class Window;

enum class Icon { Information, Warning, Error, Question };

// A file dialog's question and, when confirmed, its answer. The filter reads like the classic
// one: "ZEL Firmware Files (*.bin)|*.bin|All Files (*.*)|*.*||"; filterIndex counts from 1.
struct FileRequest {
  std::string title;
  std::string filter;
  std::string defaultExtension;  // without the dot; appended when the user typed none
  std::string initialDirectory;
  std::string path;     // preset file name in, chosen path out
  int filterIndex = 1;  // preset in, chosen filter out
  // Open only: several files may be chosen; they come back in paths (path holds the first).
  bool multiple = false;
  std::vector<std::string> paths;
};

// Text for the printer: pages of lines in one font. The host shows the print dialog; where no
// printer answers it may print to a file instead.
struct PrintJob {
  std::string title;
  std::string fontName = "MS Serif";
  int pointSize = 10;
  std::vector<std::vector<std::string>> pages;
  // Printed in bold where the first page's first line ends with it (a letterhead's name).
  std::string boldTail;
};

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
  // The same box with No as the default button, for a question whose Yes starts a motor.
  virtual bool AskYesNoDefaultNo(const std::string& text) { return AskYesNo(text); }

  // File choosers; false when the user cancelled (request.path is then unchanged).
  virtual bool AskOpenFile(FileRequest& request);
  virtual bool AskSaveFile(FileRequest& request);
  virtual bool ChooseFolder(const std::string& title, std::string& folder);
  // A read-only viewer for a text (ReadMe, summaries, protocols).
  virtual void ShowText(const std::string& title, const std::string& text);
  // Nested: the cursor shows busy while the count is above zero.
  virtual void BeginWaitCursor() {}
  virtual void EndWaitCursor() {}
  // False when the user cancelled or nothing could be printed.
  virtual bool Print(const PrintJob& job);

  // Runs an initialised window until it has ended and returns its result. A host that cannot
  // show windows cancels it, so nothing is ever confirmed by accident.
  virtual int RunModal(Window& window);
  // Shows an initialised window beside the others; CloseModeless takes it away again.
  virtual void ShowModeless(Window& window);
  virtual void CloseModeless(Window& window);
};

// The host core code talks to. Until one is installed a silent host stands in: it shows nothing
// and answers No, so nothing is ever confirmed by accident.
Host& CurrentHost();
// Installs host (not owned; it must outlive its installation). nullptr restores the silent host.
void SetCurrentHost(Host* host);

// Shows the wait cursor for its lifetime.
class WaitCursor {
 public:
  WaitCursor() { CurrentHost().BeginWaitCursor(); }
  ~WaitCursor() { CurrentHost().EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace zel::ui
