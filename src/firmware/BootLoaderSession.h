#pragma once

#include "firmware/BootLoaderLink.h"
#include "firmware/DownloadEvent.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::firmware {

// The serial line handed to the boot loader link, owned for one download or one probe. Opening
// claims the line for the calling thread (unless the caller holds the claim already), closes the
// device link and opens the boot port; ending (End, or the destructor on any other way out: a
// failed step, Stop, a signal that unwinds the command) drops the boot link's connection, so the
// next download starts with a fresh Connect, forgets the event sink, gives the line back to the
// device link and lifts the claim it took.
//
// Thread rules: the thread that opened it ends it, after the download worker has ended.
class BootLoaderSession {
 public:
  enum class Claim { kTake, kHeldByCaller };

  BootLoaderSession(link::ZelCommunication& communication, BootLoaderLink& link, Claim claim,
                    DownloadEventSink sink = {});
  ~BootLoaderSession();
  BootLoaderSession(const BootLoaderSession&) = delete;
  BootLoaderSession& operator=(const BootLoaderSession&) = delete;

  // Whether the boot port opened; a session whose port did not open has nothing to talk through.
  bool PortOpen() const;
  BootLoaderLink& Link() { return link_; }

  // Gives the line back now; true when the device link is open again. Later calls repeat the
  // first answer.
  bool End();
  bool Ended() const { return ended_; }

 private:
  link::ZelCommunication& communication_;
  BootLoaderLink& link_;
  bool claimed_ = false;
  bool ended_ = false;
  bool restored_ = false;
};

}  // namespace zel::firmware
