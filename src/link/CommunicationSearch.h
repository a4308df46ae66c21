#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "link/CommSettings.h"
#include "ui/Dispatcher.h"
#include "ui/PeriodicWorker.h"

namespace zel::link {

class ZelCommunication;

// Finds the port and baud rate at which a ZEL answers: tries each candidate in turn on a thread
// of its own, with ReadError as the probe, and reports to a window by posted messages (progress
// with the number tried so far, done with the found flag), never waiting for it. A found setting
// stays open and stored; otherwise the saved settings are opened again.
//
// Thread rules: Start and Stop on the user-interface thread. Stop lets the candidate in progress
// finish (its wait and its time-outs), then the thread restores the saved settings and ends.
// The stack must outlive the search.
class CommunicationSearch final : public ui::WorkerThread {
 public:
  static constexpr unsigned kMsgProgress = ui::kWmUser + 1;  // wParam: candidates tried
  static constexpr unsigned kMsgDone = ui::kWmUser + 2;      // wParam: 1 found, 0 not
  static constexpr int kPorts = 6;
  static constexpr std::int32_t kBaudRates[] = {9600, 14400, 19200, 38400, 57600};
  // Time the ZEL is given after the port opened, before it is asked.
  static constexpr std::chrono::milliseconds kSettleTime{500};

  // Port-major: Com1 at every rate, then Com2, ...; time-out and trials copied from stored.
  static std::vector<CommSettings> BuildCandidates(const CommSettings& stored);

  // Copies the candidate list and the saved settings from the stack's stored settings now.
  CommunicationSearch(ZelCommunication& communication, ui::Dispatcher::TargetId reportTo);
  ~CommunicationSearch() override;

  const std::vector<CommSettings>& Candidates() const { return candidates_; }
  const CommSettings& Saved() const { return saved_; }
  int Tried() const { return tried_.load(); }
  bool Found() const { return found_.load(); }

 protected:
  void Run() override;

 private:
  ZelCommunication& communication_;
  ui::Dispatcher::TargetId reportTo_;
  std::vector<CommSettings> candidates_;
  CommSettings saved_;
  std::atomic<int> tried_{0};
  std::atomic<bool> found_{false};
};

}  // namespace zel::link
