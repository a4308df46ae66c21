#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/PseudoTerminal.h"
#include "sim/Simulator.h"

namespace zel::test {

// The serial ports Com1..ComN of a desk as pseudo-terminals: ZEL_COM<n> points at each, and a
// port carries either a simulated ZEL at its own baud rate or nothing that ever answers.
// Restores the environment when it goes.
class SearchPorts {
 public:
  SearchPorts()
      : dir_(std::filesystem::temp_directory_path() /
             ("zel-search-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {
    std::filesystem::create_directories(dir_);
  }
  ~SearchPorts() {
    for (int number : numbers_) ::unsetenv(("ZEL_COM" + std::to_string(number)).c_str());
    for (auto& zel : zels_) zel->Stop();
    silent_.clear();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  SearchPorts(const SearchPorts&) = delete;
  SearchPorts& operator=(const SearchPorts&) = delete;

  // A terminal nobody answers on.
  void Silent(int number) {
    const std::string path = PathOf(number);
    auto terminal = std::make_unique<sim::PseudoTerminal>();
    std::string error;
    ASSERT_TRUE(terminal->Open(path, 38400, &error)) << error;
    silent_.push_back(std::move(terminal));
    Publish(number, path);
  }
  // A port whose device is not there: opening it fails at once.
  void Absent(int number) { Publish(number, PathOf(number) + "-absent"); }
  // A ZEL that answers only at baud.
  sim::Simulator& Zel(int number, std::uint32_t baud) {
    sim::SimulatorOptions options;
    options.linkPath = PathOf(number);
    options.baud = baud;
    options.realTimeModel = false;
    zels_.push_back(std::make_unique<sim::Simulator>(options));
    std::string error;
    EXPECT_TRUE(zels_.back()->Start(&error)) << error;
    Publish(number, options.linkPath);
    return *zels_.back();
  }

 private:
  std::string PathOf(int number) const {
    return (dir_ / ("com" + std::to_string(number))).string();
  }
  void Publish(int number, const std::string& path) {
    ::setenv(("ZEL_COM" + std::to_string(number)).c_str(), path.c_str(), 1);
    numbers_.push_back(number);
  }

  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::vector<int> numbers_;
  std::vector<std::unique_ptr<sim::PseudoTerminal>> silent_;
  std::vector<std::unique_ptr<sim::Simulator>> zels_;
};

}  // namespace zel::test
