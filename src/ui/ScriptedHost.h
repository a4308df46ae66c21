#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/Host.h"

namespace zel::ui {

// A host for tests: records every text shown and answers questions from a script, so a test
// reads like a session at the desk ("answer Yes, expect 'Command failed!'"). Modal windows are
// driven by queued callbacks that press buttons and type text as a user would. Installs itself
// as the current host for its lifetime.
class ScriptedHost final : public Host {
 public:
  // Plays the user's part in one modal window. When it returns with the window still open, the
  // host cancels the window and counts it in UnfinishedWindows, so a wrong script cannot hang.
  using ModalScript = std::function<void(Window&)>;

  ScriptedHost();
  ~ScriptedHost() override;
  ScriptedHost(const ScriptedHost&) = delete;
  ScriptedHost& operator=(const ScriptedHost&) = delete;

  void ShowMessage(const std::string& text, Icon icon) override;
  bool AskYesNo(const std::string& text) override;
  bool AskOpenFile(FileRequest& request) override;
  bool AskSaveFile(FileRequest& request) override;
  bool ChooseFolder(const std::string& title, std::string& folder) override;
  void ShowText(const std::string& title, const std::string& text) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  bool Print(const PrintJob& job) override;
  int RunModal(Window& window) override;
  void ShowModeless(Window& window) override;
  void CloseModeless(Window& window) override;

  // Answers for the next AskYesNo calls, in order; when none is left the answer is No.
  void QueueYesNo(bool answer);
  // Scripts for the next modal windows, in order; a window without a script is cancelled.
  void QueueModal(ModalScript script);
  // Answers for the next file or folder choosers, in order; nullopt cancels, and so does an
  // empty queue. The filter index applies to file choosers only; a chooser of several files
  // takes paths one a line.
  void QueueFile(std::optional<std::string> path, int filterIndex = 1);
  void QueueFolder(std::optional<std::string> folder);
  // Whether Print succeeds (default true).
  void SetPrintResult(bool printed);

  std::vector<std::string> Messages() const;
  std::vector<Icon> MessageIcons() const;
  std::vector<std::string> Questions() const;
  std::string LastMessage() const;
  std::vector<std::string> ModalTitles() const;
  std::vector<std::string> ModelessTitles() const;  // currently shown
  std::vector<FileRequest> FileRequests() const;    // as asked, before answering
  std::vector<std::pair<std::string, std::string>> ShownTexts() const;
  std::vector<PrintJob> PrintJobs() const;
  int WaitCursorDepth() const;
  int UnfinishedWindows() const;
  void Clear();

  // Delivers posted messages until done() holds or the limit passes (the test's event loop).
  static bool PumpUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  bool AnswerFile(FileRequest& request);

  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  std::vector<Icon> icons_;
  std::vector<std::string> questions_;
  std::deque<bool> yesNoAnswers_;
  std::deque<ModalScript> modalScripts_;
  std::deque<std::pair<std::optional<std::string>, int>> fileAnswers_;
  std::deque<std::optional<std::string>> folderAnswers_;
  std::vector<std::string> modalTitles_;
  std::vector<Window*> modeless_;
  std::vector<FileRequest> fileRequests_;
  std::vector<std::pair<std::string, std::string>> shownTexts_;
  std::vector<PrintJob> printJobs_;
  bool printResult_ = true;
  int waitDepth_ = 0;
  int unfinished_ = 0;
};

}  // namespace zel::ui
