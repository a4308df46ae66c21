// zelpack: builds a firmware package from a folder, and lists a package's tree.
//
//   zelpack build FOLDER PACKAGE.bin   every subfolder of FOLDER becomes a storage below the
//                                      root (one per firmware version), every file a stream
//   zelpack list PACKAGE.bin           prints the storages and streams with stream sizes

#include <cstdio>
#include <string>
#include <vector>

#include "PackageBuilder.h"
#include "firmware/CompoundFile.h"

namespace {

using zel::firmware::CompoundElement;
using zel::firmware::CompoundFile;

int Usage() {
  std::fprintf(stderr,
               "usage: zelpack build FOLDER PACKAGE.bin\n"
               "       zelpack list PACKAGE.bin\n");
  return 2;
}

bool ListStorage(const CompoundFile& file, std::vector<std::string>& path, int depth) {
  if (depth > 32) return false;
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
