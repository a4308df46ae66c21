#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "monitor/CErrorInfoDlg.h"
#include "monitor/CWordDlg.h"
#include "monitor/ErrorClearing.h"
#include "monitor/ErrorListing.h"

namespace zel::link {
class StatusGroup;
}

namespace zel::monitor {

class CErrorMapList;

// "Read Error": the errors of one error word, named by the error maps of the package in use.
class CReadErrorDlg final : public CWordDlg {
 public:
  static constexpr int kIdList = 1320;
  static constexpr int kIdCount = 1321;
  static constexpr int kIdClear = 1322;
  static constexpr int kIdErrorInfo = 1323;

  // Clears the word on the ZEL; empty for a dialog not bound to a device (no "&Clear").
  using ClearWord = std::function<bool()>;

  // The RS232 ZEL's standard error word. maps may be null (every error is then unknown).
  CReadErrorDlg(link::StatusGroup& status, const CErrorMapList* maps);
  // Any other error word, e.g. a CAN module's ("Read CAN Error").
  CReadErrorDlg(std::string title, ErrorWordKind kind, ReadWord read, ClearWord clear,
                const CErrorMapList* maps);

  // Replaces the plain clear by a sequence that may ask first: a declined question leaves the
  // list as it is, without a failure box.
  using Clearing = std::function<ErrorClearing::Outcome()>;
  void SetClearing(Clearing clearing) { clearing_ = std::move(clearing); }

  // Lists the word as freshly read.
  void ShowWord(std::uint16_t word) override;
  std::uint16_t Word() const { return word_; }
  const std::vector<ListedError>& Rows() const { return rows_; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  ErrorWordKind kind_;
  ClearWord clear_;
  Clearing clearing_;
  const CErrorMapList* maps_;
  std::uint16_t word_ = 0;
  std::vector<ListedError> rows_;
};

}  // namespace zel::monitor
