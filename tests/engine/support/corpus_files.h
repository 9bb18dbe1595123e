#pragma once

// The corpus files, for the engine tests (their expected JSON: corpus_expected.h).

#include <filesystem>
#include <string>
#include <vector>

namespace enginetest {

// Names of the database files in the corpus that have an expected JSON
// (empty when there is no corpus).
std::vector<std::string> corpusFileNames();

std::filesystem::path corpusFile(const std::string& name);
// A copy of corpus file `name` in `folder` that its owner may change (the
// corpus itself is marked read-only).
std::filesystem::path writableCopy(const std::string& name, const std::filesystem::path& folder);

// The bytes of a file, and writing bytes to a file.
std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A gtest-friendly test name ("testV1997_mdb").
std::string testNameOf(const std::string& fileName);

}  // namespace enginetest
