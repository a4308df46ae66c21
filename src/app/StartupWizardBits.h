#pragma once

#include <cstdint>

namespace zel::app::startup_bits {

// The SysConfig bits the start-up wizard's pages read, write and summarise.
constexpr std::uint16_t kInputsByInput = 0x0001;  // set: 'Set value' etc. from the inputs
constexpr std::uint16_t kCurrentRegulation = 0x0004;
constexpr std::uint16_t kCurrentMonitor = 0x0010;
constexpr std::uint16_t kPositionRegulation = 0x0020;
constexpr std::uint16_t kInputsBySoftware = 0x0080;  // set: the inputs by software
constexpr std::uint16_t kPotentiometer1 = 0x0100;
constexpr std::uint16_t kPotentiometer3 = 0x0400;
constexpr std::uint16_t kPotentiometers2To4 = 0x0E00;
constexpr std::uint16_t kPotentiometers = 0x0F00;  // P1 to P4 by software
constexpr std::uint16_t kEnableByCommand = 0x1000;
constexpr std::uint16_t kMonitorBySoftware = 0x2000;
constexpr std::uint16_t kModeBySoftware = 0x8000;

}  // namespace zel::app::startup_bits
