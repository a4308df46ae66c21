#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "recorder/GraphModel.h"
#include "recorder/RecordedData.h"
#include "recorder/RecorderSettings.h"
#include "recorder/RecorderSetup.h"

namespace zel::link {
class RecorderGroup;
}

namespace zel::recorder {

class CDisplayDataDlg;

// The ZEL's recorder as the tool drives it: the set-up, the upload with its time-out, channel 1
// built from the uploaded words, the "Jump" test with its preconditions, and the "Display Data"
// window, which it creates for a recording and which shows the recording it keeps.
//
// Lives as long as the communication stack. UI thread only; the window's automatic refresh
// calls UploadWords from its worker, which only uses the recorder group (the link serialises
// the exchanges) and the time-out, set before the worker starts.
class Recorder {
 public:
  static constexpr const char* kJumpRefused =
      "Control follow points:\n'Enable' input deactive ?\nThe ZEL is ... Enabled ?\n'Digital 2' "
      "input deactive ?\n'SetValue' input deactive?          ";

  // What channel 1 of an upload is called and how its words are read.
  struct ChannelParameters {
    std::string name = RecordedData::kDefaultName;
    int valueType = RecordedData::kDefaultValueType;
    std::int32_t period = RecordedData::kDefaultPeriod;
    std::string unit;  // the parameter's unit text; an address has none
  };

  enum class JumpOutcome { kDone, kRefused, kFailed };

  explicit Recorder(link::RecorderGroup& group);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  link::RecorderGroup& Group() { return group_; }
  const RecorderSetup& Setup() const { return settings_.setup; }
  const RecordedData& Data() const { return settings_.data; }
  // The unit of the kept recording's values: known for an upload of a parameter, not for a
  // recording from a file.
  const std::string& ValueUnit() const { return unit_; }
  const ChannelParameters& UploadChannel() const { return channel_; }
  // The reply time-out of the next upload: 100 ms until the first set-up.
  std::int32_t UploadTimeoutMs() const { return timeoutMs_.load(); }

  // The stored form with the settings file: graph state, recording and set-up. Writing the
  // settings takes the graph's last value range first (SyncSettings); a range read from the
  // file reaches the graph when the window opens, or before it is written back.
  RecorderSettings& Settings() { return settings_; }
  void SyncSettings();
  // The graph the window draws; its state stays for the next window.
  GraphModel& Graph() { return graph_; }
  // Replaces the kept recording (a loaded file).
  void SetData(RecordedData data);

  // The channel an upload with this set-up gives: mode 0 the parameter's name and signed 16- or
  // 32-bit values by its width, mode 1 "Address 0x%.4X" and 16-bit values of the chosen sign.
  ChannelParameters ChannelFor(const RecorderSetup& setup) const;

  // Keeps setup, sends it to the ZEL and sets the upload time-out and channel parameters from
  // it. False when the ZEL did not take it (the setup is kept all the same, as the dialog
  // confirmed it).
  bool Configure(const RecorderSetup& setup);
  // One upload with the current time-out; any thread.
  bool UploadWords(std::uint16_t jump, std::vector<std::uint16_t>& words);
  // Clears the recording and builds channel 1 from the words.
  void BuildChannel(std::span<const std::uint16_t> words);
  // Upload and build; false (recording unchanged) when the upload failed.
  bool Upload(std::uint16_t jump);
  // Reads the status word and SysConfig; refuses with kJumpRefused unless the ZEL is enabled by
  // software (status bit 10), SysConfig enables by software and by hand (bits 12, 15) and takes
  // no analogue set value (bit 0); then uploads with the jump value.
  JumpOutcome Jump(std::int16_t value);

  // "Record &Data": the set-up dialog, the set-up, one upload and the "Display Data" window. An
  // open window is only brought forward. False when nothing is shown (cancelled or failed,
  // silently).
  bool RecordData();
  // The window while it is open, else null.
  CDisplayDataDlg* Window() const;
  void CloseWindow();
  // Builds the window for the kept recording and shows it, without talking to the ZEL.
  void ShowWindow();

 private:
  // Hands the graph the range the settings file brought, once per reading of the file.
  void TakeStoredScale();

  link::RecorderGroup& group_;
  RecorderSettings settings_;
  ChannelParameters channel_;
  // Read by the window's refresh worker, which only runs while no set-up can change it.
  std::atomic<std::int32_t> timeoutMs_{100};
  std::string unit_;
  GraphModel graph_;
  // The stored range as the graph last had it; a different one was read from the settings file.
  float handedMax_ = 0;
  float handedMin_ = 0;
  std::unique_ptr<CDisplayDataDlg> window_;
};

// Channel 1 of an upload: one sample per element of the value type, period apart.
recorder::Channel BuildUploadChannel(std::span<const std::uint16_t> words,
                                     const Recorder::ChannelParameters& parameters);

}  // namespace zel::recorder
