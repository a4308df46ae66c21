#include "PackageBuilder.h"

#include "files/AtomicFileWriter.h"
#include "firmware/CompoundDirectoryCheck.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <span>

namespace zel::zelpack {

namespace {

// Compound file names are at most 31 characters.
constexpr std::size_t kMaxNameLength = 31;

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Upper(x) == Upper(y); });
}

// The format forbids "/", "\", ":" and "!" in names, and readers (the tool among them) find
// names without regard to case, so two names of one storage differing only in case would make
// one of them unreachable. Such a tree is refused rather than written as a package that cannot
// be read back as it was meant.
bool NamesAreSound(const PackageNode& node, std::string& error) {
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    const std::string& name = node.children[i].name;
    if (name.empty() || name.size() > kMaxNameLength) {
      error = "name '" + name + "' is empty or longer than 31 characters";
      return false;
    }
    if (name.find_first_of("/\\:!") != std::string::npos) {
      error = "name '" + name + "' holds one of the characters / \\ : ! that a package cannot name";
      return false;
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (SameNameIgnoringCase(node.children[j].name, name)) {
        error = "names '" + node.children[j].name + "' and '" + name + "' differ only in case";
        return false;
      }
    }
  }
  return true;
}

// A package the tool would refuse to open is not written: the reader's bounds on the number of
// entries and on the nesting of storages hold for the builder too.
bool FitsTheReader(const PackageNode& node, std::size_t depth, std::size_t& entries,
                   std::string& error) {
  using firmware::CompoundDirectoryCheck;
  if (!node.children.empty() && depth >= CompoundDirectoryCheck::kMaxStorageDepth) {
    error = "storages are nested deeper than " +
            std::to_string(CompoundDirectoryCheck::kMaxStorageDepth) + " levels";
    return false;
  }
  for (const PackageNode& child : node.children) {
    if (++entries > CompoundDirectoryCheck::kMaxEntries) {
      error = "more than " + std::to_string(CompoundDirectoryCheck::kMaxEntries - 1) +
              " storages and streams";
      return false;
    }
    if (child.isStorage && !FitsTheReader(child, depth + 1, entries, error)) return false;
  }
  return true;
}

bool WriteChildren(GsfOutfile* parent, const PackageNode& node, std::string& error) {
  if (!NamesAreSound(node, error)) return false;
  for (const PackageNode& child : node.children) {
    GsfOutput* output = gsf_outfile_new_child(parent, child.name.c_str(), child.isStorage);
    if (output == nullptr) {
      error = "cannot create '" + child.name + "'";
      return false;
    }
    bool ok = true;
    if (child.isStorage) {
      ok = WriteChildren(GSF_OUTFILE(output), child, error);
    } else if (!child.data.empty() &&
               !gsf_output_write(output, child.data.size(), child.data.data())) {
      error = "cannot write '" + child.name + "'";
      ok = false;
    }
    if (!gsf_output_close(output) && ok) {
      error = "cannot finish '" + child.name + "'";
      ok = false;
    }
    g_object_unref(output);
    if (!ok) return false;
  }
  return true;
}

}  // namespace

PackageNode& PackageNode::AddStorage(const std::string& storageName) {
  children.push_back(PackageNode{storageName, true, {}, {}});
  return children.back();
}

PackageNode& PackageNode::AddStream(const std::string& streamName, const std::string& text) {
  children.push_back(PackageNode{streamName, false, {text.begin(), text.end()}, {}});
  return children.back();
}

bool PackageBuilder::TreeFromFolder(const std::filesystem::path& folder, PackageNode& root,
                                    std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    error = folder.string() + " is not a folder";
    return false;
  }
  root.isStorage = true;
  root.children.clear();
  std::vector<std::filesystem::directory_entry> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    entries.push_back(entry);
  if (ec) {
    error = "cannot read " + folder.string();
    return false;
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink(ec)) {
      error = entry.path().string() + " is a link";
      return false;
    }
    if (entry.is_directory(ec)) {
      PackageNode& child = root.AddStorage(name);
      if (!TreeFromFolder(entry.path(), child, error)) return false;
    } else if (entry.is_regular_file(ec)) {
      std::ifstream file(entry.path(), std::ios::binary);
      std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
      if (!file.good() && !file.eof()) {
        error = "cannot read " + entry.path().string();
        return false;
      }
      root.children.push_back(PackageNode{name, false, std::move(data), {}});
    } else {
      error = entry.path().string() + " is neither a file nor a folder";
      return false;
    }
  }
  return true;
}

bool PackageBuilder::Write(const PackageNode& root, const std::filesystem::path& path,
                           std::string& error) {
  std::size_t entries = 1;  // the root
  if (!FitsTheReader(root, 0, entries, error)) return false;
  gsf_init();
  // The whole file is made in memory first: a tree that cannot be written leaves the target
  // and its folder untouched, and the atomic writer puts the finished bytes in place.
  GsfOutput* sink = gsf_output_memory_new();
  GsfOutfile* ole = gsf_outfile_msole_new(sink);
  bool ok = WriteChildren(ole, root, error);
  if (!gsf_output_close(GSF_OUTPUT(ole)) && ok) {
    error = "cannot finish the package";
    ok = false;
  }
  g_object_unref(ole);
  if (ok) {
    const std::span<const std::uint8_t> bytes(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink)),
                                              static_cast<std::size_t>(gsf_output_size(sink)));
    ok = files::AtomicFileWriter::Write(path, bytes, error);
  }
  g_object_unref(sink);
  return ok;
}

}  // namespace zel::zelpack
