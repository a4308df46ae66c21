#pragma once

namespace zel::ui {

// The axis step a person reads easily: the smallest of 1, 2 and 5 times a power of ten that
// splits span into at most count steps; 1 for an empty or non-finite span.
double NiceStep(double span, double count);

}  // namespace zel::ui
