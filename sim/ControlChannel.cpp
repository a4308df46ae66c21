#include "sim/ControlChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace zel::sim {
namespace {

struct Client {
  int fd = -1;
  std::string pending;
  // After an over-long line, the rest of it up to its newline is thrown away.
  bool skipping = false;
};

bool Fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
  return false;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// True when some program accepts connections at `address` right now.
bool SomeoneListens(const sockaddr_un& address) {
  // Non-blocking, so a listener with a full backlog answers EAGAIN instead of holding us up.
  int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (probe < 0) return false;
  bool listening =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
      errno == EAGAIN;
  close(probe);
  return listening;
}

// One answer line; anything but printable ASCII (an echo of a client's garbage) becomes '?'.
std::string AnswerLine(std::string answer) {
  for (char& c : answer) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  return answer + "\n";
}

// Sends without waiting; false when the client is gone or does not read its answers.
bool SendAll(int fd, const std::string& text) {
  ssize_t sent = send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  return sent == static_cast<ssize_t>(text.size());
}

}  // namespace

ControlChannel::~ControlChannel() {
  Stop();
}

bool ControlChannel::Start(const std::string& path, std::string* error) {
  if (thread_.joinable()) return Fail(error, "control channel already running");
  sockaddr_un address;
  if (!FillAddress(path, address)) {
    return Fail(error, "control path must be 1 to " + std::to_string(sizeof address.sun_path - 1) +
                           " characters: " + path);
  }
  struct stat existing {};
  if (lstat(path.c_str(), &existing) == 0) {
    if (!S_ISSOCK(existing.st_mode)) return Fail(error, path + " exists and is not a socket");
    if (SomeoneListens(address)) return Fail(error, "another program listens at " + path);
    unlink(path.c_str());
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return Fail(error, std::string("socket: ") + std::strerror(errno));
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 4) != 0) {
    std::string reason = std::strerror(errno);
    close(fd);
    return Fail(error, "cannot listen at " + path + ": " + reason);
  }
  struct stat bound {};
  if (stat(path.c_str(), &bound) == 0) {
    socketDevice_ = bound.st_dev;
    socketInode_ = bound.st_ino;
  }
  if (!wake_.Open()) {
    close(fd);
    unlink(path.c_str());
    return Fail(error, "eventfd failed");
  }
  listenFd_ = fd;
  path_ = path;
  running_ = true;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void ControlChannel::Stop() {
  if (!thread_.joinable()) return;
  running_ = false;
  wake_.Signal();
  thread_.join();
  close(listenFd_);
  wake_.Close();
  listenFd_ = -1;
  // Only our own socket goes: another program may have taken the path over meanwhile.
  struct stat now {};
  if (stat(path_.c_str(), &now) == 0 && now.st_dev == socketDevice_ && now.st_ino == socketInode_) {
    unlink(path_.c_str());
  }
}

void ControlChannel::Serve() {
  std::vector<Client> clients;
  while (running_) {
    std::vector<pollfd> fds{{wake_.Fd(), POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const Client& client : clients) fds.push_back({client.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents != 0) break;
    // A client accepted below has no entry in `fds` yet; it is polled from the next round.
    const std::size_t polled = clients.size();
    if ((fds[1].revents & POLLIN) != 0) {
      int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd >= 0 && clients.size() >= kMaxClients) {
        SendAll(fd, AnswerLine("error: too many control connections"));
        close(fd);
      } else if (fd >= 0) {
        clients.push_back({fd, {}, false});
      }
    }
    std::vector<Client> kept;
    for (std::size_t i = 0; i < clients.size(); ++i) {
      Client& client = clients[i];
      bool open = true;
      if (i < polled && fds[i + 2].revents != 0) {
        char buffer[256];
        ssize_t count = recv(client.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) open = false;
        for (ssize_t j = 0; open && j < count; ++j) {
          char c = buffer[j];
          if (c != '\n') {
            if (!client.skipping && client.pending.size() < kMaxLine) {
              client.pending += c;
            } else if (!client.skipping) {
              client.skipping = true;
              client.pending.clear();
              open = SendAll(client.fd, AnswerLine("error: line longer than " +
                                                   std::to_string(kMaxLine) + " characters"));
            }
            continue;
          }
          bool blank = client.pending.find_first_not_of(" \t\r") == std::string::npos;
          if (!client.skipping && !blank) {
            open = SendAll(client.fd, AnswerLine(commands_.Execute(client.pending)));
          }
          client.pending.clear();
          client.skipping = false;
        }
      }
      if (open) {
        kept.push_back(std::move(client));
      } else {
        close(client.fd);
      }
    }
    clients = std::move(kept);
  }
  for (const Client& client : clients) close(client.fd);
}

}  // namespace zel::sim
