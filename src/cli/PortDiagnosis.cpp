#include "cli/PortDiagnosis.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "link/ResultCodes.h"

namespace zel::cli {

namespace {

using Problem = PortFacts::Problem;

std::string GroupName(gid_t gid) {
  if (const group* g = getgrgid(gid); g != nullptr) return g->gr_name;
  return std::to_string(gid);
}

std::string ProcessName(const std::string& pid) {
  std::string name;
  std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
  return name.empty() ? "" : name + " (pid " + pid + ")";
}

// The process holding the lock on the device node itself, from /proc/locks (lines such as
// "1: FLOCK  ADVISORY  WRITE 4711 00:18:3 0 EOF": pid, then the node's device as hexadecimal
// major:minor and its inode); "" when no lock on it is listed.
std::string LockHolder(const struct stat& node) {
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string id, kind, advisory, mode, pid, where;
    if (!(fields >> id >> kind)) continue;
    // A blocked waiter ("1: -> FLOCK ...") holds nothing.
    if (kind != "FLOCK") continue;
    if (!(fields >> advisory >> mode >> pid >> where)) continue;
    unsigned devMajor = 0, devMinor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%llu", &devMajor, &devMinor, &inode) != 3) continue;
    if (devMajor != major(node.st_dev) || devMinor != minor(node.st_dev) || inode != node.st_ino)
      continue;
    if (std::string name = ProcessName(pid); !name.empty()) return name;
  }
  return "";
}

// The pseudo-terminal index in a file's fdinfo when the file is a pty master, else -1.
long MasterIndex(const std::string& fdinfo) {
  std::ifstream info(fdinfo);
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("tty-index:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10);
  }
  return -1;
}

// The one other process with the device open, from /proc; "" when none is visible (another
// user's processes are hidden from a normal account) or when several are and nothing tells
// which of them holds the line. A process that also holds the master side of the same
// pseudo-terminal is the other end of the line (a simulator), not a program competing for it.
std::string OpenHolder(dev_t device) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return "";
  // Pseudo-terminal slaves are majors 136 to 143, 256 of them each.
  const long ptyIndex = major(device) >= 136 && major(device) <= 143
                            ? static_cast<long>((major(device) - 136) * 256 + minor(device))
                            : -2;
  std::vector<std::string> holders;
  while (dirent* entry = readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (pid == std::to_string(getpid())) continue;
    const std::string fdDir = "/proc/" + pid + "/fd";
    DIR* fds = opendir(fdDir.c_str());
    if (fds == nullptr) continue;
    bool holdsDevice = false;
    bool otherEnd = false;
    while (dirent* fd = readdir(fds)) {
      struct stat st {};
      if (fd->d_name[0] == '.' || stat((fdDir + "/" + fd->d_name).c_str(), &st) != 0) continue;
      if (!S_ISCHR(st.st_mode)) continue;
      if (st.st_rdev == device)
        holdsDevice = true;
      else if (ptyIndex >= 0 && MasterIndex("/proc/" + pid + "/fdinfo/" + fd->d_name) == ptyIndex)
        otherEnd = true;
    }
    closedir(fds);
    if (holdsDevice && !otherEnd) holders.push_back(pid);
  }
  closedir(proc);
  return holders.size() == 1 ? ProcessName(holders.front()) : "";
}

// Who holds the device: the lock on the node names it exactly; otherwise the one process that
// has it open, when there is only one.
std::string FindHolder(const struct stat& node) {
  std::string holder = LockHolder(node);
  return holder.empty() ? OpenHolder(node.st_rdev) : holder;
}

}  // namespace

PortFacts PortDiagnosis::Examine(const std::string& path) {
  PortFacts facts;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    facts.osError = errno;
    if (errno == ENOENT || errno == ENOTDIR) facts.problem = Problem::kAbsent;
    return facts;
  }
  if (access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    facts.problem = Problem::kPermission;
    facts.group = GroupName(st.st_gid);
    return facts;
  }
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    facts.osError = errno;
    // EBUSY is the exclusive mode (TIOCEXCL) another program set.
    if (errno == EBUSY) facts.problem = Problem::kBusy;
    if (errno == EACCES) {
      facts.problem = Problem::kPermission;
      facts.group = GroupName(st.st_gid);
    }
  } else {
    if (!isatty(fd))
      facts.problem = Problem::kNotSerial;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
      facts.problem = Problem::kBusy;
    close(fd);
  }
  if (facts.problem == Problem::kBusy && S_ISCHR(st.st_mode)) facts.holder = FindHolder(st);
  return facts;
}

LinkFailure PortDiagnosis::Explain(const std::string& path, const PortFacts& facts, uint8_t code,
                                   int32_t baud) {
  const std::string head = "Cannot open the serial port " + path + ": ";
  switch (facts.problem) {
    case Problem::kAbsent:
      return {"absent", head +
                            "it does not exist. Is the adapter plugged in? `zelctl ports` lists "
                            "the serial devices present."};
    case Problem::kPermission:
      return {"permission", head + "permission denied. The device belongs to the group '" +
                                facts.group + "'; join it with `sudo usermod -aG " + facts.group +
                                " $USER`, then log out and in again."};
    case Problem::kBusy:
      return {"busy", head + "it is held by another program" +
                          (facts.holder.empty() ? "" : ", " + facts.holder) +
                          ". Close that program and try again."};
    case Problem::kNotSerial:
      return {"notSerial", head + "it is not a serial device."};
    case Problem::kNone:
      break;
  }
  if (code == link::result::kConfigFailed || code == link::result::kGetSettingsFailed)
    return {"config", head + "the device does not take " + std::to_string(baud) + " bit/s."};
  return {"open", head +
                      (facts.osError != 0 ? std::strerror(facts.osError)
                                          : std::string("the system refused it")) +
                      "."};
}

}  // namespace zel::cli
