// zelpack: builds a firmware package from a folder, and lists a package's tree.
//
//   zelpack build FOLDER PACKAGE.bin   every subfolder of FOLDER becomes a storage below the
//                                      root (one per firmware version), every file a stream
//   zelpack list PACKAGE.bin           prints the storages and streams with stream sizes
//   zelpack --help | --version

#include <cstdio>
#include <string>
#include <vector>

#include "PackageBuilder.h"
#include "files/PendingTemporaries.h"
#include "firmware/CompoundDirectoryCheck.h"
#include "firmware/CompoundFile.h"

namespace {

using zel::firmware::CompoundElement;
using zel::firmware::CompoundFile;

constexpr const char* kUsage =
    "usage: zelpack build FOLDER PACKAGE.bin\n"
    "       zelpack list PACKAGE.bin\n"
    "       zelpack --help | --version\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Help() {
  std::printf(
      "%s\n"
      "Builds and inspects ZEL firmware packages (compound files).\n\n"
      "  build FOLDER PACKAGE.bin  every subfolder of FOLDER becomes a storage below the root\n"
      "                            (one per firmware version), every file a stream; the\n"
      "                            package replaces PACKAGE.bin as a whole or not at all\n"
      "  list PACKAGE.bin          prints the storages and the streams with their sizes\n"
      "  --help                    prints this text\n"
      "  --version                 prints the version\n\n"
      "Exit status: 0 done, 1 failed, 2 usage error.\n",
      kUsage);
  return 0;
}

bool ListStorage(const CompoundFile& file, std::vector<std::string>& path, int depth) {
  if (static_cast<std::size_t>(depth) > zel::firmware::CompoundDirectoryCheck::kMaxStorageDepth)
    return false;
  std::vector<CompoundElement> elements;
  if (!file.List(path, elements)) return false;
  for (const CompoundElement& element : elements) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    if (element.isStorage) {
      std::printf("%s%s\\\n", indent.c_str(), element.name.c_str());
      path.push_back(element.name);
      const bool ok = ListStorage(file, path, depth + 1);
      path.pop_back();
      if (!ok) return false;
    } else {
      std::vector<std::uint8_t> data;
      if (file.ReadStream(path, element.name, data))
        std::printf("%s%s  %zu bytes\n", indent.c_str(), element.name.c_str(), data.size());
      else
        std::printf("%s%s  (unreadable)\n", indent.c_str(), element.name.c_str());
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return Help();
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("zelpack %s\n", ZEL_VERSION);
    return 0;
  }
  // Ended by a signal while the package is written, zelpack leaves no temporary file behind.
  zel::files::PendingTemporaries::InstallSignalHandlers();
  if (args.size() == 3 && args[0] == "build") {
    zel::zelpack::PackageNode root;
    std::string error;
    if (!zel::zelpack::PackageBuilder::TreeFromFolder(args[1], root, error) ||
        !zel::zelpack::PackageBuilder::Write(root, args[2], error)) {
      std::fprintf(stderr, "zelpack: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (args.size() == 2 && args[0] == "list") {
    CompoundFile file;
    if (!file.Open(args[1])) {
      std::fprintf(stderr, "zelpack: %s is not a package that can be opened\n", args[1].c_str());
      return 1;
    }
    std::vector<std::string> path;
    if (!ListStorage(file, path, 0)) {
      std::fprintf(stderr, "zelpack: %s is damaged\n", args[1].c_str());
      return 1;
    }
    return 0;
  }
  return Usage();
}
