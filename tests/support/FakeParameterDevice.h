#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "parameters/ParameterDevice.h"

namespace zel::test {

// A ZEL reduced to its temporary parameters, for the parameter file and transfer logic: every
// write is recorded, chosen writes or reads fail, and the enable guard is counted.
class FakeParameterDevice final : public parameters::ParameterDevice {
 public:
  explicit FakeParameterDevice(std::uint16_t module = 0) : module_(module) {
    for (int i = 0; i < parameters::SystemParameterBlock::kWordCount; ++i)
      values[i] = static_cast<std::uint32_t>(100 + i);
  }

  bool ReadAllTempParam(parameters::SystemParameterBlock& block) override {
    if (failReads || failBlockReads) return false;
    for (int i = 0; i < parameters::SystemParameterBlock::kWordCount; ++i)
      block.words[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(values[i]);
    return true;
  }
  bool WriteAllTempParam(const parameters::SystemParameterBlock& block) override {
    if (failBlockWrites) return false;
    lastBlock = block;
    for (int i = 0; i < parameters::SystemParameterBlock::kWordCount; ++i)
      values[i] = block.words[static_cast<std::size_t>(i)];
    ++blockWrites;
    return true;
  }
  bool ReadTempParam(std::int16_t number, std::uint16_t width, std::uint32_t& value) override {
    if (failReads) return false;
    value = width ? values[number] : values[number] & 0xFFFF;
    return true;
  }
  bool SetTempParam(std::int16_t number, std::uint16_t, std::uint32_t value) override {
    if (failWrites.count(number)) return false;
    // A ZEL drops a value it will not take without a word.
    if (!keeps.count(number)) values[number] = value;
    written.push_back(number);
    return true;
  }
  bool SaveTempParam() override {
    ++saves;
    return true;
  }
  bool ReadVersion(parameters::DeviceIdentity& id) override {
    if (failReads) return false;
    id = identity;
    return true;
  }
  bool ReadModuleId(std::uint16_t& id) override {
    id = module_ ? module_ : static_cast<std::uint16_t>(values[30]);
    return true;
  }
  bool SuspendEnable(bool) override {
    ++suspends;
    return true;
  }
  bool ResumeEnable(bool, std::optional<bool> softwareEnabling) override {
    ++resumeTries;
    if (failResumes) return false;
    ++resumes;
    resumedSoftwareEnabling = softwareEnabling;
    return true;
  }
  bool EnableSuspended() const override { return suspends > resumes; }
  std::uint16_t Module() const override { return module_; }

  std::map<int, std::uint32_t> values;
  parameters::DeviceIdentity identity{0x1040, 0x0123, 0x0001, 0x0100};
  std::set<int> failWrites;
  std::set<int> keeps;  // writes that are answered but change nothing
  bool failReads = false;
  bool failBlockReads = false;
  bool failResumes = false;
  bool failBlockWrites = false;
  parameters::SystemParameterBlock lastBlock;
  std::optional<bool> resumedSoftwareEnabling;
  std::vector<int> written;
  int saves = 0, suspends = 0, resumes = 0, blockWrites = 0;
  int resumeTries = 0;  // failed ones too

 private:
  std::uint16_t module_;
};

}  // namespace zel::test
