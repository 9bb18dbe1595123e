#pragma once

#include "engine/base/internal.h"

// Layout of property blocks (MSysObjects.LvProp), docs/file-format.md, Property blocks.

#include <cstddef>
#include <cstdint>

namespace engine::layout::property_block {

inline constexpr char kSignatureJet3[4] = {'K', 'K', 'D', '\0'};
inline constexpr char kSignatureJet4[4] = {'M', 'R', '2', '\0'};
inline constexpr std::size_t kSignatureSize = 4;

// Each chunk: u32 length (including this header), u16 kind.
inline constexpr std::size_t kChunkHeaderSize = 6;
inline constexpr std::uint16_t kKindObject = 0x00;
inline constexpr std::uint16_t kKindColumn = 0x01;
inline constexpr std::uint16_t kKindNames = 0x80;

// Property entry: u16 length, u8 DDL flag, u8 type, u16 name index,
// u16 value length, value.
inline constexpr std::size_t kEntryHeaderSize = 8;

}  // namespace engine::layout::property_block
