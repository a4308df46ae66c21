#include "ui/ScriptedHost.h"

namespace zel::ui {

ScriptedHost::ScriptedHost() { SetCurrentHost(this); }

ScriptedHost::~ScriptedHost() { SetCurrentHost(nullptr); }

void ScriptedHost::ShowMessage(const std::string& text, Icon) {
  std::lock_guard lock(mutex_);
  messages_.push_back(text);
}

bool ScriptedHost::AskYesNo(const std::string& text) {
  std::lock_guard lock(mutex_);
  questions_.push_back(text);
  if (yesNoAnswers_.empty()) return false;
  bool answer = yesNoAnswers_.front();
  yesNoAnswers_.pop_front();
  return answer;
}

void ScriptedHost::QueueYesNo(bool answer) {
  std::lock_guard lock(mutex_);
  yesNoAnswers_.push_back(answer);
}

std::vector<std::string> ScriptedHost::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> ScriptedHost::Questions() const {
  std::lock_guard lock(mutex_);
  return questions_;
}

std::string ScriptedHost::LastMessage() const {
  std::lock_guard lock(mutex_);
  return messages_.empty() ? std::string() : messages_.back();
}

void ScriptedHost::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  questions_.clear();
  yesNoAnswers_.clear();
}

}  // namespace zel::ui
