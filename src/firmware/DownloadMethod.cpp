#include "firmware/DownloadMethod.h"

#include <cstdio>
#include <map>

namespace zel::firmware {

namespace {

constexpr std::array<int, 5> kStandardSteps = {100, 1600, 300, 500, 600};
constexpr std::array<int, 4> kTiSteps = {100, 200, 400, 600};
constexpr std::array<int, 4> kJtagSteps = {100, 300, 500, 600};

}  // namespace

const char* MethodName(DownloadMethod method) {
  switch (method) {
    case DownloadMethod::kStandard:
      return "Standard Download Method";
    case DownloadMethod::kTi:
      return "TI Download Method";
    case DownloadMethod::kJtag:
      return "JTAG Download Method";
  }
  return "";
}

std::span<const int> PreEraseSteps(DownloadMethod method) {
  switch (method) {
    case DownloadMethod::kTi:
      return kTiSteps;
    case DownloadMethod::kJtag:
      return kJtagSteps;
    case DownloadMethod::kStandard:
      break;
  }
  return kStandardSteps;
}

int64_t ExpectedDuration(DownloadMethod method, const StepTimes& times) {
  int64_t sum = times.Of(700) + times.Of(1000);
  for (int step : PreEraseSteps(method)) sum += times.Of(step);
  return sum;
}

std::string DurationText(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

std::string StepResultText(int code) {
  static const std::map<int, const char*> kTexts = {
      {101, "Okay! The source file is processed!"},
      {102, "Error processing the source file!"},
      {103, "Error opening the source file!"},
      {104, "The source file version is wrong!"},
      {201, "Okay! The TI-Booting routine is started!"},
      {202, "Error starting TI-Booting routine!"},
      {301, "Okay! The PC is connected with the ZEL!"},
      {302, "Error connecting with the ZEL!"},
      {401, "Okay! The 'FlshCtrl' section is downloaded!"},
      {501, "Okay! The 'FlshCtrl' section is downloaded!"},
      {402, "Error downloading 'FlshCtrl' section!"},
      {502, "Error downloading 'FlshCtrl' section!"},
      {403, "Error opening 'FlshCtrl' file!"},
      {503, "Error opening 'FlshCtrl' file!"},
      {601, "Okay! The Flash is not protected!"},
      {602, "The Flash is protected!"},
      {701, "Okay! The Flash memory is prepared!"},
      {702, "Error preparing the Flash memory!"},
      {709, "Error preparing the Flash memory!"},
      {703, "Error downloading 'fl_clr' section!"},
      {704, "Error clearing Flash memory!"},
      {705, "Error downloading 'fl_ers' section!"},
      {706, "Error erasing Flash memory!"},
      {707, "Inverse writing is required!"},
      {708, "Error downloading 'fl_wrt' section!"},
      {1001, "Okay! The Flash memory is programmed!"},
      {1002, "Error programming Flash!"},
      {1003, "Error downloading 'fl_prg' section!"},
      {1004, "Error downloading code!"},
      {1005, "Error checking download!"},
      {1006, "Error in downloaded code!"},
      {1601, "Okay! The ZEL is in booting!"},
      {1602, "Transmission Error! ZEL is NOT in booting!"},
      {1603, "Wrong Echo! ZEL is NOT in booting!"},
  };
  const auto found = kTexts.find(code);
  return found == kTexts.end() ? std::string() : found->second;
}

std::string StepText(int code) {
  static const std::map<int, const char*> kTexts = {
      {100, "Process File ..."},
      {1600, "Goto Boot ..."},
      {200, "Start with TI-booting routine ..."},
      {300, "Connect with booting code ..."},
      {400, "Download FlshCtrl Section ..."},
      {500, "Download FlshCtrl Section ..."},
      {600, "Check if Flash is protected ..."},
      {700, "Prepare the Flash memory ..."},
      {1000, "Program Flash memory ..."},
      {800, "Download ClrCtrl Section ..."},
      {900, "Download WrtCtrl Section ..."},
      {1500, "Download ErsCtrl Section ..."},
      {1400, "Download PrgCtrl Section ..."},
      {1200, "Download checking ..."},
      {1300, "Download code ..."},
  };
  const auto found = kTexts.find(code);
  return found == kTexts.end() ? std::string() : found->second;
}

bool IsFirmwareLost(int code) {
  return (code >= 702 && code <= 709) || (code >= 1002 && code <= 1004);
}

}  // namespace zel::firmware
