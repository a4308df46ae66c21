#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zel::parameters {

// The search for the modules on the CAN network: one module ID asked per Step, from 1 up to the
// last ID, so that a progress dialog's Stop is seen between two IDs. The probe asks one ID
// through the gateway and tells whether a module answered.
class ModuleSearch {
 public:
  static constexpr std::uint16_t kLastId = 127;
  using Probe = std::function<bool(std::uint16_t moduleId)>;

  explicit ModuleSearch(Probe probe, std::uint16_t lastId = kLastId)
      : probe_(std::move(probe)), lastId_(lastId) {}

  bool Done() const { return stopped_ || next_ > lastId_; }
  // Asks the next ID; false when nothing was left.
  bool Step();
  void Stop() { stopped_ = true; }
  // Runs the whole search.
  const std::vector<std::uint16_t>& RunAll();

  int Searched() const { return next_ - 1; }
  int Steps() const { return lastId_; }
  const std::vector<std::uint16_t>& Found() const { return found_; }
  // "%i" found followed by " of %i searched Modules found!".
  std::string CounterText() const;

 private:
  Probe probe_;
  std::uint16_t lastId_;
  int next_ = 1;
  bool stopped_ = false;
  std::vector<std::uint16_t> found_;
};

}  // namespace zel::parameters
