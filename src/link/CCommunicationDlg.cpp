#include "link/CCommunicationDlg.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

#include "link/PortMap.h"
#include "link/ZelCommunication.h"
#include "ui/Host.h"

namespace zel::link {

namespace {

constexpr int kPortCount = 10;
constexpr int32_t kMaxTimeoutMs = CommSettings::kMaxTimeoutMs;
constexpr int32_t kMaxTrials = CommSettings::kMaxTrials;

std::string PortEntry(int number) {
  return "Com" + std::to_string(number);
}

// "Com3" and "COM3" name the same port; anything else names none of the list's entries.
int PortIndex(const std::string& name) {
  for (int i = 0; i < kPortCount; ++i) {
    std::string entry = PortEntry(i + 1);
    if (name.size() == entry.size() &&
        std::equal(name.begin(), name.end(), entry.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) ==
                 std::toupper(static_cast<unsigned char>(b));
        }))
      return i;
  }
  return -1;
}

}  // namespace

const std::vector<int32_t>& CCommunicationDlg::BaudRates() {
  static const std::vector<int32_t> rates{110,  300,  600,   1200,  2400,
                                          4800, 9600, 19200, 38400, 57600};
  return rates;
}

CCommunicationDlg::CCommunicationDlg(const CommSettings& stored, std::string fixedDevice)
    : Window("Communication"),
      chosen_(stored),
      rates_(BaudRates()),
      fixedDevice_(std::move(fixedDevice)) {
  AddLabel(0, "Serial Port");
  std::vector<std::string> ports;
  for (int i = 1; i <= kPortCount; ++i) ports.push_back(PortEntry(i));
  AddCombo(kIdPort, std::move(ports)).sameRow = true;
  AddLabel(kIdDevice, "").sameRow = true;
  AddLabel(0, "Device");
  AddEdit(kIdAssignPath).sameRow = true;
  AddButton(kIdAssign, "Assign").sameRow = true;
  AddLabel(0, "Baudrate");
  AddCombo(kIdBaud, {}).sameRow = true;
  AddLabel(0, "Timeout");
  AddEdit(kIdTimeout).sameRow = true;
  AddLabel(0, "ms").sameRow = true;
  AddLabel(0, "Transmit Trials");
  AddEdit(kIdTrials).sameRow = true;
  AddOkCancel();
}

bool CCommunicationDlg::OnInitDialog() {
  if (std::find(rates_.begin(), rates_.end(), chosen_.baudRate) == rates_.end())
    rates_.push_back(chosen_.baudRate);
  std::vector<std::string> items;
  for (int32_t rate : rates_) items.push_back(std::to_string(rate));
  SetItems(kIdBaud, std::move(items));
  auto rate = std::find(rates_.begin(), rates_.end(), chosen_.baudRate);
  SetSelection(kIdBaud, static_cast<int>(rate - rates_.begin()));
  SetSelection(kIdPort, std::max(0, PortIndex(chosen_.portName)));
  SetText(kIdTimeout, std::to_string(chosen_.timeoutMs));
  SetText(kIdTrials, std::to_string(chosen_.transmitTrials));
  Enable(kIdAssignPath, fixedDevice_.empty());
  Enable(kIdAssign, fixedDevice_.empty());
  ShowDevice();
  return true;
}

void CCommunicationDlg::ShowDevice() {
  if (!fixedDevice_.empty()) {
    SetText(kIdDevice, fixedDevice_);
    return;
  }
  const int port = Selection(kIdPort);
  if (port < 0) return;
  const std::string path = PortMap::PathFor(port + 1);
  SetText(kIdDevice, PortMap::Describe(SerialDeviceTree::Describe(path)));
  SetText(kIdAssignPath, path);
}

void CCommunicationDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdPort && kind == ui::EventKind::Selection) ShowDevice();
  if (id != kIdAssign || kind != ui::EventKind::Clicked || !fixedDevice_.empty()) return;
  const int port = Selection(kIdPort);
  if (port < 0) return;
  std::string error;
  if (!PortMap::Assign(port + 1, Text(kIdAssignPath), error)) {
    ui::CurrentHost().ShowMessage(error);
    return;
  }
  ShowDevice();
}

bool CCommunicationDlg::ReadField(int id, int32_t minimum, int32_t maximum, int32_t& value) {
  std::string text = Text(id);
  int32_t parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      parsed < minimum || parsed > maximum) {
    ui::CurrentHost().ShowMessage("Please enter an integer between " + std::to_string(minimum) +
                                  " and " + std::to_string(maximum) + ".");
    SetFocus(id);
    return false;
  }
  value = parsed;
  return true;
}

void CCommunicationDlg::OnOK() {
  int32_t timeout = 0;
  int32_t trials = 0;
  if (!ReadField(kIdTimeout, 1, kMaxTimeoutMs, timeout)) return;
  if (!ReadField(kIdTrials, 1, kMaxTrials, trials)) return;
  int port = Selection(kIdPort);
  int rate = Selection(kIdBaud);
  // An untouched list keeps the stored name as it was written ("COM3" stays "COM3").
  if (port >= 0 && port != PortIndex(chosen_.portName)) chosen_.portName = PortEntry(port + 1);
  if (rate >= 0) chosen_.baudRate = rates_[static_cast<std::size_t>(rate)];
  chosen_.timeoutMs = timeout;
  chosen_.transmitTrials = trials;
  EndDialog(ui::kResultOk);
}

bool CCommunicationDlg::Run(ZelCommunication& communication) {
  CCommunicationDlg dlg(communication.Settings(), communication.FixedDevice());
  if (dlg.DoModal() == ui::kResultOk) return communication.OpenLink(dlg.Chosen());
  // Cancel touches nothing: the stored settings open the link as before.
  return communication.ReopenLink();
}

}  // namespace zel::link
