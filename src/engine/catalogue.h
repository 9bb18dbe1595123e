#pragma once

// The catalogue (MSysObjects, docs/file-format.md, Catalogue): every object of the database.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/row.h"

namespace engine {

namespace object_type {
inline constexpr std::int16_t kLocalTable = 1;
inline constexpr std::int16_t kDatabase = 2;
inline constexpr std::int16_t kContainer = 3;
inline constexpr std::int16_t kLinkedOdbc = 4;
inline constexpr std::int16_t kQuery = 5;
inline constexpr std::int16_t kLinkedTable = 6;
inline constexpr std::int16_t kRelationship = 8;
}  // namespace object_type

// Containers ("Tables", "Databases", ...) are children of this id.
inline constexpr std::int32_t kRootContainerId = 0x0F000000;

namespace object_flags {
inline constexpr std::uint32_t kEngineSystem = 0x80000000u;
inline constexpr std::uint32_t kAccessSystem = 0x00000002u;
inline constexpr std::uint32_t kSystemMask = kEngineSystem | kAccessSystem;
inline constexpr std::uint32_t kHidden = 0x00000008u;
inline constexpr std::uint32_t kQueryKindMask = 0xF0u;
}  // namespace object_flags

struct CatalogueEntry {
  std::u16string name;
  std::int32_t id = 0;
  std::int32_t parentId = 0;
  std::int16_t type = 0;
  std::int32_t flags = 0;
  // Linked tables only (empty otherwise).
  std::u16string foreignName;
  std::u16string database;
  std::u16string connect;
  bool hasForeignName = false, hasDatabase = false, hasConnect = false;
  // The MSysObjects row: its identity and where its bytes are stored.
  RowId row;
  RowId storedAt;

  [[nodiscard]] bool isSystem() const;  // Flags & 0x80000002
  bool isHidden() const;                // Flags & 0x8
  [[nodiscard]] bool isLinked() const;  // Type 4 or 6
  bool isQuery() const;                 // Type 5
  int queryKind() const;                // Flags & 0xF0
  // For local tables, the first TDEF page (low 24 bits of the id).
  std::uint32_t definitionPage() const { return static_cast<std::uint32_t>(id) & 0x00FFFFFFu; }
};

}  // namespace engine
