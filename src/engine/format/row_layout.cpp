#include "engine/format/row_layout.h"

#include <algorithm>

namespace engine::row_layout {

std::size_t columnCount(std::span<const std::uint8_t> row, const Format& format) {
  return format.rowColumnCountSize() == 1 ? row[0] : readU16(row, 0);
}

Fault readVariableOffsets(std::span<const std::uint8_t> row, const Format& format,
                          std::size_t maskLength, std::vector<std::size_t>& offsets) {
  const std::size_t length = row.size();
  const std::size_t m = maskLength;
  if (format.isJet3()) {
    if (length < m + 1) return Fault::noVariableCount;
    const std::size_t v = row[length - m - 1];
    const std::size_t jumps = (length - 1) / 256;
    if (length < m + jumps + 2 + v) return Fault::offsetTableOverflows;
    const std::size_t entry0 = length - m - jumps - 2;
    // The last jump byte may be a filler, still counted in the positions.
    std::size_t usable = jumps;
    if ((entry0 - v) / 256 < jumps) --usable;
    std::size_t used = 0;
    offsets.reserve(offsets.size() + v + 1);
    for (std::size_t i = 0; i <= v; ++i) {
      while (used < usable && i == row[length - m - 2 - used]) ++used;
      offsets.push_back(row[entry0 - i] + 256 * used);
    }
  } else {
    if (length < m + 2) return Fault::noVariableCount;
    const std::size_t v = readU16(row, length - m - 2);
    if (length < m + 4 + 2 * v) return Fault::offsetTableOverflows;
    offsets.reserve(offsets.size() + v + 1);
    for (std::size_t k = 0; k <= v; ++k) offsets.push_back(readU16(row, length - m - 4 - 2 * k));
  }
  return Fault::none;
}

std::optional<Bytes> pack(const Format& format, std::span<const std::uint8_t> head,
                          std::span<const std::span<const std::uint8_t>> values,
                          std::span<const std::uint8_t> mask, std::size_t minimumLength,
                          std::string& why) {
  std::size_t dataEnd = head.size();
  for (const auto bytes : values) dataEnd += bytes.size();
  Bytes out;
  // Room for the longest trailer either format gives the row.
  out.reserve(std::max(dataEnd + 2 * values.size() + 4 + 2 * (dataEnd / 256 + 1) + mask.size(),
                       minimumLength));
  out.assign(head.begin(), head.end());
  std::vector<std::size_t> offsets;
  offsets.reserve(values.size() + 1);
  for (const auto bytes : values) {
    offsets.push_back(out.size());
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  const std::size_t end = out.size();
  offsets.push_back(end);
  const std::size_t v = values.size();
  const std::size_t m = mask.size();

  if (!format.isJet3()) {
    const std::size_t trailer = 2 + 2 * v + 2 + m;
    const std::size_t length = std::max(end + trailer, minimumLength);
    out.resize(length - trailer, 0);
    appendU16(out, static_cast<std::uint16_t>(end));
    for (std::size_t k = v; k-- > 0;) appendU16(out, static_cast<std::uint16_t>(offsets[k]));
    appendU16(out, static_cast<std::uint16_t>(v));
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
  }

  // Jet 3: one byte per offset; jump bytes mark where offsets pass each
  // multiple of 256. The jump count depends on the row length and the row
  // length on the jump count: settle both together.
  if (v > 255) return why = "the row has too many variable columns", std::nullopt;
  std::size_t jumps = 0, length = 0;
  for (;;) {
    length = std::max(end + (v + 1) + jumps + 1 + m, minimumLength);
    const std::size_t needed = (length - 1) / 256;
    if (needed == jumps) break;
    jumps = needed;
  }
  const std::size_t trailerStart = length - m - 1 - jumps - (v + 1);
  std::size_t usable = jumps;
  if (trailerStart / 256 < jumps) --usable;
  if (usable > 0 && trailerStart / 256 < usable)
    return why = "the row's jump table cannot be laid out", std::nullopt;
  out.resize(length, 0);
  // Entry i sits at length - m - jumps - 2 - i; entry v is the end of data.
  const std::size_t entry0 = length - m - jumps - 2;
  for (std::size_t i = 0; i <= v; ++i)
    out[entry0 - i] = static_cast<std::uint8_t>(offsets[i] & 0xFF);
  for (std::size_t j = 0; j < jumps; ++j) {
    std::uint8_t first = 0xFF;
    if (j < usable) {
      // No entry may reach this boundary (padding): a value no entry has.
      if (v + 1 > 0xFF) return why = "the row's jump table cannot be laid out", std::nullopt;
      first = static_cast<std::uint8_t>(v + 1);
      for (std::size_t i = 0; i <= v; ++i)
        if (offsets[i] >= 256 * (j + 1)) {
          first = static_cast<std::uint8_t>(i);
          break;
        }
    }
    out[length - m - 2 - j] = first;
  }
  out[length - m - 1] = static_cast<std::uint8_t>(v);
  std::copy(mask.begin(), mask.end(), out.end() - static_cast<std::ptrdiff_t>(m));
  return out;
}

Bytes packFixed(std::span<const std::uint8_t> head, std::span<const std::uint8_t> mask) {
  Bytes out(head.begin(), head.end());
  out.insert(out.end(), mask.begin(), mask.end());
  return out;
}

}  // namespace engine::row_layout
