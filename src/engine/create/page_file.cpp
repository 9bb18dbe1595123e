#include "engine/create/page_file.h"

#include <memory>
#include <string>

#include "engine/error.h"
#include "engine/format/layout_header.h"

namespace engine::create {

namespace h = layout::header;

std::uint32_t PageFile::allocate() {
  pages_.emplace_back(h::kPageSizeJet4, 0);
  return static_cast<std::uint32_t>(pages_.size() - 1);
}

std::span<std::uint8_t> PageFile::page(std::uint32_t number) { return pages_.at(number); }

void PageFile::writeTo(FileSystem& fs, const std::string& path, const PageCodec* codec) const {
  const std::string temporary = path + ".creating";
  try {
    {
      fs.remove(temporary);  // left by a creation that was cut off
      std::unique_ptr<File> file = fs.create(temporary, {});
      Bytes stored;
      std::uint64_t offset = 0;
      for (std::uint32_t number = 0; number < pages_.size(); ++number) {
        std::span<const std::uint8_t> page = pages_[number];
        if (codec && number != 0) {
          stored.assign(page.begin(), page.end());
          codec->encode(number, stored);
          page = stored;
        }
        file->write(offset, page);
        offset += page.size();
      }
      file->sync();
    }
    fs.replace(temporary, path);
  } catch (const Error& error) {
    // The first failure is the one to report; a half-written file is not
    // left behind when it can be helped.
    try {
      if (fs.exists(temporary)) fs.remove(temporary);
    } catch (const Error& cleanup) {
      reportError(cleanup);
    }
    throw Error::notCreated(path, error);
  }
}

}  // namespace engine::create
