#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "ui/Host.h"

namespace zel::ui {

// A host for tests: records every text shown and answers questions from a script, so a test
// reads like a session at the desk ("answer Yes, expect 'Command failed!'"). Installs itself as
// the current host for its lifetime.
class ScriptedHost final : public Host {
 public:
  ScriptedHost();
  ~ScriptedHost() override;
  ScriptedHost(const ScriptedHost&) = delete;
  ScriptedHost& operator=(const ScriptedHost&) = delete;

  void ShowMessage(const std::string& text, Icon icon) override;
  bool AskYesNo(const std::string& text) override;

  // Answers for the next AskYesNo calls, in order; when none is left the answer is No.
  void QueueYesNo(bool answer);

  std::vector<std::string> Messages() const;
  std::vector<std::string> Questions() const;
  std::string LastMessage() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  std::vector<std::string> questions_;
  std::deque<bool> yesNoAnswers_;
};

}  // namespace zel::ui
