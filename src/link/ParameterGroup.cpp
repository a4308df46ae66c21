#include "link/ParameterGroup.h"

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"

namespace zel::link {

namespace {
constexpr int16_t kSysConfig = 1;
}

ParameterGroup::ParameterGroup(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool ParameterGroup::ReadTempParam(int16_t number, uint16_t width, uint32_t& value) {
  CommandFrame frame(kReadTempParam);
  uint16_t word = 0;
  if (width == 0) {
    frame.Bind(word, ResultType::kSignedWord);
  } else {
    frame.Bind(value, ResultType::kUnsignedLong);
  }
  frame.Put16(static_cast<uint16_t>(number));
  frame.Put16(width);
  if (!Execute(frame)) return false;
  if (width == 0) value = word;
  return true;
}

bool ParameterGroup::ReadTempParam(int16_t number, uint16_t& value) {
  CommandFrame frame(kReadTempParam);
  frame.Bind(value, ResultType::kSignedWord);
  frame.Put16(static_cast<uint16_t>(number));
  frame.Put16(0);
  return Execute(frame);
}

bool ParameterGroup::SetTempParam(int16_t number, uint16_t width, uint32_t value) {
  CommandFrame frame(kSetTempParam);
  frame.Put16(static_cast<uint16_t>(number));
  frame.Put16(width);
  frame.PutByWidth(width, value);
  return Execute(frame);
}

bool ParameterGroup::ResetTempParam() {
  return ExecuteBare(kResetTempParam);
}

bool ParameterGroup::SaveTempParam() {
  return ExecuteBare(kSaveTempParam);
}

bool ParameterGroup::ReadAllTempParam(parameters::SystemParameterBlock& block) {
  CommandFrame frame(kReadAllTempParam);
  frame.Bind(block);
  return Execute(frame);
}

bool ParameterGroup::WriteAllTempParam(const parameters::SystemParameterBlock& block) {
  CommandFrame frame(kWriteAllTempParam);
  for (uint16_t word : block.words) frame.Put16(word);
  return Execute(frame);
}

bool ParameterGroup::ReadVersion(uint16_t& softwareVersion, uint16_t& hardwareVersion,
                                 uint16_t& applicationNumber, uint16_t& applicationVersion) {
  applicationNumber = 0;
  applicationVersion = 0;
  CommandFrame frame(kReadVersion);
  frame.Bind(softwareVersion);
  frame.Bind(hardwareVersion);
  frame.Bind(applicationNumber);
  frame.Bind(applicationVersion);
  return Execute(frame);
}

bool ParameterGroup::QuitServiceMode() {
  uint16_t sysConfig = 0;
  if (!ReadTempParam(kSysConfig, sysConfig)) return false;
  sysConfig &= static_cast<uint16_t>(~kServiceModeBit);
  return SetTempParam(kSysConfig, 0, sysConfig);
}

}  // namespace zel::link

namespace zel::link {

void ParameterGroup::WriteInputs(files::ArchiveWriter& archive) const {
  archive.WriteInt16(lastParameterNumber_);
}

void ParameterGroup::ReadInputs(files::ArchiveReader& archive) {
  lastParameterNumber_ = archive.ReadInt16();
}

}  // namespace zel::link
