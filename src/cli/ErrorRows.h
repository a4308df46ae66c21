#pragma once

#include <string>
#include <vector>

#include "cli/JsonWriter.h"
#include "monitor/ErrorListing.h"

namespace zel::cli {

// The errors of a listing as zelctl prints them: one indented line per error and the count line
// appended to lines; the same rows for --json returned.
std::vector<JsonWriter> AppendErrorRows(const std::vector<monitor::ErrorRow>& rows,
                                        std::vector<std::string>& lines);

}  // namespace zel::cli
