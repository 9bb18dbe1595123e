#include "engine/file.h"

#include <cstring>

#include "engine/error.h"

namespace engine {
namespace {

class MemoryFile final : public File {
 public:
  MemoryFile(std::vector<std::uint8_t> bytes, std::string name)
      : bytes_(std::move(bytes)), path_(std::move(name)) {}
  const std::string& path() const override { return path_; }
  std::uint64_t size() const override { return bytes_.size(); }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
      throw Error::ioError(path_, "reading", "the file ended early");
    std::memcpy(out.data(), bytes_.data() + offset, out.size());
  }
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (offset + data.size() > bytes_.size()) bytes_.resize(offset + data.size());
    std::memcpy(bytes_.data() + offset, data.data(), data.size());
  }
  void sync() override {}
  void truncate(std::uint64_t size) override { bytes_.resize(size); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::string path_;
};

}  // namespace

void File::truncate(std::uint64_t) {
  throw Error::unsupported(path(), "shortening this kind of file");
}

std::unique_ptr<File> makeMemoryFile(std::vector<std::uint8_t> bytes, std::string name) {
  return std::make_unique<MemoryFile>(std::move(bytes), std::move(name));
}

}  // namespace engine
