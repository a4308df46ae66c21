#include "firmware/BootLoaderLink.h"

#include <chrono>
#include <utility>

#include "common/Crc16.h"
#include "ui/Host.h"

namespace zel::firmware {

namespace {

constexpr uint8_t kAutobaud = 0x0D;
constexpr uint8_t kAutobaudAnswer = 0xAA;
constexpr int kAutobaudFirst = 9;
constexpr int kAutobaudMost = 20;
constexpr int32_t kAutobaudWaitMs = 10;
constexpr int32_t kEchoWaitMs = 100;
constexpr int32_t kBlockEchoWaitMs = 1000;
constexpr uint8_t kEnterBootCommand = 0x49;
constexpr uint8_t kAccepted = 'O';
constexpr int32_t kEnterBootWaitMs = 1000;

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool RawData(std::span<const uint8_t> coff, const CoffSectionHeader& section,
             std::span<const uint8_t>& data) {
  const uint64_t bytes = section.sizeWords * 2ull;
  if (section.rawDataPosition > coff.size() || coff.size() - section.rawDataPosition < bytes)
    return false;
  data = coff.subspan(section.rawDataPosition, static_cast<std::size_t>(bytes));
  return true;
}

}  // namespace

BootLoaderLink::BootLoaderLink(link::BootPort& port) : port_(port), clock_(SteadyMs) {}

void BootLoaderLink::SetClock(Clock clock) {
  clock_ = clock ? std::move(clock) : Clock(SteadyMs);
}

void BootLoaderLink::Post(int event, int64_t value, int64_t expectedMs, std::string text) {
  if (!sink_) return;
  DownloadEvent posted;
  posted.event = event;
  posted.value = value;
  posted.expectedMs = expectedMs;
  posted.text = std::move(text);
  sink_(posted);
}

void BootLoaderLink::BeginStep(int stepCode) {
  stepCode_ = stepCode;
  stepStartMs_ = clock_();
  Post(DownloadEvent::kStepStart, stepCode, stepTimes_.Of(stepCode));
}

void BootLoaderLink::Elapsed() {
  Post(DownloadEvent::kStepElapsed, clock_() - stepStartMs_);
}

void BootLoaderLink::EndStep(int resultCode, bool success) {
  if (success) stepTimes_.Record(stepCode_, static_cast<int32_t>(clock_() - stepStartMs_));
  Post(DownloadEvent::kStepResult, resultCode);
}

int BootLoaderLink::ConvertImage(std::span<const uint8_t> coff, std::vector<uint8_t>& image) {
  BeginStep(100);
  const int result = FlashImage::Convert(coff, image, [this] { Elapsed(); });
  EndStep(result, result == FlashImage::kConverted);
  return result;
}

bool BootLoaderLink::Connect(bool withEvents) {
  if (connected_) return true;
  const int64_t start = clock_();
  if (withEvents) BeginStep(300);
  auto finish = [&](bool ok) {
    connected_ = ok;
    if (withEvents) {
      EndStep(ok ? 301 : 302, ok);
    } else if (ok) {
      stepTimes_.Record(300, static_cast<int32_t>(clock_() - start));
    }
    return ok;
  };
  if (!port_.Purge()) return finish(false);
  for (int i = 0; i < kAutobaudFirst; ++i)
    if (!port_.WriteByte(kAutobaud)) return finish(false);
  int sent = kAutobaudFirst;
  for (;;) {
    if (const auto answer = port_.ReadByte(kAutobaudWaitMs))
      return finish(*answer == kAutobaudAnswer);
    Post(DownloadEvent::kStepElapsed, clock_() - start);
    if (sent >= kAutobaudMost || !port_.WriteByte(kAutobaud)) return finish(false);
    ++sent;
  }
}

bool BootLoaderLink::SendWord(uint16_t word) {
  return port_.WriteByte(static_cast<uint8_t>(word & 0xFF)) && port_.ReadByte(kEchoWaitMs) &&
         port_.WriteByte(static_cast<uint8_t>(word >> 8)) && port_.ReadByte(kEchoWaitMs);
}

bool BootLoaderLink::LoadSectionByWords(std::span<const uint8_t> coff,
                                        const CoffSectionHeader& section, uint16_t destination,
                                        bool expectReady) {
  std::span<const uint8_t> data;
  // A section that cannot be read whole is refused before the loader hears of it.
  if (section.sizeWords == 0 || !RawData(coff, section, data)) return false;
  if (!SendWord(destination) || !SendWord(static_cast<uint16_t>(section.sizeWords - 1)))
    return false;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    if (!SendWord(static_cast<uint16_t>(data[i] | (data[i + 1] << 8)))) return false;
  if (!expectReady) return true;
  const auto answer = port_.ReadByte(kEchoWaitMs);
  return answer && *answer == kReady;
}

BootLoaderLink::Load BootLoaderLink::LoadSectionAsBlock(std::span<const uint8_t> coff,
                                                        const CoffSectionHeader& section,
                                                        uint16_t destination, bool withFillers) {
  std::span<const uint8_t> data;
  if (section.sizeWords == 0 || section.sizeWords > kMaxBlockWords || !RawData(coff, section, data))
    return Load::kShortData;
  const uint32_t count = withFillers ? section.sizeWords + kFillerCount - 1 : section.sizeWords - 1;
  if (!SendWord(destination) || !SendWord(static_cast<uint16_t>(count))) return Load::kWordFailed;
  if (withFillers) {
    for (int i = 0; i < kFillerCount; ++i)
      if (!SendWord(kFillerWord)) return Load::kWordFailed;
  }
  uint8_t echo[kMaxBlockWords * 2];
  const int n = static_cast<int>(data.size());
  if (!port_.Purge() || !port_.WriteBlock(data.data(), n) ||
      !port_.ReadBlock(echo, n, kBlockEchoWaitMs))
    return Load::kBlockFailed;
  return Load::kOk;
}

int BootLoaderLink::EnterBootMode(bool withBoxes) {
  BeginStep(1600);
  auto finish = [&](int result) {
    EndStep(result, result == 1601);
    if (withBoxes) {
      if (result == 1601)
        ui::CurrentHost().ShowMessage("DSP is in booting.");
      else
        ui::CurrentHost().ShowMessage(
            result == 1602 ? "There is error in transmitting." : "The echo is wrong.",
            ui::Icon::Warning);
    }
    return result;
  };
  if (!port_.Purge() || !port_.WriteByte(kEnterBootCommand)) return finish(1602);
  auto answer = port_.ReadByte(kEnterBootWaitMs);
  if (!answer) return finish(1602);
  if (*answer != kAccepted) return finish(1603);
  // One command frame of the device protocol: L = 0, one data word 0, the frame checksum.
  const uint8_t checked[] = {kEnterBootCommand, 0x00, 0x00, 0x00};
  const uint16_t crc = common::Crc16::Compute(checked);
  const uint8_t data[] = {0x00, 0x00};
  const uint8_t sum[] = {static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)};
  if (!port_.WriteByte(0x00) || !port_.WriteBlock(data, 2) || !port_.WriteBlock(sum, 2))
    return finish(1602);
  answer = port_.ReadByte(kEnterBootWaitMs);
  if (!answer) return finish(1602);
  return finish(*answer == kAccepted ? 1601 : 1603);
}

}  // namespace zel::firmware
