#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "firmware/AdjustmentListener.h"
#include "monitor/CErrorMap.h"
#include "monitor/CErrorMapEntry.h"
#include "monitor/ErrorListing.h"

namespace zel::monitor {

// The error maps of the firmware package in use. Reloaded by the firmware registry on its
// adjustment thread while the status view and the dialogs look entries up on the user-interface
// thread, so every operation takes the list's lock and lookups hand out copies.
class CErrorMapList : public firmware::AdjustmentListener {
 public:
  // Replaces the maps by those of the package directory: every file listed under
  // "VariousFiles" in its "Summary.txt" whose name, in lower case, contains "ini" and
  // "errormap", read from "<directory>\VariousFiles\". Files that do not parse are skipped.
  // False (and no maps) when the package or its summary cannot be read.
  bool LoadErrorMaps(const std::string& packagePath, const std::string& packageDirectory);
  // For zelctl: the maps of the package at packagePath, from directory, or from the package's
  // first version when directory is empty.
  bool LoadFromPackageFile(const std::string& packagePath, const std::string& directory = {});

  bool Adjust(const firmware::FirmwareInfo& current) override;

  // The first map called mapName (exact, case-sensitive) decides.
  std::optional<CErrorMapEntry> Lookup(const std::string& mapName, std::uint32_t code) const;
  // What a bit no map knows is listed as.
  static CErrorMapEntry UnknownEntry(const std::string& name);

  // The "Error Info" dialog's fields ("Name:", "Meaning:", "CausedBy:", "Remark:",
  // "Cross Reference:", "Effect:"); false when the entry has nothing to show.
  static bool ErrorInfo(const CErrorMapEntry& entry,
                        std::vector<std::pair<std::string, std::string>>& fields);

  // The lookup for ErrorListing. It holds a pointer to this list, which must outlive it.
  ErrorLookup AsLookup() const;

  void Clear();
  std::vector<CErrorMap> Maps() const;
  void SetMaps(std::vector<CErrorMap> maps);

 private:
  mutable std::mutex mutex_;
  std::vector<CErrorMap> maps_;
};

}  // namespace zel::monitor
