#include "link/PosixSerialChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "link/AdapterLatency.h"
#include "link/LineRate.h"
#include "link/PortMap.h"
#include "link/ResultCodes.h"

namespace zel::link {

namespace {

// A line that takes no byte for this long is dead: no flow control is configured, so a real UART
// always drains, and only a stuck pseudo-terminal peer could hold a write up.
constexpr int64_t kWriteStallMs = 2000;

int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Waits for events on fd until deadlineNs; returns poll's revents, 0 on time-out, -1 on error.
int WaitFor(int fd, short events, int64_t deadlineNs) {
  for (;;) {
    const int64_t remaining = std::max<int64_t>(deadlineNs - NowNs(), 0);
    timespec ts{static_cast<time_t>(remaining / 1'000'000'000),
                static_cast<long>(remaining % 1'000'000'000)};
    pollfd pfd{fd, events, 0};
    const int rc = ppoll(&pfd, 1, &ts, nullptr);
    if (rc > 0) return pfd.revents;
    if (rc == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

}  // namespace

PosixSerialChannel::~PosixSerialChannel() {
  if (fd_ >= 0) Close();
}

std::string PosixSerialChannel::DevicePathFor(const std::string& deviceName) {
  if (deviceName.rfind("COM", 0) != 0) return "";
  return PortMap::PathFor(deviceName);
}

std::unique_ptr<PosixSerialChannel> PosixSerialChannel::OpenPath(const std::string& path,
                                                                 int32_t baud,
                                                                 uint8_t& resultCode) {
  resultCode = result::kOpenFailed;
  if (path.empty()) return nullptr;
  // O_NONBLOCK so that a modem device waiting for carrier cannot hang the open; reads and
  // writes wait in ppoll() with deadlines instead.
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // The channel owns fd from here on, so every early return closes it.
  std::unique_ptr<PosixSerialChannel> channel(new PosixSerialChannel(fd));
  if (!isatty(fd)) return nullptr;
  // TIOCEXCL keeps other programs out but root passes it; the lock on the open file
  // description is what turns away a second opener, including another port in this process.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return nullptr;
  channel->exclusive_ = ioctl(fd, TIOCEXCL) == 0;

  // The driver's queue sizes (1200 bytes each way on the original platform) cannot be set on
  // Linux; the tty layer's own buffers are larger than the longest frame, so nothing is lost.
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) {
    resultCode = result::kGetSettingsFailed;
    return nullptr;
  }
  // Only the input is discarded below: nothing has been written through this descriptor yet,
  // and on a pseudo-terminal an output flush reaches into the peer's unread input, dropping the
  // last bytes a previous opener sent (see Purge).
  cfmakeraw(&settings);  // 8 data bits, no parity, no character translation
  settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &settings) != 0 || !SetLineRate(fd, baud) ||
      tcflush(fd, TCIFLUSH) != 0) {
    resultCode = result::kConfigFailed;
    return nullptr;
  }
  // Opened by its by-id name, a USB adapter is looked up in sysfs by that name at every open: a
  // replugged adapter is a new ttyUSB node with its timer back at the driver's default.
  AdapterLatency::Lower(fd, path);
  // The ZEL's cable does not use DTR or RTS; they are held inactive. A pseudo-terminal has no
  // modem lines and refuses the request, which is harmless.
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (ioctl(fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
    resultCode = result::kConfigFailed;
    return nullptr;
  }
  channel->baud_ = baud;
  resultCode = result::kOk;
  return channel;
}

ChannelOpener PosixSerialChannel::Opener() {
  return [](const std::string& deviceName, int32_t baud,
            uint8_t& resultCode) -> std::unique_ptr<ByteChannel> {
    return OpenPath(DevicePathFor(deviceName), baud, resultCode);
  };
}

namespace {

// A named type, so that the path can be read back from the opener (the "Communication" dialog
// shows it beside every port).
struct FixedPathOpener {
  std::string path;
  std::unique_ptr<ByteChannel> operator()(const std::string&, int32_t baud,
                                          uint8_t& resultCode) const {
    return PosixSerialChannel::OpenPath(path, baud, resultCode);
  }
};

}  // namespace

ChannelOpener PosixSerialChannel::OpenerForPath(std::string path) {
  return FixedPathOpener{std::move(path)};
}

std::string PosixSerialChannel::FixedPathOf(const ChannelOpener& opener) {
  const auto* fixed = opener.target<FixedPathOpener>();
  return fixed != nullptr ? fixed->path : "";
}

bool PosixSerialChannel::Write(const uint8_t* data, int n) {
  if (fd_ < 0 || data == nullptr || n < 0) return false;
  int done = 0;
  while (done < n) {
    const ssize_t rc = write(fd_, data + done, static_cast<size_t>(n - done));
    if (rc > 0) {
      done += static_cast<int>(rc);
      continue;
    }
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const int revents = WaitFor(fd_, POLLOUT, NowNs() + kWriteStallMs * 1'000'000);
    if (revents <= 0 || (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
  }
  return true;
}

int PosixSerialChannel::Read(uint8_t* data, int n, const ReadTimeouts& timeouts) {
  if (fd_ < 0 || data == nullptr || n < 0) return -1;
  const int64_t start = NowNs();
  const int64_t totalDeadline = start + std::max<int64_t>(timeouts.totalMs, 0) * 1'000'000 +
                                LineTimeNs(std::max(timeouts.lineBytes, 0));
  int got = 0;
  int64_t lastByte = start;
  bool hungUp = false;
  while (got < n) {
    // Take what is already there first: a zero time-out still delivers bytes that arrived.
    // With VMIN = VTIME = 0 an empty terminal reads 0 bytes, which is not an end of file.
    const ssize_t rc = read(fd_, data + got, static_cast<size_t>(n - got));
    if (rc > 0) {
      got += static_cast<int>(rc);
      lastByte = NowNs();
      continue;
    }
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    // Nothing left to read on a line that reported a hang-up: waiting would only spin.
    if (hungUp) return -1;

    int64_t deadline = totalDeadline;
    if (got > 0 && timeouts.intervalMs >= 0) {
      deadline =
          std::min(deadline, lastByte + int64_t{timeouts.intervalMs} * 1'000'000 + LineTimeNs(1));
    } else if (got == 0 && timeouts.firstByteMs >= 0) {
      deadline = std::min(deadline, start + timeouts.firstByteMs * 1'000'000 +
                                        LineTimeNs(std::max(timeouts.lineBytes - n, 0) + 1));
    }
    if (NowNs() >= deadline) break;
    const int revents = WaitFor(fd_, POLLIN, deadline);
    if (revents < 0 || (revents & POLLNVAL) != 0) return -1;
    if (revents == 0) break;
    hungUp = (revents & (POLLHUP | POLLERR)) != 0;
  }
  return got;
}

bool PosixSerialChannel::Purge() {
  if (fd_ < 0) return false;
  // write() returns once the bytes are queued, not once they have left, so the output queue may
  // still hold the tail of the previous exchange (the final 'O' to a reply). Discarding it would
  // leave the ZEL waiting for that acknowledge and take the next opcode for it. What was written
  // goes out first; only what came in and was not read is discarded.
  // At a low rate a long frame takes seconds to leave; only a queue that stops shrinking is a
  // stuck line.
  int64_t deadline = NowNs() + kWriteStallMs * 1'000'000;
  int lastQueued = -1;
  for (;;) {
    int queued = 0;
    if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
    if (lastQueued < 0 || queued < lastQueued) {
      deadline = NowNs() + kWriteStallMs * 1'000'000 + LineTimeNs(1);
    }
    lastQueued = queued;
    if (NowNs() >= deadline) return false;
    const timespec step{0, 200'000};  // less than one byte time at 38400 bit/s
    nanosleep(&step, nullptr);
  }
  return tcflush(fd_, TCIFLUSH) == 0;
}

int64_t PosixSerialChannel::LineTimeNs(int characters) const {
  if (baud_ <= 0) return 0;
  // One start bit, eight data bits, one stop bit.
  return int64_t{characters} * 10 * 1'000'000'000 / baud_;
}

bool PosixSerialChannel::Close() {
  if (fd_ < 0) return false;
  // Leave the terminal open to others again (a peer that keeps its end open would otherwise see
  // the exclusive flag survive this close). Only the holder clears it: an opener that was
  // turned away must not open the line to others behind the holder's back.
  if (exclusive_) ioctl(fd_, TIOCNXCL);
  exclusive_ = false;
  const int fd = fd_;
  fd_ = -1;
  return close(fd) == 0;  // also drops the lock
}

}  // namespace zel::link
