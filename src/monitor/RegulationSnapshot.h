#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace zel::monitor {

// One parameter value as the ZEL sent it: the raw word, whose sign the parameter definitions
// tell.
using ParameterWord = std::pair<std::int16_t, std::uint16_t>;

// What the polling monitor stores for the speed regulation view in one cycle. Which limits and
// gains come along follows SysConfig bits 8 to 11; the set value comes only while bit 0 gives it
// to the analogue input, since otherwise the view itself commands it. An absent value leaves the
// view's field as it is.
struct SpeedViewData {
  std::uint16_t sysConfig = 0;
  std::optional<std::uint16_t> maxSpeed;        // 17, unless SysConfig bit 8 is set
  std::optional<std::uint16_t> offset;          // 12, unless bit 9 is set
  std::optional<std::uint16_t> maxContCurrent;  // 15, unless bit 10 is set
  std::optional<std::uint16_t> peakCurrent;     // 14, unless bit 10 is set
  std::optional<std::uint16_t> gainP;           // 5, unless bit 11 is set
  std::optional<std::uint16_t> gainI;           // 6, unless bit 11 is set
  bool disabled = false;                        // status word bit 14 clear
  bool stopped = false;                         // status word bit 13
  std::optional<std::uint16_t> speedSetValue;   // 133, only while the analogue input sets it
  std::uint16_t speedActualValue = 0;           // 134
  // 133 as the ZEL holds it this cycle, whoever sets it: the view compares it with its own set
  // value without asking the ZEL again on the user-interface thread.
  std::uint16_t zelSetValue = 0;

  // The parameter values held, in the order above, by parameter number.
  std::vector<ParameterWord> Values() const;
};

// What the polling monitor stores for the current regulation view in one cycle.
struct CurrentViewData {
  std::uint16_t sysConfig = 0;
  std::optional<std::uint16_t> offset;           // 12, unless bit 9 is set
  std::optional<std::uint16_t> maxContCurrent;   // 15, unless bit 10 is set
  std::optional<std::uint16_t> peakCurrent;      // 14, unless bit 10 is set
  bool disabled = false;                         // status word bit 14 clear
  std::optional<std::uint16_t> currentSetValue;  // 131, only while the analogue input sets it
  std::uint16_t currentDAxis = 0;                // 129
  std::uint16_t currentQAxis = 0;                // 130
  std::uint16_t zelSetValue = 0;                 // 131 as the ZEL holds it this cycle

  std::vector<ParameterWord> Values() const;
};

// The hand-over of one view's data from the monitor's thread to the user-interface thread: the
// monitor stores, the view loads when the new-data message arrives. Any thread.
template <typename Data>
class RegulationSnapshot {
 public:
  void Store(const Data& data) {
    std::lock_guard lock(mutex_);
    data_ = data;
  }
  // The data stored last; nothing before the first store.
  std::optional<Data> Load() const {
    std::lock_guard lock(mutex_);
    return data_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<Data> data_;
};

}  // namespace zel::monitor
