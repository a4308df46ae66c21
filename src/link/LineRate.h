#pragma once

#include <cstdint>

namespace zel::link {

// Sets a terminal's input and output rate to baud bit/s, any positive rate, including those
// termios has no B constant for (14400, 28800). A rate with a constant is set through it, so
// drivers that only know the constants still work; the others travel as a number. The rest of
// the line settings are left as they are.
//
// False when the rate is not positive, the driver refused it, or the driver reports a rate more
// than 2 % away from the one asked for (beyond what a UART at the other end tolerates, so the
// line would only carry garbage).
bool SetLineRate(int fd, int32_t baud);

}  // namespace zel::link
