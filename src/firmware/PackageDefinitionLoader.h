#pragma once

#include "firmware/AdjustmentListener.h"
#include "firmware/FirmwareInfo.h"
#include "parameters/CParameterTable.h"

namespace zel::firmware {

// Refills the parameter definition table from the definition files of the firmware package in
// use ("<directory>\Parameter\SystemParameter.ini" and "...\StatusParameter.ini"). Registered
// with the firmware registry as an adjustment listener, so it runs on the adjustment thread; the
// table is filled aside and replaced in one step, so readers on other threads never see half a
// table.
class PackageDefinitionLoader : public AdjustmentListener {
 public:
  explicit PackageDefinitionLoader(parameters::CParameterTable& table) : table_(table) {}

  // Only packagePath and packageDirectory of current are used. The old definitions are gone in
  // any case: a package without a readable system file leaves the table empty, one without a
  // readable status file leaves only the system definitions. True when both files were read and
  // had a numbered "Parameter*" section.
  bool LoadFromPackage(const FirmwareInfo& current);
  bool Adjust(const FirmwareInfo& current) override { return LoadFromPackage(current); }

 private:
  parameters::CParameterTable& table_;
};

}  // namespace zel::firmware
