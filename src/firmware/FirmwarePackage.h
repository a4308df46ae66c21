#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "firmware/CompoundFile.h"
#include "firmware/FirmwareInfo.h"

namespace zel::firmware {

// Reader of firmware package files ("*.bin"): a compound file with one storage per firmware
// version below the root (a package directory), each holding "Summary.txt", "BinaryFiles",
// "Parameter", "DocFiles" and "VariousFiles".
//
// Storages are named by paths of names separated by "\" (a leading "Root\" is dropped, the
// characters "!", "/", ":" and "\" are removed from every name, an empty path is the root);
// names are compared without regard to case. The tool never writes to a package.
//
// Holds one open package at a time and is meant to be used briefly: open, do one or a few
// operations, close. Not thread-safe; each thread uses its own instance. The boxes and text
// windows go through ui::CurrentHost() and therefore belong to the user-interface thread.
class FirmwarePackage {
 public:
  // Shows the "Select Firmware " dialog for the package at packagePath (which is closed while
  // the dialog runs) and gives the chosen package directory; false on Cancel. Installed by the
  // desktop program and zelctl; without one every choice among several versions is cancelled.
  using VersionChooser =
      std::function<bool(const std::string& packagePath, std::string& directory)>;
  static void SetVersionChooser(VersionChooser chooser);

  FirmwarePackage() = default;
  ~FirmwarePackage() { Close(); }
  FirmwarePackage(const FirmwarePackage&) = delete;
  FirmwarePackage& operator=(const FirmwarePackage&) = delete;

  // Closes an open package first; remembers the path.
  bool Open(const std::string& path);
  // The same for a package image in memory (copied), known by path from then on.
  bool OpenImage(std::span<const std::uint8_t> image, const std::string& path);
  // True when a package was open.
  bool Close();
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& PackagePath() const { return path_; }

  // Depth first below start; list receives start + "\" + ... + "\" + stream name for every
  // stream called name. False when start or a storage below it cannot be opened.
  bool FindStreams(const std::string& start, const std::string& name,
                   std::vector<std::string>& list) const;
  // The whole stream name of the storage at storagePath.
  bool ReadEntry(const std::string& storagePath, const std::string& name,
                 std::vector<std::uint8_t>& buffer) const;
  // One package directory per "ZelCode.out" found, in the order found (duplicates kept).
  bool ListVersions(std::vector<std::string>& directories) const;
  // One version: that one. Several: the version chooser decides, the package stays closed on
  // Cancel and is reopened on OK. None: false without a message.
  bool ChooseVersion(std::string& directory, bool showErrors);
  // Reads the "Summary.txt" found exactly once below directory. info is untouched on failure.
  bool ReadInfo(const std::string& directory, FirmwareInfo& info) const;
  // Whether "Summary.txt" lists the three program images, both definition files and the
  // read-me, compared by the ending of each entry. A missing file is always reported.
  bool CheckComplete(const std::string& directory, bool showErrors) const;

  // The text windows: "Header" (the summary), "ReadMe.txt" and the default values, or the
  // "does not exist" boxes.
  void ShowSummary(const std::string& directory) const;
  void ShowReadMe(const std::string& directory) const;
  void ShowDefaults(const std::string& directory, bool formatted) const;

  // What the "Select Firmware " dialog offers: the descriptions of the package's versions that
  // read correctly, in list order. The package is opened and closed again here.
  static bool ReadVersionInfos(const std::string& packagePath, std::vector<FirmwareInfo>& infos);
  // The "ReadMe" button of that dialog: the read-me of one version of a closed package.
  static bool ReadReadMe(const std::string& packagePath, const std::string& directory,
                         std::string& text);

  // Pieces that need no open package; public for the tests and the fuzz targets.
  static std::vector<std::string> SplitStoragePath(const std::string& path);
  static bool ParseSummary(std::span<const std::uint8_t> text, FirmwareInfo& info);
  // The formatted default values of a "SystemParameter.ini". False when nothing is to be shown.
  static bool FormatDefaults(std::span<const std::uint8_t> text, std::string& formatted);
  // True when an entry of list ends with required, compared without regard to case.
  static bool ListHasEnding(const std::vector<std::string>& list, const std::string& required);

 private:
  bool FindStreamsBelow(const std::vector<std::string>& storage, const std::string& path,
                        const std::string& name, int depth, std::vector<std::string>& list) const;
  void ShowEntry(const std::string& storagePath, const std::string& name,
                 const std::string& caption) const;

  CompoundFile file_;
  std::string path_;
};

}  // namespace zel::firmware
