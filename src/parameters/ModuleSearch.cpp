#include "parameters/ModuleSearch.h"

namespace zel::parameters {

bool ModuleSearch::Step() {
  if (Done()) return false;
  const auto id = static_cast<std::uint16_t>(next_++);
  if (probe_ && probe_(id)) found_.push_back(id);
  return true;
}

const std::vector<std::uint16_t>& ModuleSearch::RunAll() {
  while (Step()) {
  }
  return found_;
}

std::string ModuleSearch::CounterText() const {
  return std::to_string(found_.size()) + " of " + std::to_string(Searched()) +
         " searched Modules found!";
}

}  // namespace zel::parameters
