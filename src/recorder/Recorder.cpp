#include "recorder/Recorder.h"

#include <bit>
#include <cstdio>

#include "link/ParameterGroup.h"
#include "link/RecorderGroup.h"
#include "link/StatusGroup.h"
#include "parameters/CParameterTable.h"
#include "parameters/ParameterDefinition.h"
#include "recorder/CDisplayDataDlg.h"
#include "recorder/CSetupRecorderDlg.h"
#include "recorder/UploadValueType.h"
#include "ui/Host.h"

namespace zel::recorder {

namespace {

constexpr std::uint16_t kStatusSoftwareEnabled = 0x0400;
constexpr std::uint16_t kConfigAnalogSetValue = 0x0001;
constexpr std::uint16_t kConfigSoftwareEnable = 0x1000;
constexpr std::uint16_t kConfigManualMode = 0x8000;
constexpr std::int16_t kSysConfig = 1;

}  // namespace

recorder::Channel BuildUploadChannel(std::span<const std::uint16_t> words,
                                     const Recorder::ChannelParameters& parameters) {
  recorder::Channel channel;
  channel.number = RecordedData::kDefaultNumber;
  channel.axis = RecordedData::kDefaultAxis;
  channel.name = parameters.name;
  channel.period = parameters.period;
  const std::vector<float> values = ConvertElements(parameters.valueType, WordBytes(words));
  channel.samples.reserve(values.size());
  for (std::size_t k = 0; k < values.size(); ++k) {
    Sample sample;
    sample.time = static_cast<std::int32_t>(k) * parameters.period;
    sample.value = SampleValue::Float(values[k] * 1.0f);
    channel.samples.push_back(sample);
  }
  return channel;
}

Recorder::Recorder(link::RecorderGroup& group) : group_(group) {}

Recorder::~Recorder() {
  CloseWindow();
}

Recorder::ChannelParameters Recorder::ChannelFor(const RecorderSetup& setup) const {
  ChannelParameters parameters;
  parameters.period = setup.PeriodMicroseconds();
  if (setup.mode == RecorderSetup::kModeAddress) {
    char name[32];
    std::snprintf(name, sizeof name, "Address 0x%.4X", setup.variable);
    parameters.name = name;
    parameters.valueType =
        setup.signedFormat == 1 ? upload_type::kSigned16 : upload_type::kUnsigned16;
    return parameters;
  }
  const auto number = static_cast<std::int16_t>(setup.variable);
  const parameters::CParameterTable* definitions = group_.Definitions();
  parameters.name = definitions ? definitions->Name(number) : std::string();
  parameters.unit = definitions ? definitions->Unit(number) : std::string();
  // The ZEL records a parameter as signed whatever its definition says; only the width counts.
  const bool wide =
      definitions && definitions->Width(number) == parameters::ParameterDefinition::kWidth32;
  parameters.valueType = wide ? upload_type::kSigned32 : upload_type::kSigned16;
  return parameters;
}

bool Recorder::Configure(const RecorderSetup& setup) {
  settings_.setup = setup;
  if (!group_.SetupRecorder(setup.samplePeriod, setup.variable)) return false;
  timeoutMs_ = RecorderSetup::UploadTimeoutMs(setup.samplePeriod);
  channel_ = ChannelFor(setup);
  return true;
}

bool Recorder::UploadWords(std::uint16_t jump, std::vector<std::uint16_t>& words) {
  return group_.ReadRecordedData(jump, timeoutMs_.load(), words);
}

void Recorder::TakeStoredScale() {
  // Compared bit for bit: a NaN read from a damaged file must not count as new on every call.
  const auto bits = [](float value) { return std::bit_cast<std::uint32_t>(value); };
  if (bits(settings_.scaleMax) == bits(handedMax_) && bits(settings_.scaleMin) == bits(handedMin_))
    return;
  graph_.RestoreScale(settings_.scaleMax, settings_.scaleMin);
  handedMax_ = settings_.scaleMax;
  handedMin_ = settings_.scaleMin;
}

void Recorder::SyncSettings() {
  // A range read from the file that no window has shown yet is kept, not replaced by the
  // graph's untouched one.
  TakeStoredScale();
  settings_.scaleMax = handedMax_ = graph_.ScaleMax();
  settings_.scaleMin = handedMin_ = graph_.ScaleMin();
}

void Recorder::SetData(RecordedData data) {
  settings_.data = std::move(data);
  unit_.clear();
}

void Recorder::BuildChannel(std::span<const std::uint16_t> words) {
  const std::size_t count =
      std::min<std::size_t>(words.size(), link::RecorderGroup::kMaxRecordedWords);
  settings_.data.Clear();
  settings_.data.channels.push_back(BuildUploadChannel(words.first(count), channel_));
  unit_ = channel_.unit;
}

bool Recorder::Upload(std::uint16_t jump) {
  std::vector<std::uint16_t> words;
  if (!UploadWords(jump, words)) return false;
  BuildChannel(words);
  return true;
}

Recorder::JumpOutcome Recorder::Jump(std::int16_t value) {
  std::uint16_t status = 0;
  std::uint16_t sysConfig = 0;
  if (group_.Status() == nullptr || group_.Parameters() == nullptr ||
      !group_.Status()->ReadSysStatus(status) ||
      !group_.Parameters()->ReadTempParam(kSysConfig, sysConfig))
    return JumpOutcome::kFailed;
  const bool allowed =
      (status & kStatusSoftwareEnabled) != 0 && (sysConfig & kConfigSoftwareEnable) != 0 &&
      (sysConfig & kConfigManualMode) != 0 && (sysConfig & kConfigAnalogSetValue) == 0;
  if (!allowed) {
    ui::CurrentHost().ShowMessage(kJumpRefused);
    return JumpOutcome::kRefused;
  }
  return Upload(static_cast<std::uint16_t>(value)) ? JumpOutcome::kDone : JumpOutcome::kFailed;
}

CDisplayDataDlg* Recorder::Window() const {
  return window_ && !window_->IsEnded() ? window_.get() : nullptr;
}

void Recorder::CloseWindow() {
  if (window_ && !window_->IsEnded()) window_->Close();
  window_.reset();
}

void Recorder::ShowWindow() {
  if (Window() != nullptr) return;
  window_.reset();
  TakeStoredScale();
  window_ = std::make_unique<CDisplayDataDlg>(*this);
  window_->ShowModeless();
}

bool Recorder::RecordData() {
  if (Window() != nullptr) return true;
  const parameters::CParameterTable* definitions = group_.Definitions();
  if (definitions == nullptr) return false;
  CSetupRecorderDlg dialog(settings_.setup, *definitions);
  if (dialog.DoModal() != ui::kResultOk) return false;
  if (!Configure(dialog.Setup())) return false;
  std::vector<std::uint16_t> words;
  if (!UploadWords(0, words)) return false;
  BuildChannel(words);
  ShowWindow();
  return true;
}

}  // namespace zel::recorder
