#pragma once

#include "engine/base/internal.h"

// Reading a usage map (docs/file-format.md, Usage maps) through the one
// usage-map model: the sorted list of pages whose bit is set.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/format.h"
#include "engine/pager/pager.h"

namespace engine {

// `pointer` is the 4-byte map pointer (row byte, 24-bit page). A set bit for
// a page beyond the end of the file is damage (a truncated file). Throws Error::damaged on
// malformed maps.
std::vector<std::uint32_t> readUsageMap(Pager& pager, const Format& format, std::uint32_t pointer);

// The last `limit` pages of the map, highest first. Reads the map from its
// end and stops there, so that finding a page near the end costs the same
// in a small file and a large one.
std::vector<std::uint32_t> readLastPagesOfUsageMap(Pager& pager, const Format& format,
                                                   std::uint32_t pointer, std::size_t limit);

}  // namespace engine
