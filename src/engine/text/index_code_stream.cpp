#include "engine/text/index_code_stream.h"

namespace engine::index_code_stream {

std::optional<Record> nextInRun(const Record& r) {
  if (r.inlineLength == 0) return std::nullopt;
  Record next = r;
  for (std::size_t i = r.inlineLength; i-- > 0;) {
    if (++next.inlineBytes[i] != 0) return next;
  }
  return std::nullopt;
}

std::optional<std::vector<Record>> decode(std::span<const std::uint8_t> stream, std::size_t units) {
  std::vector<Record> records;
  records.reserve(units);
  std::size_t at = 0;
  while (at < stream.size()) {
    const std::uint8_t op = stream[at++];
    if (op & (kRepeatRun | kCountingRun)) {
      if (records.empty()) return std::nullopt;
      const std::size_t n = (op & (kMaxRun - 1)) + 1;
      for (std::size_t i = 0; i < n; ++i) {
        if (op & kCountingRun) {
          auto next = nextInRun(records.back());
          if (!next) return std::nullopt;
          records.push_back(*next);
        } else {
          records.push_back(records.back());
        }
      }
      continue;
    }
    if (op > static_cast<std::uint8_t>(Kind::LowSurrogate) || at >= stream.size())
      return std::nullopt;
    Record r;
    r.kind = static_cast<Kind>(op);
    r.inlineLength = stream[at] >> 4;
    r.extraLength = stream[at] & 0x0F;
    ++at;
    if (r.inlineLength > r.inlineBytes.size() || r.extraLength > r.extraBytes.size() ||
        at + r.inlineLength + r.extraLength + 1 > stream.size())
      return std::nullopt;
    for (std::size_t i = 0; i < r.inlineLength; ++i) r.inlineBytes[i] = stream[at++];
    for (std::size_t i = 0; i < r.extraLength; ++i) r.extraBytes[i] = stream[at++];
    r.other = stream[at++];
    records.push_back(r);
  }
  if (records.size() != units) return std::nullopt;
  return records;
}

}  // namespace engine::index_code_stream
