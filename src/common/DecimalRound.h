#pragma once

namespace zel::common {

// Rounds x to n decimal places the way the ZEL's tool always has: positive values round half up
// digit by digit from the last decimal digit that the double carries (0.449 with n = 0 gives 1),
// negative values are truncated towards zero. Used wherever a computed value becomes an integer
// for the ZEL or for display, so that the tool and its documentation agree on every value.
double Round(double x, int n);

}  // namespace zel::common
