#include "support/shared_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace testsupport {

std::optional<std::filesystem::path> sharedDir() {
  std::filesystem::path dir;
  if (const char* env = std::getenv("CASELOOM_SHARED_DIR"); env && *env)
    dir = env;
  else
    dir = std::filesystem::path(CASELOOM_SOURCE_DIR).parent_path() / "shared";
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return dir;
  return std::nullopt;
}

std::optional<std::filesystem::path> corpusDir() {
  auto shared = sharedDir();
  if (!shared) return std::nullopt;
  auto dir = *shared / "corpus";
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return dir;
  return std::nullopt;
}

TempDir::TempDir() {
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("caseloom-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace testsupport
