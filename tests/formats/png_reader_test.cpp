// The PNG reader of the WebAssembly build against libpng, on pictures that
// libpng writes in every colour type, bit depth and interlace.
#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <random>

#include "formats/png_reader.h"
#include "formats/screen_picture.h"

namespace zar {
namespace {

std::optional<std::string> ZlibInflate(std::string_view packed) {
  std::string out(1 << 20, '\0');
  uLongf size = out.size();
  const int status = uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                                reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size()));
  out.resize(size);
  return status == Z_OK ? std::optional(out) : std::nullopt;
}

void Append(png_structp s, png_bytep bytes, png_size_t n) {
  static_cast<std::string*>(png_get_io_ptr(s))->append(reinterpret_cast<char*>(bytes), n);
}

// A 256 x 256 picture of random samples, with a palette and tRNS as asked.
std::string WritePng(int colorType, int depth, int interlace, bool transparency, unsigned seed) {
  std::string png;
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  png_set_write_fn(p, &png, Append, nullptr);
  png_set_IHDR(p, info, 256, 256, depth, colorType, interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(p, 0, PNG_ALL_FILTERS);
  std::mt19937 random(seed);
  std::vector<png_color> palette(1u << std::min(depth, 8));
  std::vector<png_byte> alphas(palette.size() / 2);
  for (auto& c : palette)
    c = {static_cast<png_byte>(random()), static_cast<png_byte>(random()), static_cast<png_byte>(random())};
  for (auto& a : alphas) a = random() % 2 ? 255 : 0;
  png_color_16 key{0, 5, 7, 9, 5};
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(p, info, palette.data(), static_cast<int>(palette.size()));
  if (transparency) png_set_tRNS(p, info, alphas.data(), static_cast<int>(alphas.size()), &key);
  png_write_info(p, info);
  const int channels = png_get_channels(p, info);
  std::vector<png_byte> rows(256 * ((256 * channels * depth + 7) / 8));
  for (auto& b : rows) b = static_cast<png_byte>(random() % 16);  // small samples meet the tRNS key
  std::vector<png_bytep> pointers;
  for (std::size_t y = 0; y < 256; ++y) pointers.push_back(rows.data() + y * rows.size() / 256);
  for (int pass = png_set_interlace_handling(p); pass > 0; --pass) png_write_rows(p, pointers.data(), 256);
  png_write_end(p, info);
  png_destroy_write_struct(&p, &info);
  return png;
}

TEST(PngReader, ReadsAsLibpngDoesAndRefusesBrokenPictures) {
  struct Case {
    int colorType, depth;
    bool transparency;
  };
  // Partly transparent pixels and 16-bit samples go through linear light,
  // where libpng's tables round otherwise than the reader does: opaque and
  // wholly transparent pixels of 1 to 8 bits are compared.
  const Case cases[] = {{0, 1, false}, {0, 2, true}, {0, 4, false}, {0, 8, true}, {2, 8, true},
                        {2, 8, false}, {3, 1, true}, {3, 2, false}, {3, 4, true}, {3, 8, true}};
  for (const Case& c : cases) {
    for (const int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7}) {
      SCOPED_TRACE(testing::Message() << "colour type " << c.colorType << ", depth " << c.depth << ", interlace "
                                      << interlace << ", tRNS " << c.transparency);
      const std::string png = WritePng(c.colorType, c.depth, interlace, c.transparency, c.colorType * 100 + c.depth);
      std::vector<ColorValue> expected;
      std::string error;
      ASSERT_TRUE(ReadScreenPicture(png, expected, error)) << error;
      const auto picture = ReadPng(png, ZlibInflate, error);
      ASSERT_TRUE(picture) << error;
      ASSERT_EQ(picture->rgb.size(), expected.size() * 3);
      for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto* rgb = &picture->rgb[i * 3];
        const int e[] = {RedOf(expected[i]), GreenOf(expected[i]), BlueOf(expected[i])};
        for (int k = 0; k < 3; ++k) ASSERT_EQ(rgb[k], e[k]) << "pixel " << i % 256 << "," << i / 256;
      }
    }
  }
  // Broken pictures are refused.
  const std::string png = WritePng(2, 8, 0, false, 1);
  std::string error;
  for (const std::size_t cut : {std::size_t{7}, std::size_t{30}, png.size() / 2, png.size() - 13}) {
    EXPECT_FALSE(ReadPng(png.substr(0, cut), ZlibInflate, error)) << cut;
    EXPECT_NE(error.find("not a readable PNG picture"), std::string::npos) << error;
  }
  EXPECT_FALSE(ReadPng(
      png, [](std::string_view) { return std::optional<std::string>(); }, error));
  EXPECT_EQ(error, "not a readable PNG picture: its data do not inflate");
}

}  // namespace
}  // namespace zar
