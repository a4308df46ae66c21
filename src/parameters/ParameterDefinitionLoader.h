#pragma once

#include <cstdint>
#include <span>

#include "firmware/AdjustmentListener.h"
#include "firmware/FirmwareInfo.h"
#include "parameters/CParameterTable.h"

namespace zel::parameters {

// Refills the parameter definition table from the definition files of the firmware package in
// use ("<directory>\Parameter\SystemParameter.ini" and "...\StatusParameter.ini"). Registered
// with the firmware registry as an adjustment listener, so it runs on the adjustment thread; the
// table is filled aside and replaced in one step, so readers on other threads never see half a
// table.
//
// A file is a run of sections "Parameter%i" numbered consecutively from the number of its first
// "Parameter*" section; the first missing or invalid section ends the run without complaint.
class ParameterDefinitionLoader : public firmware::AdjustmentListener {
 public:
  explicit ParameterDefinitionLoader(CParameterTable& table) : table_(table) {}

  // Only packagePath and packageDirectory of current are used. The old definitions are gone in
  // any case: a package without a readable system file leaves the table empty, one without a
  // readable status file leaves only the system definitions. True when both files were read and
  // had a numbered "Parameter*" section.
  bool LoadFromPackage(const firmware::FirmwareInfo& current);
  bool Adjust(const firmware::FirmwareInfo& current) override { return LoadFromPackage(current); }

  // Appends the sections of one definition file to table (as system or as status definitions).
  // False when the file has no "Parameter*" section ending in a number.
  static bool LoadFile(std::span<const std::uint8_t> text, bool system, CParameterTable& table);

 private:
  CParameterTable& table_;
};

}  // namespace zel::parameters
