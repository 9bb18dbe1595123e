#pragma once

#include "engine/base/internal.h"

// Index pages (docs/file-format.md, Index pages): sorted leaf entries packed onto leaf pages, with
// levels of node pages above them until one root page remains. As in Access-made files, a node page
// has an entry for each child but its last, which it names as its "tail" page instead.

#include <cstdint>
#include <vector>

#include "engine/create/page_file.h"
#include "engine/format/byte_order.h"
#include "engine/format/index_page.h"

namespace engine::create {

struct WrittenIndex {
  std::uint32_t rootPage = 0;
  std::vector<std::uint32_t> pages;  // every page of the index, for its usage map
};

// Writes the pages of an index whose leaf entries are `entries`, in ascending order.
WrittenIndex writeIndexPages(PageFile& file, std::uint32_t owner,
                             const std::vector<Bytes>& entries);

}  // namespace engine::create
