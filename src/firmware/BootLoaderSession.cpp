#include "firmware/BootLoaderSession.h"

#include "link/ZelCommunication.h"

namespace zel::firmware {

BootLoaderSession::BootLoaderSession(link::ZelCommunication& communication, BootLoaderLink& link,
                                     Claim claim, DownloadEventSink sink)
    : communication_(communication), link_(link) {
  if (claim == Claim::kTake) {
    communication_.ClaimLink();
    claimed_ = true;
  }
  // Whatever an earlier user of the boot link left behind, this session starts with a handshake.
  link_.Disconnect();
  link_.SetEventSink(std::move(sink));
  communication_.EnterBootLoaderMode();
}

BootLoaderSession::~BootLoaderSession() {
  End();
}

bool BootLoaderSession::PortOpen() const {
  return !ended_ && link_.Port().IsOpen();
}

bool BootLoaderSession::End() {
  if (ended_) return restored_;
  ended_ = true;
  link_.Disconnect();
  link_.SetEventSink({});
  restored_ = communication_.LeaveBootLoaderMode() && communication_.Link().IsOpen();
  if (claimed_) communication_.ReleaseLink();
  claimed_ = false;
  return restored_;
}

}  // namespace zel::firmware
