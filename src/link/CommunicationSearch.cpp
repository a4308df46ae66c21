#include "link/CommunicationSearch.h"

#include <thread>

#include "link/ZelCommunication.h"

namespace zel::link {

std::vector<CommSettings> CommunicationSearch::BuildCandidates(const CommSettings& stored) {
  std::vector<CommSettings> candidates;
  for (int port = 1; port <= kPorts; ++port) {
    for (std::int32_t baud : kBaudRates) {
      CommSettings candidate = stored;
      candidate.portName = "Com" + std::to_string(port);
      candidate.baudRate = baud;
      candidates.push_back(candidate);
    }
  }
  return candidates;
}

CommunicationSearch::CommunicationSearch(ZelCommunication& communication,
                                         ui::Dispatcher::TargetId reportTo)
    : communication_(communication),
      reportTo_(reportTo),
      candidates_(BuildCandidates(communication.Settings())),
      saved_(communication.Settings()) {}

CommunicationSearch::~CommunicationSearch() {
  Stop();
}

void CommunicationSearch::Run() {
  tried_.store(0);
  found_.store(false);
  for (const CommSettings& candidate : candidates_) {
    if (!IsRunning()) break;
    const int tried = tried_.fetch_add(1) + 1;
    // A port that does not open costs only the wait: the probe then fails at once.
    communication_.OpenLink(candidate);
    std::this_thread::sleep_for(kSettleTime);
    std::uint16_t errorWord = 0;
    if (communication_.Status().ReadError(errorWord)) {
      found_.store(true);
      break;
    }
    ui::Dispatcher::Default().Post(reportTo_, kMsgProgress, static_cast<std::uintptr_t>(tried));
  }
  if (!found_.load()) communication_.OpenLink(saved_);
  ui::Dispatcher::Default().Post(reportTo_, kMsgDone, found_.load() ? 1 : 0);
}

}  // namespace zel::link
