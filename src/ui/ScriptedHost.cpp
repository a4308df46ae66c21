#include "ui/ScriptedHost.h"

#include <algorithm>

#include "ui/Dispatcher.h"
#include "ui/Window.h"

namespace zel::ui {

ScriptedHost::ScriptedHost() {
  SetCurrentHost(this);
}

ScriptedHost::~ScriptedHost() {
  SetCurrentHost(nullptr);
}

void ScriptedHost::ShowMessage(const std::string& text, Icon icon) {
  std::lock_guard lock(mutex_);
  messages_.push_back(text);
  icons_.push_back(icon);
}

bool ScriptedHost::AskYesNo(const std::string& text) {
  std::lock_guard lock(mutex_);
  questions_.push_back(text);
  if (yesNoAnswers_.empty()) return false;
  bool answer = yesNoAnswers_.front();
  yesNoAnswers_.pop_front();
  return answer;
}

bool ScriptedHost::AnswerFile(FileRequest& request) {
  std::lock_guard lock(mutex_);
  fileRequests_.push_back(request);
  if (fileAnswers_.empty()) return false;
  auto [path, filterIndex] = fileAnswers_.front();
  fileAnswers_.pop_front();
  if (!path) return false;
  request.path = *path;
  request.filterIndex = filterIndex;
  // A multiple choice is scripted as its paths, one a line.
  request.paths.clear();
  if (request.multiple) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = path->find('\n', start);
      request.paths.push_back(path->substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    request.path = request.paths.front();
  }
  return true;
}

bool ScriptedHost::AskOpenFile(FileRequest& request) {
  return AnswerFile(request);
}

bool ScriptedHost::AskSaveFile(FileRequest& request) {
  return AnswerFile(request);
}

bool ScriptedHost::ChooseFolder(const std::string&, std::string& folder) {
  std::lock_guard lock(mutex_);
  if (folderAnswers_.empty()) return false;
  auto answer = folderAnswers_.front();
  folderAnswers_.pop_front();
  if (!answer) return false;
  folder = *answer;
  return true;
}

void ScriptedHost::ShowText(const std::string& title, const std::string& text) {
  std::lock_guard lock(mutex_);
  shownTexts_.emplace_back(title, text);
}

void ScriptedHost::BeginWaitCursor() {
  std::lock_guard lock(mutex_);
  ++waitDepth_;
}

void ScriptedHost::EndWaitCursor() {
  std::lock_guard lock(mutex_);
  --waitDepth_;
}

bool ScriptedHost::Print(const PrintJob& job) {
  std::lock_guard lock(mutex_);
  if (printResult_) printJobs_.push_back(job);
  return printResult_;
}

int ScriptedHost::RunModal(Window& window) {
  ModalScript script;
  {
    std::lock_guard lock(mutex_);
    modalTitles_.push_back(window.Title());
    if (!modalScripts_.empty()) {
      script = std::move(modalScripts_.front());
      modalScripts_.pop_front();
    }
  }
  // The script runs without the lock: it may open nested windows and show messages.
  if (script) {
    script(window);
    if (!window.IsEnded()) {
      std::lock_guard lock(mutex_);
      ++unfinished_;
    }
  }
  return Host::RunModal(window);
}

void ScriptedHost::ShowModeless(Window& window) {
  std::lock_guard lock(mutex_);
  modeless_.push_back(&window);
}

void ScriptedHost::CloseModeless(Window& window) {
  std::lock_guard lock(mutex_);
  std::erase(modeless_, &window);
}

void ScriptedHost::QueueYesNo(bool answer) {
  std::lock_guard lock(mutex_);
  yesNoAnswers_.push_back(answer);
}

void ScriptedHost::QueueModal(ModalScript script) {
  std::lock_guard lock(mutex_);
  modalScripts_.push_back(std::move(script));
}

void ScriptedHost::QueueFile(std::optional<std::string> path, int filterIndex) {
  std::lock_guard lock(mutex_);
  fileAnswers_.emplace_back(std::move(path), filterIndex);
}

void ScriptedHost::QueueFolder(std::optional<std::string> folder) {
  std::lock_guard lock(mutex_);
  folderAnswers_.push_back(std::move(folder));
}

void ScriptedHost::SetPrintResult(bool printed) {
  std::lock_guard lock(mutex_);
  printResult_ = printed;
}

std::vector<std::string> ScriptedHost::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<Icon> ScriptedHost::MessageIcons() const {
  std::lock_guard lock(mutex_);
  return icons_;
}

std::vector<std::string> ScriptedHost::Questions() const {
  std::lock_guard lock(mutex_);
  return questions_;
}

std::string ScriptedHost::LastMessage() const {
  std::lock_guard lock(mutex_);
  return messages_.empty() ? std::string() : messages_.back();
}

std::vector<std::string> ScriptedHost::ModalTitles() const {
  std::lock_guard lock(mutex_);
  return modalTitles_;
}

std::vector<std::string> ScriptedHost::ModelessTitles() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> titles;
  for (const Window* w : modeless_) titles.push_back(w->Title());
  return titles;
}

std::vector<FileRequest> ScriptedHost::FileRequests() const {
  std::lock_guard lock(mutex_);
  return fileRequests_;
}

std::vector<std::pair<std::string, std::string>> ScriptedHost::ShownTexts() const {
  std::lock_guard lock(mutex_);
  return shownTexts_;
}

std::vector<PrintJob> ScriptedHost::PrintJobs() const {
  std::lock_guard lock(mutex_);
  return printJobs_;
}

int ScriptedHost::WaitCursorDepth() const {
  std::lock_guard lock(mutex_);
  return waitDepth_;
}

int ScriptedHost::UnfinishedWindows() const {
  std::lock_guard lock(mutex_);
  return unfinished_;
}

void ScriptedHost::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  icons_.clear();
  questions_.clear();
  yesNoAnswers_.clear();
  modalScripts_.clear();
  fileAnswers_.clear();
  folderAnswers_.clear();
  modalTitles_.clear();
  fileRequests_.clear();
  shownTexts_.clear();
  printJobs_.clear();
  unfinished_ = 0;
}

bool ScriptedHost::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return Dispatcher::Default().PumpUntil(done, limit);
}

}  // namespace zel::ui
