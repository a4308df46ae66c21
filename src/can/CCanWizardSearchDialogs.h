#pragma once

#include <functional>
#include <string>

#include "ui/Window.h"

namespace zel::can {

// "Number of modules": how many ZEL the search looks for, 1 to 127.
class CNumberOfModulesDlg final : public ui::Window {
 public:
  static constexpr int kIdText = 5300;
  static constexpr int kIdCount = 5301;
  static constexpr const char* kBadCount = "Please enter an integer between 1 and 127.";

  explicit CNumberOfModulesDlg(int count);
  int Count() const { return count_; }

 protected:
  void OnOK() override;

 private:
  int count_;
};

// "Search Modules": the progress of a search over the candidate IDs, with "Stop". Modeless; the
// page moves it and closes it.
class CSearchModulesProgressDlg final : public ui::Window {
 public:
  static constexpr int kIdProgress = 5310;
  static constexpr int kIdStop = 5311;

  explicit CSearchModulesProgressDlg(std::function<void()> stop);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnCancel() override;

 private:
  std::function<void()> stop_;
};

// "Not all modules found", with "&Help" showing the bit-rate instructions.
class CNotAllModulesFoundDlg final : public ui::Window {
 public:
  static constexpr int kIdText = 5320;
  static constexpr int kIdHelp = 5321;

  explicit CNotAllModulesFoundDlg(const std::string& text);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
};

}  // namespace zel::can
