#pragma once

#include <string>
#include <vector>

#include "ui/Control.h"

namespace zel::firmware {

// What a finished download comes to, from its result codes in arrival order: the summary's
// verdict, the text of the first failing code and whether that code means the flash was already
// being changed. The first failure is what went wrong; later codes are its consequences, so a
// lost firmware stays lost even when a later step fails another way.
struct DownloadVerdict {
  bool success = false;
  int firstFailure = 0;  // 0 when every code ended in 01
  std::string reason;    // its result text, or "Error Unknown"
  bool firmwareLost = false;

  static DownloadVerdict From(bool success, const std::vector<int>& history);
  // The Summary page's lines below the verdict for a failed download.
  std::vector<std::string> FailureLines() const;
};

// How a download history marks a step's result in front of its text.
ui::RowMark HistoryMark(int resultCode);

}  // namespace zel::firmware
