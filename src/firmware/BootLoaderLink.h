#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "firmware/CoffImage.h"
#include "firmware/DownloadEvent.h"
#include "firmware/StepTimes.h"
#include "link/BootPort.h"

namespace zel::firmware {

// The link to the signal processor's serial boot loader: the port that takes the line over from
// the device link, the byte-level primitives of the boot loader and flash control protocol, and
// the step events and step durations of a download.
//
// Thread rules: used by the communication stack's owner (entering and leaving boot loader mode)
// and by the download worker while the link is claimed; never by two threads at once. Events go
// to the sink on the calling thread, which must only post them on.
class BootLoaderLink {
 public:
  // Milliseconds of a monotonic clock; tests hand in the scripted line's virtual clock.
  using Clock = std::function<int64_t()>;

  // How a section load ended. The step results tell a refused destination or count word from a
  // refused block, and an unreadable file from both.
  enum class Load { kOk, kWordFailed, kShortData, kBlockFailed };

  static constexpr uint16_t kFillerWord = 0x8B00;
  static constexpr int kFillerCount = 42;
  static constexpr uint32_t kMaxBlockWords = 150;
  static constexpr uint8_t kReady = 'R';

  // The port belongs to the communication stack, which hands it over while the link is in boot
  // loader mode; it must outlive this link.
  explicit BootLoaderLink(link::BootPort& port);
  BootLoaderLink(const BootLoaderLink&) = delete;
  BootLoaderLink& operator=(const BootLoaderLink&) = delete;

  link::BootPort& Port() { return port_; }
  const link::BootPort& Port() const { return port_; }

  void SetEventSink(DownloadEventSink sink) { sink_ = std::move(sink); }
  void SetClock(Clock clock);
  int64_t NowMs() const { return clock_(); }
  StepTimes& Times() { return stepTimes_; }
  const StepTimes& Times() const { return stepTimes_; }
  bool Connected() const { return connected_; }

  // Step 100: the flash image from the firmware program, with the step's events.
  int ConvertImage(std::span<const uint8_t> coff, std::vector<uint8_t>& image);
  static bool FindSection(std::span<const uint8_t> coff, const std::string& name,
                          CoffSectionHeader& header) {
    return FlashImage::FindSection(coff, name, header);
  }

  // The autobaud handshake: nine 0x0D, then one more each 10 ms without an answer, up to twenty;
  // the first byte back decides (0xAA: connected). Once connected nothing more is sent until
  // Disconnect. With events it is step 300 (start and result); elapsed events come always.
  bool Connect(bool withEvents);
  void Disconnect() { connected_ = false; }
  // Both bytes of w, each waiting up to 100 ms for its echo (whose value is not checked).
  bool SendWord(uint16_t word);
  // Destination, count and the section's words one by one; the boot program ("TIBoot") answers
  // 'R' once it runs, which expectReady waits for.
  bool LoadSectionByWords(std::span<const uint8_t> coff, const CoffSectionHeader& section,
                          uint16_t destination, bool expectReady);
  // Destination and count word by word (after 42 filler words when asked), then the section as
  // one block with its echo as one block.
  Load LoadSectionAsBlock(std::span<const uint8_t> coff, const CoffSectionHeader& section,
                          uint16_t destination, bool withFillers);
  std::optional<uint8_t> ReadStatus(int32_t timeoutMs) { return port_.ReadByte(timeoutMs); }
  // The frame with command byte 0x49 that sends the running firmware into its boot loader;
  // step 1600 with its events. Returns 1601, 1602 (no answer) or 1603 (wrong answer).
  int EnterBootMode(bool withBoxes);

  // Step bookkeeping for the download worker: StepStart with the step's expected duration, the
  // elapsed time since then, and StepResult (a success also records the measured duration).
  void BeginStep(int stepCode);
  void Elapsed();
  void EndStep(int resultCode, bool success);
  void Post(int event, int64_t value = 0, int64_t expectedMs = 0, std::string text = {});

 private:
  link::BootPort& port_;
  DownloadEventSink sink_;
  Clock clock_;
  StepTimes stepTimes_;
  bool connected_ = false;
  int stepCode_ = 0;
  int64_t stepStartMs_ = 0;
};

}  // namespace zel::firmware
