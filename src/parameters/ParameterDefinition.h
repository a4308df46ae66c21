#pragma once

#include <cstdint>
#include <string>

namespace zel::parameters {

// What the tool knows about one numbered ZEL parameter. The definitions ship with each firmware
// version, so nothing here is fixed by the tool except the meaning of the codes.
struct ParameterDefinition {
  // width
  static constexpr int kWidth16 = 0;
  static constexpr int kWidth32 = 1;
  // access
  static constexpr int kReadOnly = 0;
  static constexpr int kWriteOnly = 1;
  static constexpr int kReadWrite = 2;

  std::int16_t number = 0;  // 0..127 system parameters, 128..255 status values
  std::string name;         // not unique: several entries are called "InternalParam"
  std::string unit;         // may be empty
  int width = kWidth16;
  int access = kReadOnly;
  int isSigned = 0;  // 1 signed, 0 unsigned
  int service = 0;   // 1: may be changed only while the ZEL is in service mode
  // A 16-bit parameter uses only the low 16 bits of these, read signed or unsigned by isSigned.
  std::int32_t defaultValue = 0;
  std::int32_t min = 0;
  std::int32_t max = 0;

  bool operator==(const ParameterDefinition&) const = default;

  // The texts the Parameter Properties list shows for the codes; an unknown code shows nothing.
  static std::string AccessText(int access) {
    switch (access) {
      case kReadOnly:
        return "ReadOnly";
      case kWriteOnly:
        return "WriteOnly";
      case kReadWrite:
        return "ReadWrite";
      default:
        return {};
    }
  }
  static std::string WidthText(int width) {
    return width == kWidth16 ? "16-bit" : width == kWidth32 ? "32-bit" : "";
  }
  static std::string SignedText(int isSigned) { return isSigned ? "Signed" : "Unsigned"; }
  static std::string ServiceText(int service) { return service ? "Service" : ""; }
};

}  // namespace zel::parameters
