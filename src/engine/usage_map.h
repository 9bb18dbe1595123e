#pragma once

// Reading a usage map (guide §2.3): the sorted list of pages whose bit is set.

#include <cstdint>
#include <vector>

#include "engine/format.h"
#include "engine/pager.h"

namespace engine {

// `pointer` is the 4-byte map pointer (row byte, 24-bit page). Pages outside
// the file are left out. Throws ado::Error::damaged on malformed maps.
std::vector<std::uint32_t> readUsageMap(Pager& pager, const Format& format, std::uint32_t pointer);

}  // namespace engine
