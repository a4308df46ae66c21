#pragma once

#include <cstdint>
#include <string>

namespace zel::monitor {

// One error of an error map: what the error lists show for it and what "Error Info" explains.
struct CErrorMapEntry {
  std::string name;
  std::uint16_t errorBit = 0;     // maps of type 0
  std::uint32_t errorNumber = 0;  // maps of type 1
  std::string meaning;
  std::string causedBy;
  std::string effect;
  std::string remark;
  std::string crossReference;
  std::int32_t date = 0;  // seconds since 1970, local time
  std::string visum;
  int type = 0;  // copy of the map's type

  // "Error Info" has something to show when any of its six fields holds text.
  bool HasInfo() const {
    return !name.empty() || !meaning.empty() || !causedBy.empty() || !remark.empty() ||
           !crossReference.empty() || !effect.empty();
  }
};

}  // namespace zel::monitor
