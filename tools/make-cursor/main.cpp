// Writes the program's hand pointer, HAND-M.CUR: a 32 by 32 cursor file with
// one 32-bit image and its mask, the hot spot at the tip of the finger.
//
//   caseloom-make-cursor OUTPUT.CUR

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kLeft = 8;  // where the drawing below sits in the 32 by 32 image
constexpr int kTop = 2;

// 'X' outline, '.' fill, anything else transparent. The tip of the finger is
// the top of the first column of fill.
// clang-format off
constexpr std::array<std::string_view, 20> kHand = {
    "     XX",
    "    X..X",
    "    X..X",
    "    X..X",
    "    X..X",
    "    X..XXX",
    "    X..X..XXX",
    "    X..X..X..XX",
    "    X..X..X..X.X",
    " XX X..X..X..X..X",
    "X..XX...........X",
    "X...X...........X",
    " X..............X",
    "  X.............X",
    "  X............X",
    "   X...........X",
    "   X..........X",
    "    X.........X",
    "    X.........X",
    "    XXXXXXXXXXX",
};
// clang-format on
constexpr int kHotX = kLeft + 5;
constexpr int kHotY = kTop;

class Writer {
 public:
  void u8(unsigned value) { bytes.push_back(static_cast<std::uint8_t>(value)); }
  void u16(unsigned value) {
    u8(value & 0xFF);
    u8(value >> 8);
  }
  void u32(std::uint32_t value) {
    u16(value & 0xFFFF);
    u16(value >> 16);
  }
  std::vector<std::uint8_t> bytes;
};

char pixelAt(int x, int y) {
  const int row = y - kTop;
  const int column = x - kLeft;
  if (row < 0 || row >= static_cast<int>(kHand.size()) || column < 0) return ' ';
  const std::string_view line = kHand[row];
  return column < static_cast<int>(line.size()) ? line[column] : ' ';
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: caseloom-make-cursor OUTPUT.CUR\n");
    return 2;
  }
  constexpr int kHeaderSize = 40;
  constexpr int kColourBytes = kSize * kSize * 4;
  constexpr int kMaskBytes = kSize * (kSize / 8);  // rows of 4 bytes: no padding needed
  constexpr int kImageOffset = 6 + 16;

  Writer out;
  // Icon directory of type 2 (cursor) with one entry.
  out.u16(0);
  out.u16(2);
  out.u16(1);
  out.u8(kSize);
  out.u8(kSize);
  out.u8(0);  // no palette
  out.u8(0);
  out.u16(kHotX);
  out.u16(kHotY);
  out.u32(kHeaderSize + kColourBytes + kMaskBytes);
  out.u32(kImageOffset);
  // Device-independent bitmap: the height counts the colour image and the mask.
  out.u32(kHeaderSize);
  out.u32(kSize);
  out.u32(kSize * 2);
  out.u16(1);
  out.u16(32);
  out.u32(0);  // uncompressed
  out.u32(kColourBytes + kMaskBytes);
  out.u32(0);
  out.u32(0);
  out.u32(0);
  out.u32(0);
  // Rows run bottom-up; pixels are blue, green, red, alpha.
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; ++x) {
      const char p = pixelAt(x, y);
      const unsigned grey = p == '.' ? 255 : 0;
      const unsigned alpha = (p == '.' || p == 'X') ? 255 : 0;
      out.u8(grey);
      out.u8(grey);
      out.u8(grey);
      out.u8(alpha);
    }
  // The mask: a set bit leaves the screen as it is.
  for (int y = kSize - 1; y >= 0; --y)
    for (int byte = 0; byte < kSize / 8; ++byte) {
      unsigned bits = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const char p = pixelAt(byte * 8 + bit, y);
        if (p != '.' && p != 'X') bits |= 0x80u >> bit;
      }
      out.u8(bits);
    }

  std::ofstream file(argv[1], std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.bytes.data()),
             static_cast<std::streamsize>(out.bytes.size()));
  if (!file.flush()) {
    std::fprintf(stderr, "caseloom-make-cursor: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
