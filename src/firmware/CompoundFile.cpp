#include "firmware/CompoundFile.h"

#include "firmware/CompoundDirectoryCheck.h"

#include <gsf/gsf.h>

#include <cstring>
#include <fstream>
#include <mutex>

namespace zel::firmware {

namespace {

struct GObjectUnref {
  void operator()(void* object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
using InputPtr = std::unique_ptr<GsfInput, GObjectUnref>;
using InfilePtr = std::unique_ptr<GsfInfile, GObjectUnref>;

void Discard(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void InitialiseLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    gsf_init();
    // A damaged package makes the library complain on stderr, sometimes at length. The tool
    // reports a file it cannot read in its own words, so those complaints are dropped.
    const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL |
                                                    G_LOG_LEVEL_MESSAGE);
    for (const char* domain : {"libgsf:msole", "libgsf", static_cast<const char*>(nullptr)})
      g_log_set_handler(domain, levels, Discard, nullptr);
  });
}

bool SameNameIgnoringCase(const char* a, const std::string& b) {
  if (std::strlen(a) != b.size()) return false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A child is a storage when it is itself an infile that admits to having children; streams of
// a compound file answer -1.
bool IsStorage(GsfInput* child) {
  return child != nullptr && GSF_IS_INFILE(child) &&
         gsf_infile_num_children(GSF_INFILE(child)) >= 0;
}

// Index of the child called name: the exact spelling first, then any spelling.
int FindChild(GsfInfile* parent, const std::string& name) {
  const int count = gsf_infile_num_children(parent);
  int caseless = -1;
  for (int i = 0; i < count; ++i) {
    const char* childName = gsf_infile_name_by_index(parent, i);
    if (childName == nullptr) continue;
    if (name == childName) return i;
    if (caseless < 0 && SameNameIgnoringCase(childName, name)) caseless = i;
  }
  return caseless;
}

}  // namespace

struct CompoundFile::Impl {
  InfilePtr root;
  std::vector<std::uint8_t> image;  // backing store of OpenMemory

  bool Attach(GsfInput* source) {
    if (source == nullptr) return false;
    InputPtr input(source);
    GError* error = nullptr;
    GsfInfile* infile = gsf_infile_msole_new(input.get(), &error);
    if (error != nullptr) g_error_free(error);
    if (infile == nullptr) return false;
    root.reset(infile);
    return true;
  }

  // The storage at path with its own reference, or null.
  InfilePtr OpenStorage(const std::vector<std::string>& path) const {
    if (!root) return nullptr;
    g_object_ref(root.get());
    InfilePtr current(root.get());
    for (const std::string& component : path) {
      const int index = FindChild(current.get(), component);
      if (index < 0) return nullptr;
      InputPtr child(gsf_infile_child_by_index(current.get(), index));
      if (!IsStorage(child.get())) return nullptr;
      current.reset(GSF_INFILE(child.release()));
    }
    return current;
  }
};

CompoundFile::CompoundFile() : impl_(std::make_unique<Impl>()) {
  InitialiseLibrary();
}

CompoundFile::~CompoundFile() {
  Close();
}

bool CompoundFile::Open(const std::string& path) {
  Close();
  {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return false;
    const std::streamoff size = file.tellg();
    if (size < 0) return false;
    const CompoundByteSource read = [&](std::uint64_t offset, std::size_t count,
                                        std::uint8_t* out) {
      file.clear();
      file.seekg(static_cast<std::streamoff>(offset));
      file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
      return file.gcount() == static_cast<std::streamsize>(count);
    };
    if (!CompoundDirectoryCheck::IsSound(static_cast<std::uint64_t>(size), read)) return false;
  }
  GError* error = nullptr;
  GsfInput* input = gsf_input_stdio_new(path.c_str(), &error);
  if (error != nullptr) g_error_free(error);
  return impl_->Attach(input);
}

bool CompoundFile::OpenMemory(std::span<const std::uint8_t> bytes) {
  Close();
  const CompoundByteSource read = [&](std::uint64_t offset, std::size_t count, std::uint8_t* out) {
    if (offset > bytes.size() || count > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, count);
    return true;
  };
  if (!CompoundDirectoryCheck::IsSound(bytes.size(), read)) return false;
  impl_->image.assign(bytes.begin(), bytes.end());
  GsfInput* input =
      gsf_input_memory_new(impl_->image.data(), static_cast<gsf_off_t>(impl_->image.size()), FALSE);
  if (impl_->Attach(input)) return true;
  impl_->image.clear();
  return false;
}

void CompoundFile::Close() {
  impl_->root.reset();
  impl_->image.clear();
}

bool CompoundFile::IsOpen() const {
  return impl_->root != nullptr;
}

bool CompoundFile::List(const std::vector<std::string>& storagePath,
                        std::vector<CompoundElement>& elements) const {
  elements.clear();
  InfilePtr storage = impl_->OpenStorage(storagePath);
  if (!storage) return false;
  const int count = gsf_infile_num_children(storage.get());
  for (int i = 0; i < count; ++i) {
    const char* name = gsf_infile_name_by_index(storage.get(), i);
    if (name == nullptr) continue;
    InputPtr child(gsf_infile_child_by_index(storage.get(), i));
    // An element the library cannot open is neither a storage nor a stream worth reading.
    if (!child) continue;
    elements.push_back({name, IsStorage(child.get())});
  }
  return true;
}

bool CompoundFile::ReadStream(const std::vector<std::string>& storagePath, const std::string& name,
                              std::vector<std::uint8_t>& data, std::size_t maxBytes) const {
  data.clear();
  InfilePtr storage = impl_->OpenStorage(storagePath);
  if (!storage) return false;
  const int index = FindChild(storage.get(), name);
  if (index < 0) return false;
  InputPtr stream(gsf_infile_child_by_index(storage.get(), index));
  if (!stream || IsStorage(stream.get())) return false;
  const gsf_off_t size = gsf_input_size(stream.get());
  if (size < 0 || static_cast<std::uint64_t>(size) > maxBytes) return false;
  // Read in pieces so that a stream whose recorded size the sector chain cannot deliver ends in
  // a failed read instead of one large allocation.
  constexpr std::size_t kPiece = 4096;
  std::size_t left = static_cast<std::size_t>(size);
  while (left > 0) {
    const std::size_t piece = left < kPiece ? left : kPiece;
    const std::size_t at = data.size();
    data.resize(at + piece);
    if (gsf_input_read(stream.get(), piece, data.data() + at) == nullptr) {
      data.clear();
      return false;
    }
    left -= piece;
  }
  return true;
}

}  // namespace zel::firmware
