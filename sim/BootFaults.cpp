#include "sim/BootFaults.h"

#include <array>

#include "sim/NumberText.h"

namespace zel::sim {
namespace {

struct PointName {
  BootPoint point;
  std::string_view name;
};

constexpr std::array<PointName, 10> kPoints{{
    {BootPoint::kEnter, "enter"},
    {BootPoint::kConnect, "connect"},
    {BootPoint::kTiBoot, "tiboot"},
    {BootPoint::kProtect, "protect"},
    {BootPoint::kClear, "fl_clr"},
    {BootPoint::kErase, "fl_ers"},
    {BootPoint::kWrite, "fl_wrt"},
    {BootPoint::kCode, "code"},
    {BootPoint::kWritten, "written"},
    {BootPoint::kCheck, "FlshChk"},
}};

constexpr unsigned long kMaxCount = 1'000'000;

std::string_view PointText(BootPoint point) {
  for (const PointName& entry : kPoints)
    if (entry.point == point) return entry.name;
  return "none";
}

bool TakeOne(int& count) {
  if (count <= 0) return false;
  --count;
  return true;
}

}  // namespace

bool BootFaults::Arm(std::string_view text, std::string& error, bool& unknown) {
  unknown = false;
  std::string_view head = text.substr(0, text.find(','));
  std::string_view rest = head.size() < text.size() ? text.substr(head.size() + 1) : "";
  const std::string_view name = head.substr(0, head.find('='));
  if (name != "protected-flash" && name != "erase-status" && name != "check-fails" &&
      name != "boot-silent" && name != "boot-hang-up") {
    unknown = true;
    error = "unknown fault '" + std::string(name) + "'";
    return false;
  }
  unsigned long count = 1;
  if (name.size() < head.size() && !ParseUnsigned(head.substr(name.size() + 1), kMaxCount, count)) {
    error = "fault " + std::string(name) + ": the count must be a number from 0 to 1000000";
    return false;
  }
  unsigned long status = 1;
  unsigned long after = 100;
  unsigned long erasesBefore = 0;
  BootPoint point = BootPoint::kNone;
  while (!rest.empty()) {
    std::string_view item = rest.substr(0, rest.find(','));
    rest = item.size() < rest.size() ? rest.substr(item.size() + 1) : "";
    const std::string_view key = item.substr(0, item.find('='));
    const std::string_view value = key.size() < item.size() ? item.substr(key.size() + 1) : "";
    if (key == "status" && name == "erase-status") {
      if (!ParseUnsigned(value, 0xFF, status)) {
        error = "fault erase-status: status= needs a byte from 0 to 255";
        return false;
      }
    } else if (key == "after" && name == "erase-status") {
      if (!ParseUnsigned(value, kMaxCount, erasesBefore)) {
        error = "fault erase-status: after= needs a count of good erases from 0 to 1000000";
        return false;
      }
    } else if (key == "after" && name == "boot-hang-up") {
      if (!ParseUnsigned(value, 256, after)) {
        error = "fault boot-hang-up: after= needs a block count from 0 to 256";
        return false;
      }
    } else if (key == "at" && name == "boot-silent") {
      for (const PointName& entry : kPoints)
        if (entry.name == value) point = entry.point;
      if (point == BootPoint::kNone) {
        error =
            "fault boot-silent: at= needs enter, connect, tiboot, protect, fl_clr, fl_ers, "
            "fl_wrt, code, written or FlshChk";
        return false;
      }
    } else {
      error = "fault " + std::string(name) + " takes no '" + std::string(key) + "'";
      return false;
    }
  }
  if (name == "boot-silent" && point == BootPoint::kNone) {
    error = "fault boot-silent needs at=POINT";
    return false;
  }
  std::lock_guard lock(mutex_);
  const int n = static_cast<int>(count);
  if (name == "protected-flash") armed_.protectedFlash = n;
  if (name == "erase-status") {
    armed_.eraseStatuses = n;
    armed_.eraseStatus = static_cast<uint8_t>(status);
    armed_.erasesBefore = static_cast<int>(erasesBefore);
  }
  if (name == "check-fails") armed_.checkFailures = n;
  if (name == "boot-silent") armed_.silentAt = n > 0 ? point : BootPoint::kNone;
  if (name == "boot-hang-up") armed_.hangUpAfterBlocks = n > 0 ? static_cast<int>(after) : -1;
  return true;
}

void BootFaults::ClearAll() {
  std::lock_guard lock(mutex_);
  armed_ = {};
}

ArmedBootFaults BootFaults::Armed() const {
  std::lock_guard lock(mutex_);
  return armed_;
}

std::string BootFaults::Describe() const {
  const ArmedBootFaults armed = Armed();
  std::string text;
  auto add = [&](const std::string& item) { text += (text.empty() ? "" : " ") + item; };
  if (armed.protectedFlash > 0) add("protected-flash=" + std::to_string(armed.protectedFlash));
  if (armed.eraseStatuses > 0)
    add("erase-status=" + std::to_string(armed.eraseStatuses) +
        ",status=" + std::to_string(armed.eraseStatus) +
        (armed.erasesBefore > 0 ? ",after=" + std::to_string(armed.erasesBefore) : ""));
  if (armed.checkFailures > 0) add("check-fails=" + std::to_string(armed.checkFailures));
  if (armed.silentAt != BootPoint::kNone)
    add("boot-silent,at=" + std::string(PointText(armed.silentAt)));
  if (armed.hangUpAfterBlocks >= 0)
    add("boot-hang-up,after=" + std::to_string(armed.hangUpAfterBlocks));
  return text;
}

const char* BootFaults::Help() {
  return "Boot loader faults (same places as the faults above):\n"
         "  protected-flash[=N]     answer the next N protection checks 'protected'\n"
         "  erase-status[=N][,status=S][,after=K]  answer the next N erases with status S\n"
         "                          (default 1), after K good ones (default 0); N of 10 or more\n"
         "                          is an erase that never succeeds\n"
         "  check-fails[=N]         answer 'X' (wrong code) to the next N download checks\n"
         "  boot-silent,at=POINT    fall silent at POINT until set again: enter, connect,\n"
         "                          tiboot, protect, fl_clr, fl_ers, fl_wrt, code, written,\n"
         "                          FlshChk\n"
         "  boot-hang-up[,after=B]  close the line when B code blocks have come (default 100)\n";
}

bool BootFaults::TakeProtected() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.protectedFlash);
}

bool BootFaults::TakeEraseStatus(uint8_t& status) {
  std::lock_guard lock(mutex_);
  if (armed_.eraseStatuses > 0 && TakeOne(armed_.erasesBefore)) return false;
  if (!TakeOne(armed_.eraseStatuses)) return false;
  status = armed_.eraseStatus;
  return true;
}

bool BootFaults::TakeCheckFailure() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.checkFailures);
}

bool BootFaults::SilentAt(BootPoint point) const {
  std::lock_guard lock(mutex_);
  return armed_.silentAt == point;
}

bool BootFaults::TakeHangUp(int blocks) {
  std::lock_guard lock(mutex_);
  if (armed_.hangUpAfterBlocks < 0 || blocks != armed_.hangUpAfterBlocks) return false;
  armed_.hangUpAfterBlocks = -1;
  return true;
}

}  // namespace zel::sim
