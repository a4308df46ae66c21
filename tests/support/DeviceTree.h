#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace zel::test {

// A laptop's serial devices as a tree of files that ZEL_DEV_ROOT and ZEL_SYS_ROOT point at: two
// ttyS placeholders without a UART behind them (sysfs port type 0, as the kernel reports them),
// and FTDI adapters whose ttyUSB node leads to a pseudo-terminal a simulated ZEL serves. The
// user's configuration ($XDG_CONFIG_HOME) is a folder of the tree too. Restores the environment
// when it goes.
class DeviceTree {
 public:
  static constexpr const char* kById = "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";

  DeviceTree()
      : root_(std::filesystem::temp_directory_path() /
              ("zel-devtree-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {
    std::filesystem::create_directories(Dev() / "serial" / "by-id");
    for (const char* uart : {"ttyS0", "ttyS1"}) {
      std::ofstream(Dev() / uart).put('\n');
      Write(Sys() / "class" / "tty" / uart / "type", "0");
    }
    Set("ZEL_DEV_ROOT", Dev().string());
    Set("ZEL_SYS_ROOT", Sys().string());
    Set("XDG_CONFIG_HOME", (root_ / "config").string());
  }
  ~DeviceTree() {
    for (auto& zel : zels_) zel->Stop();
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  DeviceTree(const DeviceTree&) = delete;
  DeviceTree& operator=(const DeviceTree&) = delete;

  std::filesystem::path Dev() const { return root_ / "dev"; }
  std::filesystem::path Sys() const { return root_ / "sys"; }
  std::filesystem::path ById() const { return Dev() / "serial" / "by-id" / kById; }
  std::filesystem::path LatencyTimer(int n) const {
    return Sys() / "bus" / "usb-serial" / "devices" / ("ttyUSB" + std::to_string(n)) /
           "latency_timer";
  }

  // The adapter plugged in as ttyUSB<n>, its by-id name leading there, with a ZEL at baud behind
  // it and the FTDI driver's latency timer at latencyMs (read-only when not writable).
  sim::Simulator& PlugAdapter(int n, std::uint32_t baud, int latencyMs, bool writable = true) {
    const std::string node = "ttyUSB" + std::to_string(n);
    const auto driver = Sys() / "bus" / "usb-serial" / "drivers" / "ftdi_sio";
    std::filesystem::create_directories(driver);
    const auto port = Sys() / "bus" / "usb-serial" / "devices" / node;
    Write(LatencyTimer(n), std::to_string(latencyMs));
    if (!writable) std::filesystem::permissions(LatencyTimer(n), std::filesystem::perms(0444));
    std::filesystem::create_symlink(driver, port / "driver");
    std::filesystem::create_directories(Sys() / "class" / "tty" / node);
    std::filesystem::create_symlink(port, Sys() / "class" / "tty" / node / "device");

    sim::SimulatorOptions options;
    options.linkPath = (Dev() / node).string();
    options.baud = baud;
    options.realTimeModel = false;
    zels_.push_back(std::make_unique<sim::Simulator>(options));
    std::string error;
    EXPECT_TRUE(zels_.back()->Start(&error)) << error;
    std::error_code ignored;
    std::filesystem::remove(ById(), ignored);
    std::filesystem::create_symlink("../../" + node, ById());
    return *zels_.back();
  }
  // The adapter pulled: its ZEL and its by-id name gone.
  void PullAdapter(sim::Simulator& zel) {
    zel.Stop();
    std::filesystem::remove(ById());
  }

 private:
  static void Write(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text << '\n';
  }
  void Set(const std::string& name, const std::string& value) {
    const char* old = ::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }

  static inline int counter_ = 0;
  std::filesystem::path root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  std::vector<std::unique_ptr<sim::Simulator>> zels_;
};

}  // namespace zel::test
