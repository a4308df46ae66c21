#include "sim/PseudoTerminal.h"

// The kernel's termios2 carries the rate as a number, so rates without a B constant (14400)
// can be read and set. It clashes with <termios.h>, which this file therefore never includes.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace zel::sim {
namespace {

struct RateCode {
  uint32_t baud;
  unsigned code;
};

constexpr RateCode kRateCodes[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

void SetError(std::string* error, const std::string& what) {
  if (error != nullptr) *error = what;
}

std::string ErrnoText(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool MakeRaw(int fd, uint32_t baud) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &=
      ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  unsigned code = BOTHER;
  for (const RateCode& rate : kRateCodes) {
    if (rate.baud == baud) code = rate.code;
  }
  tio.c_cflag |= code;
  tio.c_ispeed = baud;
  tio.c_ospeed = baud;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
  Close();
}

bool PseudoTerminal::Open(const std::string& linkPath, uint32_t baud, std::string* error) {
  Close();
  if (linkPath.empty()) {
    SetError(error, "no link path given");
    return false;
  }
  struct stat existing {};
  if (lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    SetError(error, linkPath + " exists and is not a symbolic link; not replacing it");
    return false;
  }
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) {
    SetError(error, ErrnoText("posix_openpt"));
    return false;
  }
  char name[128] = {};
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
      ptsname_r(master_, name, sizeof name) != 0) {
    SetError(error, ErrnoText("pseudo-terminal set-up"));
    Close();
    return false;
  }
  slaveName_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    SetError(error, ErrnoText("open " + slaveName_));
    Close();
    return false;
  }
  if (!MakeRaw(slave_, baud)) {
    SetError(error, ErrnoText("raw mode"));
    Close();
    return false;
  }
  int flags = fcntl(master_, F_GETFL);
  if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
    SetError(error, ErrnoText("non-blocking master"));
    Close();
    return false;
  }
  // Link under a temporary name and rename it over the path, so a tool that opens the path
  // meanwhile finds either the old pair or the new one, never nothing.
  std::string temporary = linkPath + ".zelsim-tmp";
  unlink(temporary.c_str());
  if (symlink(slaveName_.c_str(), temporary.c_str()) != 0) {
    SetError(error, ErrnoText("symlink " + linkPath));
    Close();
    return false;
  }
  if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
    SetError(error, ErrnoText("rename onto " + linkPath));
    unlink(temporary.c_str());
    Close();
    return false;
  }
  linkPath_ = linkPath;
  return true;
}

void PseudoTerminal::Close() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  slave_ = -1;
  master_ = -1;
}

void PseudoTerminal::RemoveLink() {
  if (linkPath_.empty()) return;
  std::error_code ignored;
  std::filesystem::path target = std::filesystem::read_symlink(linkPath_, ignored);
  if (!ignored && target == slaveName_) unlink(linkPath_.c_str());
  linkPath_.clear();
}

uint32_t PseudoTerminal::LineBaud() const {
  if (master_ < 0) return 0;
  struct termios2 tio {};
  if (ioctl(master_, TCGETS2, &tio) != 0) return 0;
  return tio.c_ospeed;
}

}  // namespace zel::sim
