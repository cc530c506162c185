// Writes the two 32 x 32, 16-colour icons of the screen saver:
//   dialog.ico   a framed landscape with an arrow (settings dialog)
//   program.ico  a monitor with a picture sliding across it (program itself)
//
//   make_icons <output folder>
//
// The artwork is kept as character grids so it can be edited by eye. Each
// character names one colour of the standard 16-colour VGA palette; '.' is
// transparent.

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

constexpr int Size = 32;
using Art = std::array<std::string_view, Size>;

// Standard VGA order, so the indices match what every 16-colour display expects.
constexpr std::array<std::uint32_t, 16> Palette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xc0c0c0,
    0x808080, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff};

// One key per palette entry, in palette order.
constexpr std::string_view Keys = "KmgonptsdrlybMcw";

constexpr Art DialogArt = {
    "................................", "................................",
    "................................", "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    ".KyyyyyyyyyyyyyyyyyyyyyyyyyyyyK.", ".KyooooooooooooooooooooooooooyK.",
    ".KyoKKKKKKKKKKKKKKKKKKKKKKKKoyK.", ".KyoKccccccccccccccccccccccKoyK.",
    ".KyoKcccccccccccccccyyyycccKoyK.", ".KyoKccccwwwcccccccyyyyyyccKoyK.",
    ".KyoKcccwwwwwccccccyyyyyyccKoyK.", ".KyoKccccccccccccccyyyyyyccKoyK.",
    ".KyoKcccccccccccccccyyyycccKoyK.", ".KyoKccccccccccccccccccccccKoyK.",
    ".KyoKcccccgccccccccccccccccKoyK.", ".KyoKccccgggcccccccccccgcccKoyK.",
    ".KyoKcccgggggcccccccccgggccKoyK.", ".KyoKccgggggggccccccgggggccKoyK.",
    ".KyoKcggggggggggccggggggggcKoyK.", ".KyoKggggggggggggggggggggggKoyK.",
    ".KyoKgggllgggggggggggggllggKoyK.", ".KyoKgggggggggggllgggggggggKoyK.",
    ".KyoKgllgggggggggggggggggggKoyK.", ".KyoKggggggggggggggggggggggKoyK.",
    ".KyoKggggggggglggggggggggggKoyK.", ".KyoKKKKKKKKKKKKKKKKKKKKKKKKoyK.",
    ".KyooooooooooooooooooooooooooyK.", ".KyyyyyyyyyyyyyyyyyyyyyyyyyyyyK.",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..", "................................",
    "................................", "................................",
};

// Drawn over the dialog picture; '.' keeps what is underneath.
constexpr int ArrowLeft = 16, ArrowTop = 18;
constexpr std::array<std::string_view, 13> ArrowArt = {
    ".........K......", ".........KK.....", ".........KrK....", "KKKKKKKKKKrrK...",
    "KyyyyyyyyyyrrK..", "KrrrrrrrrrrrrrK.", "KrrrrrrrrrrrrrrK", "KrrrrrrrrrrrrrK.",
    "KmmmmmmmmmmmmK..", "KKKKKKKKKKmmK...", ".........KmK....", ".........KK.....",
    ".........K......",
};

constexpr Art ProgramArt = {
    "................................", "................................",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..", ".KwwwwwwwwwwwwwwwwwwwwwwwwwwwsK.",
    ".KwssssssssssssssssssssssssssdK.", ".KwsKKKKKKKKKKKKKKKKKKKKKKKKsdK.",
    ".KwsKKKKKKKKKKKKKKKKKKKKKKKKsdK.", ".KwsKKKKKKKKKKwwwwwwwwwwwwKKsdK.",
    ".KwsKKKKKKKKKKwccccccyyccwKKsdK.", ".KwsKKKddddKKKwcccccyyyycwKKsdK.",
    ".KwsKKKKKKKKKKwccccccyyccwKKsdK.", ".KwsKsssssssKKwccgcccccccwKKsdK.",
    ".KwsKKKKKKKKKKwcgggcccgccwKKsdK.", ".KwsKKddddddKKwggggggggggwKKsdK.",
    ".KwsKKKKKKKKKKwgglggggllgwKKsdK.", ".KwsKKKKssssKKwggggggggggwKKsdK.",
    ".KwsKKKKKKKKKKwlgggglggggwKKsdK.", ".KwsKKKKKKKKKKwwwwwwwwwwwwKKsdK.",
    ".KwsKKKKKKKKKKKKKKKKKKKKKKKKsdK.", ".KwsKKKKKKKKKKKKKKKKKKKKKKKKsdK.",
    ".KwsKKKKKKKKKKKKKKKKKKKKKKKKsdK.", ".KwssssssssssssssssssssssslssdK.",
    ".KddddddddddddddddddddddddddddK.", "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "............KsssssdK............", "............KsssssdK............",
    "........KwwwwwwwwwwwwwwK........", ".......KssssssssssssssssK.......",
    ".......KddddddddddddddddK.......", "........KKKKKKKKKKKKKKKK........",
    "................................", "................................",
};

