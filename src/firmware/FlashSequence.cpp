#include "firmware/FlashSequence.h"

#include <string>

namespace zel::firmware {

namespace {

constexpr uint8_t kProtectionQuery = 'P';
constexpr int32_t kAnswerWaitMs = 1000;
constexpr int32_t kStatusPollMs = 100;
constexpr int64_t kStatusWindowMs = 10000;
constexpr int64_t kTiBootWindowMs = 5000;
constexpr int kTiBootMostAttempts = 11;
constexpr int kLastPass = 10;

}  // namespace

FlashSequence::FlashSequence(BootLoaderLink& link, const DownloadImages& images)
    : link_(link), images_(images) {}

void FlashSequence::Reached(ZelState state) {
  if (zel_ == ZelState::kFirmwareLost && state != ZelState::kNewFirmware) return;
  zel_ = state;
}

int FlashSequence::End(int result) {
  link_.EndStep(result, IsSuccessResult(result));
  return result;
}

bool FlashSequence::Find(const char* name, CoffSectionHeader& section, bool boxWhenMissing) {
  if (BootLoaderLink::FindSection(images_.flshCtrl, name, section)) return true;
  if (boxWhenMissing)
    link_.Post(DownloadEvent::kWarning, 0, 0, std::string("Fail to get section ") + name);
  return false;
}

std::optional<uint8_t> FlashSequence::WaitStatus(int64_t windowStartMs) {
  for (;;) {
    if (auto status = link_.ReadStatus(kStatusPollMs)) return status;
    link_.Elapsed();
    if (link_.NowMs() - windowStartMs >= kStatusWindowMs) return std::nullopt;
  }
}

int FlashSequence::RunStep(int stepCode) {
  switch (stepCode) {
    case 100:
      return Convert();
    case 1600:
      return EnterBoot();
    case 200:
      return StartTiBoot();
    case 300:
      return Connect();
    case 400:
      return LoadFlashControl(true);
    case 500:
      return LoadFlashControl(false);
    case 600:
      return CheckProtection();
    case 700:
      return Prepare();
    case 1000:
      return Program();
    default:
      return 0;
  }
}

int FlashSequence::Convert() {
  return link_.ConvertImage(images_.zelCode, image_);
}

int FlashSequence::EnterBoot() {
  // Unconfirmed, the command may still have reached the firmware.
  Reached(ZelState::kMaybeInBootLoader);
  const int result = link_.EnterBootMode(false);
  if (result == 1601) Reached(ZelState::kInBootLoader);
  return result;
}

int FlashSequence::Connect() {
  // Without the boot command the ZEL sits in a loader of its own, or nothing answers at all.
  if (zel_ == ZelState::kUnchanged) Reached(ZelState::kMaybeInBootLoader);
  if (!link_.Connect(true)) return 302;
  Reached(ZelState::kInBootLoader);
  return 301;
}

int FlashSequence::StartTiBoot() {
  link_.BeginStep(200);
  CoffSectionHeader section;
  if (!BootLoaderLink::FindSection(images_.tiBoot, "TIBoot", section)) {
    link_.Post(DownloadEvent::kWarning, 0, 0, "Fail to get section TIBoot");
    return End(202);
  }
  if (zel_ == ZelState::kUnchanged) Reached(ZelState::kMaybeInBootLoader);
  // The processor's loader may still be starting: try again for a while. Connect sends nothing
  // once it has succeeded, so only the boot program is sent again.
  const int64_t first = link_.NowMs();
  for (int attempt = 0; attempt < kTiBootMostAttempts && link_.NowMs() - first < kTiBootWindowMs;
       ++attempt) {
    if (!link_.Connect(false)) {
      link_.Elapsed();
      continue;
    }
    Reached(ZelState::kInBootLoader);
    if (link_.LoadSectionByWords(images_.tiBoot, section, kTiBootDestination, true))
      return End(201);
    link_.Elapsed();
  }
  return End(202);
}

int FlashSequence::LoadFlashControl(bool tiMethod) {
  link_.BeginStep(tiMethod ? 400 : 500);
  if (images_.flshCtrl.empty()) return End(tiMethod ? 403 : 503);
  CoffSectionHeader section;
  if (!Find("FlshCtrl", section, true)) return End(tiMethod ? 402 : 502);
  // In the TI method the boot program sits where the flash control code would go; 42 filler
  // words in front put the code at the same place as in the other methods.
  const auto load =
      link_.LoadSectionAsBlock(images_.flshCtrl, section,
                               tiMethod ? kTiBootDestination : kFlashControlDestination, tiMethod);
  if (load == BootLoaderLink::Load::kOk) return End(401);
  if (!tiMethod && load == BootLoaderLink::Load::kWordFailed) return End(502);
  return End(402);
}

int FlashSequence::CheckProtection() {
  link_.BeginStep(600);
  if (!link_.Port().WriteByte(kProtectionQuery)) return End(602);
  const auto answer = link_.ReadStatus(kAnswerWaitMs);
  if (!answer) {
    link_.Post(DownloadEvent::kWarning, 0, 0, "COMMUNICATION ERROR!");
    return End(602);
  }
  return End(*answer == BootLoaderLink::kReady ? 601 : 602);
}

int FlashSequence::Prepare() {
  link_.BeginStep(700);
  CoffSectionHeader clear;
  CoffSectionHeader erase;
  CoffSectionHeader write;
  const bool haveClear = Find("fl_clr", clear, true);
  const bool haveErase = Find("fl_ers", erase, true);
  const bool haveWrite = Find("fl_wrt", write, false);
  auto load = [&](const CoffSectionHeader& section) {
    return link_.LoadSectionAsBlock(images_.flshCtrl, section, kRoutineDestination, false);
  };
  for (int pass = 1;; ++pass) {
    if (!haveClear) return End(703);
    const auto clearLoad = load(clear);
    if (clearLoad == BootLoaderLink::Load::kShortData)
      link_.Post(DownloadEvent::kWarning, 0, 0, "Fail to download ClrCtrl");
    if (clearLoad != BootLoaderLink::Load::kOk) return End(703);
    auto status = WaitStatus(link_.NowMs());
    if (!status) {
      // Nothing says the routine ever started; only an earlier pass may have cleared the flash.
      Reached(ZelState::kClearUnanswered);
      return End(702);
    }
    // The routine has run: whatever it reports, the old firmware is gone from here.
    Reached(ZelState::kFirmwareLost);
    if (*status != 0) link_.Post(DownloadEvent::kStepResult, 704);

    if (!haveErase || load(erase) != BootLoaderLink::Load::kOk) return End(705);
    // The inverse writing below has to finish within the erase's window too.
    const int64_t window = link_.NowMs();
    status = WaitStatus(window);
    if (!status) return End(702);
    if (*status == 0) return End(701);
    if (*status == 1) link_.Post(DownloadEvent::kStepResult, 706);

    if (pass >= kLastPass) return End(702);
    link_.Post(DownloadEvent::kStepResult, 707);
    if (!haveWrite || load(write) != BootLoaderLink::Load::kOk) return End(708);
    status = WaitStatus(window);
    if (!status) return End(702);
    if (*status != 0) return End(709);
  }
}

int FlashSequence::Program() {
  link_.BeginStep(1000);
  CoffSectionHeader program;
  CoffSectionHeader check;
  if (!Find("fl_prg", program, true) ||
      !link_.LoadSectionByWords(images_.flshCtrl, program, kRoutineDestination, false))
    return End(1003);

  link::BootPort& port = link_.Port();
  std::size_t at = FlashImage::kHeaderSize;
  for (int block = 0; block < kCodeBlocks; ++block) {
    const auto ready = port.ReadByte(kAnswerWaitMs);
    if (!ready || *ready != BootLoaderLink::kReady) return End(1004);
    if (image_.size() < at + kCodeBlockSize) {
      link_.Post(DownloadEvent::kWarning, 0, 0, "Fail to download code");
      return End(1004);
    }
    uint8_t echo[kCodeBlockSize];
    if (!port.Purge() || !port.WriteBlock(image_.data() + at, kCodeBlockSize) ||
        !port.ReadBlock(echo, kCodeBlockSize, kAnswerWaitMs))
      return End(1004);
    at += kCodeBlockSize;
    link_.Elapsed();
  }
  const auto written = port.ReadByte(kAnswerWaitMs);
  if (!written || *written != 0) return End(1004);

  if (!Find("FlshChk", check, true) ||
      link_.LoadSectionAsBlock(images_.flshCtrl, check, kRoutineDestination, false) !=
          BootLoaderLink::Load::kOk)
    return End(1005);
  const auto verdict = port.ReadByte(kAnswerWaitMs);
  if (!verdict) return End(1002);
  if (*verdict != BootLoaderLink::kReady) return End(1006);
  Reached(ZelState::kNewFirmware);
  return End(1001);
}

DownloadOutcome FlashSequence::Run(DownloadMethod method, const std::atomic<bool>& running) {
  zel_ = ZelState::kUnchanged;
  DownloadOutcome outcome;
  link_.Post(DownloadEvent::kStarted);
  bool ok = true;
  for (int step : PreEraseSteps(method)) {
    if (!running) {
      ok = false;
      outcome.stopped = true;
      break;
    }
    if (!IsSuccessResult(RunStep(step))) {
      ok = false;
      break;
    }
  }
  if (ok && !running) outcome.stopped = true;
  if (ok && running) {
    link_.Post(DownloadEvent::kCriticalBegin);
    ok = false;
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
      if (Prepare() != 701) break;
      const int programmed = Program();
      if (programmed == 1001) {
        ok = true;
        break;
      }
      if (programmed != 1004 && programmed != 1006) break;
    }
    link_.Post(DownloadEvent::kCriticalEnd);
  } else {
    ok = false;
  }
  link_.Disconnect();
  outcome.success = ok;
  outcome.zel = zel_;
  return outcome;
}

}  // namespace zel::firmware
