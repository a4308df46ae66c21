#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "monitor/CErrorInfoDlg.h"
#include "monitor/ErrorClearing.h"
#include "ui/Window.h"

namespace zel::link {
class StatusGroup;
}

namespace zel::monitor {

class CErrorMapList;

// The status view in the main window's lower pane: which ZEL is connected, and the errors of
// both error words (standard errors first) named by the error maps of the package in use.
//
// Thread rules: the polling monitor's thread stores fresh data through the Store* calls, which
// only fill a mutex-guarded snapshot, and then posts kMsgNewData; the controls change only on
// the user-interface thread when that message arrives. Everything else is user-interface
// thread only.
class CStatusView final : public ui::Window {
 public:
  static constexpr int kIdConnection = 1500;
  static constexpr int kIdHeading = 1501;
  static constexpr int kIdList = 1502;
  static constexpr int kIdClearErrors = 1503;
  static constexpr int kIdErrorInfo = 1504;

  // A present error is drawn in this colour (0xRRGGBB), here and in the status line.
  static constexpr std::uint32_t kErrorColour = 0xD00000;

  static constexpr unsigned kMsgNewData = ui::kWmUser + 40;
  static constexpr unsigned kMsgOnline = ui::kWmUser + 43;  // wParam 1 online, 0 offline

  CStatusView();

  // Wiring. Either may be null: without a status group "&Clear Errors" and the request refresh
  // fail as offline; without maps every error is unknown.
  void SetStatusGroup(link::StatusGroup* status) { status_ = status; }
  void SetErrorMaps(const CErrorMapList* maps) { maps_ = maps; }
  // "&Clear Errors" through the main window's clearing sequence, which may ask first; without
  // it the view sends ClearError itself.
  using Clearing = std::function<ErrorClearing::Outcome()>;
  void SetClearing(Clearing clearing) { clearing_ = std::move(clearing); }

  // Any thread: store fresh values for the next kMsgNewData.
  void StoreIdentity(std::uint16_t softwareVersion, std::uint16_t hardwareVersion,
                     std::uint16_t applicationNumber, std::uint16_t applicationVersion);
  void StoreErrorWord(std::uint16_t word);
  void StoreCanErrorWord(std::uint16_t word);
  // Any thread.
  bool PostNewData() { return Post(kMsgNewData); }
  bool PostOnline(bool online) { return Post(kMsgOnline, online ? 1 : 0); }
  // The online state the view shows; the monitor compares its own with it.
  bool IsOnline() const { return online_.load(); }

  // User-interface thread: shows stored data at once, as kMsgNewData would.
  void ShowStoredData() { Apply(false); }
  // User-interface thread: lists both words whether or not they changed, e.g. after the error
  // maps have been reloaded.
  void ShowErrorWords(std::uint16_t errorWord, std::uint16_t canErrorWord);
  // Reads the standard error word now and lists it; on failure says the ZEL is not online
  // (unless tell is false).
  bool RefreshErrors(bool tell = true);

  const std::vector<ListedError>& Rows() const { return rows_; }
  // Whether the list shows an error (of either word): the main window colours its status line.
  bool ErrorPresent() const { return !rows_.empty(); }
  // How often the list has been rebuilt (the relisting rule can be watched).
  int ListCount() const { return listCount_; }

  static std::string ConnectionText(std::uint16_t softwareVersion, std::uint16_t hardwareVersion,
                                    std::uint16_t applicationNumber,
                                    std::uint16_t applicationVersion);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  struct Identity {
    std::uint16_t softwareVersion = 0;
    std::uint16_t hardwareVersion = 0;
    std::uint16_t applicationNumber = 0;
    std::uint16_t applicationVersion = 0;
  };

  void Apply(bool forceList);
  void List(std::uint16_t errorWord, std::uint16_t canErrorWord);
  // The line was lost: what the view shows is no longer the ZEL's of this moment.
  void ShowStale();

  link::StatusGroup* status_ = nullptr;
  const CErrorMapList* maps_ = nullptr;
  Clearing clearing_;
  std::atomic<bool> online_{false};

  std::mutex snapshotMutex_;
  std::optional<Identity> identity_;
  std::uint16_t errorWord_ = 0;
  std::uint16_t canErrorWord_ = 0;
  bool errorsStored_ = false;

  std::optional<std::pair<std::uint16_t, std::uint16_t>> listed_;
  std::vector<ListedError> rows_;
  int listCount_ = 0;
};

}  // namespace zel::monitor