// Palette index per pixel; -1 marks a transparent pixel.
using Pixels = std::array<std::array<int, Size>, Size>;

int colourOf(char key) {
  if (key == '.') return -1;
  const auto i = Keys.find(key);
  if (i == std::string_view::npos)
    throw std::runtime_error(std::string("unknown colour key '") + key + "'");
  return static_cast<int>(i);
}

Pixels decode(const Art& art) {
  Pixels px{};
  for (int y = 0; y < Size; ++y) {
    if (art[y].size() != Size)
      throw std::runtime_error("art row " + std::to_string(y) + " is not 32 wide");
    for (int x = 0; x < Size; ++x) px[y][x] = colourOf(art[y][x]);
  }
  return px;
}

template <std::size_t Rows>
void overlay(Pixels& px, const std::array<std::string_view, Rows>& art, int left, int top) {
  for (std::size_t r = 0; r < Rows; ++r)
    for (std::size_t c = 0; c < art[r].size(); ++c)
      if (art[r][c] != '.') px[top + r][left + c] = colourOf(art[r][c]);
}

void put8(std::string& s, std::uint32_t v) {
  s += static_cast<char>(v & 0xff);
}
void put16(std::string& s, std::uint32_t v) {
  put8(s, v);
  put8(s, v >> 8);
}
void put32(std::string& s, std::uint32_t v) {
  put16(s, v);
  put16(s, v >> 16);
}

// One-image .ico: directory, entry, then a DIB whose height counts the
// colour bitmap and the transparency mask together.
std::string encodeIco(const Pixels& px) {
  constexpr std::uint32_t xorBytes = Size * Size / 2, andBytes = Size * Size / 8;
  constexpr std::uint32_t dibBytes = 40 + 16 * 4 + xorBytes + andBytes;
  std::string s;
  put16(s, 0);
  put16(s, 1);  // type: icon
  put16(s, 1);  // one image
  put8(s, Size);
  put8(s, Size);
  put8(s, 16);  // colours
  put8(s, 0);
  put16(s, 1);  // planes
  put16(s, 4);  // bits per pixel
  put32(s, dibBytes);
  put32(s, 6 + 16);  // image follows the single directory entry
  put32(s, 40);
  put32(s, Size);
  put32(s, Size * 2);
  put16(s, 1);
  put16(s, 4);
  put32(s, 0);
  put32(s, xorBytes + andBytes);
  for (int i = 0; i < 4; ++i) put32(s, 0);
  for (std::uint32_t rgb : Palette) {
    put8(s, rgb);
    put8(s, rgb >> 8);
    put8(s, rgb >> 16);
    put8(s, 0);
  }
  // Rows are stored bottom-up; transparent pixels are black in the colour part.
  for (int y = Size - 1; y >= 0; --y)
    for (int x = 0; x < Size; x += 2)
      put8(s, (std::max(px[y][x], 0) << 4) | std::max(px[y][x + 1], 0));
  for (int y = Size - 1; y >= 0; --y)
    for (int x = 0; x < Size; x += 8) {
      std::uint32_t bits = 0;
      for (int b = 0; b < 8; ++b)
        if (px[y][x + b] < 0) bits |= 0x80u >> b;
      put8(s, bits);
    }
  return s;
}

bool writeFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::cerr << "make_icons: cannot write " << file << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_icons <output folder>\n";
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    Pixels dialog = decode(DialogArt);
    overlay(dialog, ArrowArt, ArrowLeft, ArrowTop);
    const bool ok = writeFile(dir / "dialog.ico", encodeIco(dialog)) &&
                    writeFile(dir / "program.ico", encodeIco(decode(ProgramArt)));
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "make_icons: " << e.what() << "\n";
    return 1;
  }
}
