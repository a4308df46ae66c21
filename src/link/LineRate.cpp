#include "link/LineRate.h"

// The kernel's termios2 carries the rate as a number. Its header clashes with <termios.h>, which
// this file therefore never includes (and declares ioctl itself for the same reason).
#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace zel::link {

namespace {

struct RateCode {
  int32_t baud;
  unsigned code;
};

constexpr RateCode kRateCodes[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool CloseEnough(speed_t actual, int32_t asked) {
  const int64_t difference = static_cast<int64_t>(actual) - asked;
  return (difference < 0 ? -difference : difference) * 50 <= asked;
}

}  // namespace

bool SetLineRate(int fd, int32_t baud) {
  if (baud <= 0) return false;
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  unsigned code = BOTHER;
  for (const RateCode& rate : kRateCodes) {
    if (rate.baud == baud) code = rate.code;
  }
  // One rate for both directions: the input bits cleared mean "same as output".
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= code;
  tio.c_ispeed = static_cast<speed_t>(baud);
  tio.c_ospeed = static_cast<speed_t>(baud);
  if (ioctl(fd, TCSETS2, &tio) != 0) return false;
  // A UART driver rounds the rate to what its clock divides to and reports that back.
  struct termios2 applied {};
  if (ioctl(fd, TCGETS2, &applied) != 0) return false;
  return CloseEnough(applied.c_ospeed, baud);
}

}  // namespace zel::link
