#pragma once

#include <string>

namespace zel::parameters {

// "&Save Parameter from *.udf to Textfile (*.txt)" and "&Print Parameter File": a parameter file
// as its text protocol beside it, or as the printed protocol (the desktop prints to a PDF file
// where no printer is installed). Each says its outcome in a box; a file that cannot be read is
// refused with its reason and nothing is written or printed. UI thread.
class ParameterFileOutput {
 public:
  static constexpr int kLinesPerPage = 60;

  static bool SaveAsText(const std::string& udfPath);
  static bool Print(const std::string& udfPath);
};

}  // namespace zel::parameters
