#pragma once

// Where the shared material (the corpus of real Access files) lies.
// Tests that need it call SKIP_WITHOUT_SHARED() and skip cleanly without it.

#include <filesystem>
#include <optional>

namespace testsupport {

// The shared folder: $CASELOOM_SHARED_DIR, else ../shared beside the checkout.
std::optional<std::filesystem::path> sharedDir();

// The corpus folder of real databases, when present.
std::optional<std::filesystem::path> corpusDir();

// A fresh empty folder under the system temporary folder, removed on scope exit.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport

#define SKIP_WITHOUT_CORPUS()                                          \
  do {                                                                 \
    if (!testsupport::corpusDir()) GTEST_SKIP() << "no shared corpus"; \
  } while (0)
