#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/RecorderSetup.h"
#include "ui/Window.h"

namespace zel::parameters {
class CParameterTable;
}

namespace zel::recorder {

// The "SetupRecorder" dialog: the sampling period in ms with one decimal, a status parameter
// chosen by name or a memory address with its data format. OK checks the inputs and keeps the
// dialog open with the edit focused after a message. UI thread; lives on the caller's stack.
class CSetupRecorderDlg final : public ui::Window {
 public:
  static constexpr int kIdPeriod = 1700;
  static constexpr int kIdSelectVariable = 1701;
  static constexpr int kIdEnterAddress = 1702;
  static constexpr int kIdInputLabel = 1703;
  static constexpr int kIdVariable = 1704;
  static constexpr int kIdAddress = 1705;
  static constexpr int kIdHexLabel = 1706;
  static constexpr int kIdFormat = 1707;

  static constexpr const char* kBadPeriod = "The sampling period is not a correct number!";
  static constexpr const char* kPeriodTooLarge = "The value is too large!";

  // Entries of the data format list.
  static constexpr int kFormatSigned = 0;
  static constexpr int kFormatUnsigned = 1;

  CSetupRecorderDlg(const RecorderSetup& setup, const parameters::CParameterTable& definitions);

  // The values confirmed with OK.
  const RecorderSetup& Setup() const { return setup_; }
  // The status parameters the variable list offers, in list order.
  const std::vector<std::int16_t>& Offered() const { return offered_; }

  // The period text in tenths of a millisecond: decimal digits with at most one "." and one
  // digit after it; empty is 0. False with the box text in message otherwise.
  static bool ParsePeriod(const std::string& text, std::uint16_t& tenths, std::string& message);
  static std::string FormatPeriod(std::uint16_t tenths);

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  void ShowMode(std::int32_t mode);

  RecorderSetup setup_;
  std::vector<std::int16_t> offered_;
};

}  // namespace zel::recorder
