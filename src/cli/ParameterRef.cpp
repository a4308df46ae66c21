#include "cli/ParameterRef.h"

#include <cctype>
#include <vector>

namespace zel::cli {

bool ParameterRef::Resolve(const parameters::CParameterTable& table, const std::string& text,
                           parameters::ParameterDefinition& definition, std::string& error) {
  if (text.empty()) {
    error = "No parameter given.";
    return false;
  }
  bool numeric = true;
  for (char c : text) numeric = numeric && std::isdigit(static_cast<unsigned char>(c));
  if (numeric) {
    if (text.size() > 3 || std::stoi(text) > 255) {
      error = "Parameter numbers run from 0 to 255: '" + text + "'.";
      return false;
    }
    if (!table.Find(static_cast<int16_t>(std::stoi(text)), definition)) {
      error = "Parameter " + text + " is not defined.";
      return false;
    }
    return true;
  }
  std::vector<parameters::ParameterDefinition> matches;
  for (int i = 0; i < table.Count(); ++i) {
    parameters::ParameterDefinition d = table.At(i);
    if (d.name == text) matches.push_back(d);
  }
  if (matches.empty()) {
    error = "Unknown parameter '" + text + "'.";
    return false;
  }
  if (matches.size() > 1) {
    error = "Several parameters are called '" + text + "' (";
    for (size_t i = 0; i < matches.size(); ++i)
      error += (i ? ", " : "") + std::to_string(matches[i].number);
    error += "); give the number.";
    return false;
  }
  definition = matches.front();
  return true;
}

}  // namespace zel::cli
