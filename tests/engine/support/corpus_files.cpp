#include "engine/support/corpus_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/shared_dir.h"

namespace enginetest {

std::vector<std::string> corpusFileNames() {
  std::vector<std::string> names;
  auto dir = testsupport::corpusDir();
  if (!dir) return names;
  for (const auto& entry : std::filesystem::directory_iterator(*dir)) {
    auto ext = entry.path().extension();
    if (ext != ".mdb" && ext != ".accdb") continue;
    auto name = entry.path().filename().string();
    if (std::filesystem::exists(*dir / "expected" / (name + ".json"))) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::filesystem::path corpusFile(const std::string& name) {
  return *testsupport::corpusDir() / name;
}

std::filesystem::path writableCopy(const std::string& name, const std::filesystem::path& folder) {
  const auto copy = folder / name;
  std::filesystem::copy_file(corpusFile(name), copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write);
  return copy;
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::string testNameOf(const std::string& fileName) {
  std::string name = fileName;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

}  // namespace enginetest
