#pragma once

// The records of a table as the engine, mdb-export and mdb-reader list them,
// for the tests that compare the three (the tests that need Qt).

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace readerlisting {

// Records by Id (column 0) with their texts, as the engine and both other
// readers list them. A record listed twice shows in `duplicates`.
struct Listing {
  std::map<std::string, std::vector<std::string>> records;
  std::vector<std::string> duplicates;
  void add(const std::string& id, std::vector<std::string> texts) {
    if (!records.emplace(id, std::move(texts)).second) duplicates.push_back(id);
  }
};

Listing engineListing(const std::filesystem::path& path, const std::u16string& table);
Listing exportListing(const std::filesystem::path& path, const std::string& table);
Listing readerListing(const std::filesystem::path& path, const std::string& table);

// The engine and, where installed, mdb-export and mdb-reader list every
// record once with the same texts.
void expectReadersAgree(const std::filesystem::path& path, const std::u16string& table);

}  // namespace readerlisting
