#pragma once

// Which engine wrote a database (header byte 0x14) and what follows from it.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/format/layout_data_page.h"

namespace engine {

enum class Version { Jet3, Jet4, Ace12, Ace14, Ace15, Ace16, Ace17 };

struct Format {
  Version version = Version::Jet4;
  std::uint8_t versionByte = 1;

  bool isJet3() const { return version == Version::Jet3; }
  // ACE: the .accdb family.
  bool isAce() const { return version != Version::Jet3 && version != Version::Jet4; }
  std::uint32_t pageSize() const;
  // Human-readable, e.g. "Jet 4 (Access 2000-2003)".
  std::string name() const;

  // Data page and row geometry.
  std::size_t dataHeaderSize() const {
    return isJet3() ? layout::data_page::kHeaderSizeJet3 : layout::data_page::kHeaderSizeJet4;
  }
  std::size_t dataRowCountOffset() const {
    return isJet3() ? layout::data_page::kRowCountJet3 : layout::data_page::kRowCountJet4;
  }
  std::size_t rowColumnCountSize() const { return isJet3() ? 1 : 2; }

  // The format for header byte 0x14, or nothing when the byte is unknown.
  static std::optional<Format> fromVersionByte(std::uint8_t byte);
};

}  // namespace engine
