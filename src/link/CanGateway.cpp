#include "link/CanGateway.h"

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"

#include <algorithm>

#include "link/CCanDestinationDlg.h"
#include "parameters/CParameterTable.h"

namespace zel::link {
namespace {

constexpr uint8_t kReadTempParam = 20;
constexpr uint8_t kReadVersion = 26;
// Tables this large hold definitions the module does not serve by number over the bus.
constexpr uint16_t kLargeTableSystemCount = 38;

}  // namespace

CanGateway::CanGateway(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool CanGateway::SendWord(uint8_t opcode, uint16_t word) {
  CommandFrame frame(opcode);
  frame.Put16(word);
  return Execute(frame);
}

bool CanGateway::SendWords(uint8_t opcode, std::span<const uint16_t> words) {
  CommandFrame frame(opcode);
  for (uint16_t word : words) frame.Put16(word);
  return Execute(frame);
}

bool CanGateway::SendNMT() {
  return SendWord(kSendNmt, 0);
}

bool CanGateway::SetModuleID(uint16_t moduleId) {
  if (!SendWord(kSetModuleId, moduleId)) return false;
  currentModuleId_.store(moduleId);
  return true;
}

bool CanGateway::SetServiceID(uint16_t serviceId) {
  return SendWord(kSetServiceId, serviceId);
}

bool CanGateway::SetTPDOID(uint16_t tpdoId) {
  if (NewCommandSet()) return true;
  return SendWord(kSetTpdoId, tpdoId);
}

bool CanGateway::SetRPDOID(uint16_t rpdoId) {
  return SendWord(kSetRpdoId, rpdoId);
}

bool CanGateway::SendCANmsg(uint16_t canId, uint16_t dataA, uint16_t dataB, uint16_t dataC,
                            uint16_t dataD) {
  const uint16_t words[] = {canId, dataA, dataB, dataC, dataD};
  return SendWords(kSendCanMsg, words);
}

bool CanGateway::ReadModuleID(uint16_t& moduleId) {
  CommandFrame frame(kReadModuleId);
  uint16_t answer = 0;
  frame.Bind(answer);
  frame.Put16(0);
  if (!Execute(frame)) return false;
  moduleId = answer;
  currentModuleId_.store(answer);
  return true;
}

bool CanGateway::SetCanBCR1(uint16_t bcr1) {
  return SendWord(kSetBcr1, bcr1);
}

bool CanGateway::SetBCR1BCR2(uint16_t bcr1, uint16_t bcr2) {
  const uint16_t words[] = {bcr1, bcr2};
  return SendWords(kSetBcr1, words);
}

bool CanGateway::SetCanBCR2(uint16_t bcr2) {
  return SendWord(kSetBcr2, bcr2);
}

bool CanGateway::SetCanMode(uint16_t canMode) {
  return SendWord(kSetCanMode, canMode);
}

bool CanGateway::SendRTR() {
  return SendWord(kSendRtr, 0);
}

bool CanGateway::ReadCANError(uint16_t& canError) {
  CommandFrame frame(kReadCanError);
  frame.Put16(0);
  frame.Bind(canError, ResultType::kWord);
  return Execute(frame);
}

bool CanGateway::GetRemoteData(uint16_t destination, uint8_t opcode,
                               std::span<const uint16_t> params, std::span<uint16_t> results) {
  if (results.empty()) return false;
  params = params.first(std::min<std::size_t>(params.size(), kMaxRemoteParameters));
  results = results.first(std::min<std::size_t>(results.size(), kMaxRemoteResults));
  CommandFrame frame(kGetRemoteData);
  // The answer is unpacked into locals first: a failed exchange leaves the caller's words as
  // they were, and words a short answer lacks read 0.
  std::array<uint16_t, kMaxRemoteResults> answer{};
  for (std::size_t i = 0; i < results.size(); ++i) frame.Bind(answer[i]);
  frame.Put16(destination);
  frame.Put8(0);
  frame.Put8(opcode);
  for (uint16_t word : params) frame.Put16(word);
  if (!Execute(frame)) return false;
  std::copy_n(answer.begin(), results.size(), results.begin());
  return true;
}

bool CanGateway::SetRTR0ID(uint16_t channel, uint16_t id) {
  const uint16_t words[] = {channel, id};
  return SendWords(kSetRtrId, words);
}

bool CanGateway::ConfigRTR(uint16_t channel, uint16_t action) {
  const uint16_t words[] = {channel, action};
  return SendWords(kConfigRtr, words);
}

bool CanGateway::AddRTRParameter(const RtrEntry& entry, uint16_t& answer, bool& answered) {
  CommandFrame frame(kAddRtrParameter);
  constexpr uint16_t kNoAnswer = 0xFFFF;
  uint16_t word = kNoAnswer;
  frame.Bind(word);
  frame.Put16(entry.paramSel);
  frame.Put16(entry.param);
  if (!Execute(frame)) return false;
  answered = word != kNoAnswer;
  if (answered) answer = word;
  return true;
}

bool CanGateway::ResetCANError() {
  return SendWord(kResetCanError, 0);
}

bool CanGateway::ResetCAN() {
  return SendWord(kResetCan, 0);
}

bool CanGateway::sendToModule(uint16_t destination, uint8_t opcode,
                              std::span<const uint16_t> words) {
  // The first data word carries the opcode in its high byte, so the opcode is the second byte
  // on the bus; unused data words go as 0.
  std::array<uint16_t, kMaxCarriedWords> data{};
  std::copy_n(words.begin(), std::min<std::size_t>(words.size(), kMaxCarriedWords), data.begin());
  return SendCANmsg(destination, static_cast<uint16_t>(opcode << 8), data[0], data[1], data[2]);
}

bool CanGateway::readFromModule(uint16_t destination, uint8_t opcode,
                                std::span<const uint16_t> params, std::span<uint16_t> results) {
  return GetRemoteData(destination, opcode, params, results);
}

bool CanGateway::ReadModuleIdOf(uint16_t destination, uint16_t& moduleId) {
  const uint16_t params[] = {0};
  return readFromModule(destination, kReadModuleId, params, std::span(&moduleId, 1));
}

bool CanGateway::SetModuleRPDOID(uint16_t destination, uint16_t id) {
  const uint16_t words[] = {id};
  return sendToModule(destination, kSetRpdoId, words);
}

bool CanGateway::SetModuleTPDOID(uint16_t destination, uint16_t id) {
  const uint16_t words[] = {id};
  return sendToModule(destination, kSetTpdoId, words);
}

bool CanGateway::SetModulePdo(uint16_t destination, bool on) {
  const uint16_t words[] = {static_cast<uint16_t>(on ? 1 : 0)};
  return sendToModule(destination, kSetPdo, words);
}

bool CanGateway::SetModuleRtrId(uint16_t destination, uint16_t channel, uint16_t id) {
  const uint16_t words[] = {channel, id};
  return sendToModule(destination, kSetRtrId, words);
}

bool CanGateway::ConfigModuleRtr(uint16_t destination, uint16_t channel, uint16_t action) {
  const uint16_t words[] = {channel, action};
  return sendToModule(destination, kConfigRtr, words);
}

bool CanGateway::SetModuleBitRate(uint16_t destination, uint16_t bcr1, uint16_t bcr2) {
  const uint16_t words[] = {bcr1, bcr2};
  return sendToModule(destination, kSetBcr1, words);
}

bool CanGateway::AddModuleRtrEntry(uint16_t destination, const RtrEntry& entry, uint16_t& answer) {
  const uint16_t params[] = {entry.paramSel, entry.param};
  return readFromModule(destination, kAddRtrParameter, params, std::span(&answer, 1));
}

bool CanGateway::ReadModuleRtrEntry(uint16_t destination, uint16_t channel, uint16_t index,
                                    uint16_t& state, RtrEntry& entry) {
  const uint16_t params[] = {channel, index};
  std::array<uint16_t, 3> answer{};
  if (!readFromModule(destination, kGetRtrParameter, params, answer)) return false;
  state = answer[0];
  entry.paramSel = answer[1];
  entry.param = answer[2];
  return true;
}

bool CanGateway::ResetModuleCanError(uint16_t destination) {
  const uint16_t words[] = {0};
  return sendToModule(destination, kResetCanError, words);
}

bool CanGateway::ResetModuleCan(uint16_t destination) {
  const uint16_t words[] = {0};
  return sendToModule(destination, kResetCan, words);
}

bool CanGateway::ReadModuleVersion(uint16_t destination, uint16_t& softwareVersion,
                                   uint16_t& hardwareVersion) {
  const uint16_t params[] = {0};
  std::array<uint16_t, 2> answer{};
  if (!readFromModule(destination, kReadVersion, params, answer)) return false;
  softwareVersion = answer[0];
  hardwareVersion = answer[1];
  return true;
}

bool CanGateway::ReadModuleTempParam(uint16_t destination, int16_t number, uint16_t width,
                                     uint32_t& value) {
  if ((number == 22 || number == 36) && Definitions() != nullptr &&
      Definitions()->SystemCount() >= kLargeTableSystemCount) {
    value = 0;
    return true;
  }
  const uint16_t params[] = {static_cast<uint16_t>(number), width == 0 ? uint16_t{0} : uint16_t{1}};
  std::array<uint16_t, 2> answer{};
  const std::size_t count = width == 0 ? 1 : 2;
  for (int attempt = 0; attempt < kTempParamTries; ++attempt) {
    if (readFromModule(destination, kReadTempParam, params, std::span(answer).first(count))) {
      // A 32-bit value comes high word first.
      value = width == 0 ? answer[0] : (static_cast<uint32_t>(answer[0]) << 16) | answer[1];
      return true;
    }
  }
  value = 0;
  return true;
}

bool CanGateway::ObtainDestination(uint16_t& destination) {
  if (destination != 0) return true;
  CCanDestinationDlg dlg(LastDestination());
  if (dlg.DoModal() != ui::kResultOk) return false;
  destination = dlg.Destination();
  SetLastDestination(destination);
  return true;
}

}  // namespace zel::link

namespace zel::link {

void CanGateway::WriteInputs(files::ArchiveWriter& archive) const {
  archive.WriteUInt16(lastDestination_.load());
  for (const Remembered& remembered : remembered_) {
    for (uint16_t value : remembered.values) archive.WriteUInt16(value);
    archive.WriteUInt8(remembered.hexadecimal ? 1 : 0);
  }
}

void CanGateway::ReadInputs(files::ArchiveReader& archive) {
  const uint16_t destination = archive.ReadUInt16();
  std::array<Remembered, 128> read{};
  for (Remembered& remembered : read) {
    for (uint16_t& value : remembered.values) value = archive.ReadUInt16();
    remembered.hexadecimal = archive.ReadUInt8() != 0;
  }
  lastDestination_.store(destination);
  remembered_ = read;
}

}  // namespace zel::link
