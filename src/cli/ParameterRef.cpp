#include "cli/ParameterRef.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "cli/NumberArgument.h"

namespace zel::cli {

namespace {

using Outcome = ParameterRef::Outcome;

constexpr int kMaxSuggestions = 3;

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

// Up to kMaxSuggestions distinct names close enough to text to be what was meant: within a third
// of the name's length, and at least two edits.
std::vector<std::string> Nearest(const parameters::CParameterTable& table,
                                 const std::string& text) {
  std::vector<std::pair<int, std::string>> candidates;
  const int limit = std::max(2, static_cast<int>(text.size()) / 3);
  for (int i = 0; i < table.Count(); ++i) {
    const std::string name = table.At(i).name;
    const int distance = ParameterRef::Distance(text, name);
    if (distance > limit) continue;
    bool seen = false;
    for (const auto& c : candidates) seen = seen || c.second == name;
    if (!seen) candidates.emplace_back(distance, name);
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (size_t i = 0; i < candidates.size() && i < kMaxSuggestions; ++i)
    names.push_back(candidates[i].second);
  return names;
}

}  // namespace

int ParameterRef::Distance(const std::string& a, const std::string& b) {
  std::vector<int> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (size_t j = 1; j <= b.size(); ++j) {
      const int above = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

Outcome ParameterRef::Resolve(const parameters::CParameterTable& table, const std::string& text,
                              parameters::ParameterDefinition& definition, std::string& error) {
  if (text.empty()) {
    error = "No parameter given: the name or number is empty.";
    return Outcome::kMalformed;
  }
  // Names start with a letter; anything else is meant as a number.
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) {
    int64_t number = 0;
    std::string why;
    if (!NumberArgument(text).ToInteger(0, 255, number, why)) {
      error = "Parameter numbers run from 0 to 255, not '" + text + "': " + why;
      return Outcome::kMalformed;
    }
    if (!table.Find(static_cast<int16_t>(number), definition)) {
      error = "Parameter " + std::to_string(number) + " is not defined.";
      return Outcome::kUnknown;
    }
    return Outcome::kFound;
  }
  std::vector<parameters::ParameterDefinition> matches;
  for (int i = 0; i < table.Count(); ++i) {
    parameters::ParameterDefinition d = table.At(i);
    if (SameName(d.name, text)) matches.push_back(d);
  }
  if (matches.empty()) {
    error = "Unknown parameter '" + text + "'.";
    const std::vector<std::string> nearest = Nearest(table, text);
    for (size_t i = 0; i < nearest.size(); ++i)
      error += (i == 0 ? " Did you mean " : i + 1 == nearest.size() ? " or " : ", ") + nearest[i];
    if (!nearest.empty()) error += "?";
    error += " (`zelctl param list` lists them all.)";
    return Outcome::kUnknown;
  }
  if (matches.size() > 1) {
    error = "Several parameters are called '" + matches.front().name + "' (";
    for (size_t i = 0; i < matches.size(); ++i)
      error += (i ? ", " : "") + std::to_string(matches[i].number);
    error += "); give the number.";
    return Outcome::kUnknown;
  }
  definition = matches.front();
  return Outcome::kFound;
}

}  // namespace zel::cli
