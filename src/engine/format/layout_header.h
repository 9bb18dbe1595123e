#pragma once

#include "engine/base/internal.h"

// Layout of the header page (page 0) of an Access database, as described in docs/file-format.md,
// Header page. Offsets are absolute within page 0.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace engine::layout::header {

// Byte 1 holds this on every file.
inline constexpr std::size_t kPageTag = 0x01;
inline constexpr std::uint8_t kPageTagValue = 0x01;

inline constexpr std::size_t kEngineName = 0x04;
inline constexpr std::size_t kEngineNameLength = 16;
// The engine names a file carries: the format's magic text.
inline constexpr std::string_view kEngineNameJet = "Standard Jet DB";
inline constexpr std::string_view kEngineNameAce = "Standard ACE DB";
inline constexpr std::size_t kVersion = 0x14;

// The obfuscated region starts here and spans 126 (Jet 3) or 128 bytes.
inline constexpr std::size_t kObfuscatedStart = 0x18;
inline constexpr std::size_t kObfuscatedLengthJet3 = 126;
inline constexpr std::size_t kObfuscatedLengthJet4 = 128;
// RC4 key of the header obfuscation.
inline constexpr std::array<std::uint8_t, 4> kObfuscationKey{0xC7, 0xDA, 0x39, 0x6B};

inline constexpr std::size_t kSortOrderJet3 = 0x3A;
inline constexpr std::size_t kCodePage = 0x3C;
inline constexpr std::size_t kEncodingKey = 0x3E;
inline constexpr std::size_t kPassword = 0x42;
inline constexpr std::size_t kPasswordLengthJet3 = 20;
inline constexpr std::size_t kPasswordLengthJet4 = 40;
inline constexpr std::size_t kSortOrderJet4 = 0x6E;
inline constexpr std::size_t kSortVersionJet4 = 0x71;
inline constexpr std::size_t kCreationDate = 0x72;
// In clear after the obfuscated region, constants every Access-made Jet 4
// and ACE file carries: a 32-bit value, the text "4.0" with its NUL, and
// from kPairsStart to the end of the page byte pairs 00 01, except that the
// first two pairs are 01 01.
inline constexpr std::size_t kClearValue = 0x98;
inline constexpr std::uint32_t kClearValueJet4 = 0x0654;
inline constexpr std::size_t kRelease = 0x9C;
inline constexpr std::string_view kReleaseJet4 = "4.0";
inline constexpr std::size_t kPairsStart = 0xE00;
// ACE: length-prefixed encryption provider blob (only with a non-zero key).
inline constexpr std::size_t kEncryptionProvider = 0x299;

// Byte 0x14 values.
inline constexpr std::uint8_t kVersionJet3 = 0x00;
inline constexpr std::uint8_t kVersionJet4 = 0x01;
inline constexpr std::uint8_t kVersionAce12 = 0x02;
inline constexpr std::uint8_t kVersionAce14 = 0x03;
inline constexpr std::uint8_t kVersionAce15 = 0x04;
inline constexpr std::uint8_t kVersionAce16 = 0x05;
inline constexpr std::uint8_t kVersionAce17 = 0x06;

// Code page 1252 (Western European): the code page of every known file.
inline constexpr std::uint16_t kCodePageWestern = 1252;
// Sort order LCID of "General" (also in text column descriptors, docs/file-format.md, Table
// definition).
inline constexpr std::uint16_t kSortOrderGeneral = 1033;
// The Jet 4 password field holds at most this many UTF-16 characters.
inline constexpr std::size_t kMaxPasswordCharacters = kPasswordLengthJet4 / 2;

// Access stops a database file at 2 GB.
inline constexpr std::uint64_t kLargestFile = std::uint64_t{1} << 31;
inline constexpr std::uint32_t kPageSizeJet3 = 2048;
inline constexpr std::uint32_t kPageSizeJet4 = 4096;

}  // namespace engine::layout::header
