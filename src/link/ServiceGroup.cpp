#include "link/ServiceGroup.h"

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"

namespace zel::link {

ServiceGroup::ServiceGroup(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool ServiceGroup::Service(std::string_view password, uint16_t& answer) {
  if (password.size() < kPasswordLength) {
    ShowIfAllowed("The password is too short!");
    return false;
  }
  bool sent = false;
  if (password.size() == kPasswordLength) {
    CommandFrame frame(kService);
    frame.Bind(answer, ResultType::kWord);
    for (char c : password) frame.Put8(static_cast<uint8_t>(c));
    sent = Execute(frame);
  }
  if (!sent) {
    ShowIfAllowed("The communication failed!");
    return false;
  }
  ShowIfAllowed(answer == kPasswordAccepted
                    ? "The password is correct!\nYou are in service mode now!"
                    : "The password is NOT correct!");
  return true;
}

bool ServiceGroup::SetAddrVariable(uint16_t address, uint16_t width, uint32_t value,
                                   uint16_t& answer) {
  CommandFrame frame(kSetAddrVariable);
  frame.Bind(answer, ResultType::kWord);
  frame.Put16(address);
  frame.Put16(width);
  frame.PutByWidth(width, value);
  if (!Execute(frame)) return false;
  if (!IsAccepted(answer)) {
    ShowIfAllowed("The parameter is NOT set!\nThe ZEL is not in service mode!");
  }
  return true;
}

bool ServiceGroup::ReadAddrVariable(uint16_t address, uint16_t width, uint32_t& value) {
  CommandFrame frame(kReadAddrVariable);
  uint16_t word = 0;
  if (width == 0) {
    frame.Bind(word, ResultType::kWord);
  } else {
    frame.Bind(value, ResultType::kUnsignedLong);
  }
  frame.Put16(address);
  frame.Put16(width);
  if (!Execute(frame)) return false;
  if (width == 0) value = word;
  return true;
}

}  // namespace zel::link

namespace zel::link {

void ServiceGroup::WriteInputs(files::ArchiveWriter& archive) const {
  archive.WriteUInt16(lastAddrVariable_.address);
  archive.WriteUInt8(static_cast<uint8_t>(lastAddrVariable_.format));
  archive.WriteUInt32(lastAddrVariable_.value);
}

void ServiceGroup::ReadInputs(files::ArchiveReader& archive) {
  AddrVariableInput read;
  read.address = archive.ReadUInt16();
  const uint8_t format = archive.ReadUInt8();
  read.value = archive.ReadUInt32();
  // A format this tool does not know keeps the dialog's first one.
  if (format <= static_cast<uint8_t>(AddrVariableFormat::kUnsigned32))
    read.format = static_cast<AddrVariableFormat>(format);
  lastAddrVariable_ = read;
}

}  // namespace zel::link
