#include "engine/format.h"

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"

namespace engine {

namespace h = layout::header;

std::uint32_t Format::pageSize() const { return isJet3() ? h::kPageSizeJet3 : h::kPageSizeJet4; }

std::size_t Format::dataHeaderSize() const {
  return isJet3() ? layout::data_page::kHeaderSizeJet3 : layout::data_page::kHeaderSizeJet4;
}

std::size_t Format::dataRowCountOffset() const {
  return isJet3() ? layout::data_page::kRowCountJet3 : layout::data_page::kRowCountJet4;
}

std::string Format::name() const {
  switch (version) {
    case Version::Jet3:
      return "Jet 3 (Access 97)";
    case Version::Jet4:
      return "Jet 4 (Access 2000-2003)";
    case Version::Ace12:
      return "ACE 12 (Access 2007)";
    case Version::Ace14:
      return "ACE 14 (Access 2010)";
    case Version::Ace15:
      return "ACE 15 (Access 2013)";
    case Version::Ace16:
      return "ACE 16 (Access 2016)";
    case Version::Ace17:
      return "ACE 17 (Access 2019)";
  }
  return "unknown";
}

std::optional<Format> Format::fromVersionByte(std::uint8_t byte) {
  switch (byte) {
    case h::kVersionJet3:
      return Format{Version::Jet3, byte};
    case h::kVersionJet4:
      return Format{Version::Jet4, byte};
    case h::kVersionAce12:
      return Format{Version::Ace12, byte};
    case h::kVersionAce14:
      return Format{Version::Ace14, byte};
    case h::kVersionAce15:
      return Format{Version::Ace15, byte};
    case h::kVersionAce16:
      return Format{Version::Ace16, byte};
    case h::kVersionAce17:
      return Format{Version::Ace17, byte};
    default:
      return std::nullopt;
  }
}

}  // namespace engine
