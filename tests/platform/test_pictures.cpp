// The pictures as Setup.exe loads them: every picture of the program
// expanded from its resource, in the size drawn for its dpi, and refused
// when its stream is cut. Also the deflate expander, on streams of each
// block kind and on damaged ones.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/lzma2_decoder.h"
#include "platform/inflate.h"
#include "platform/picture.h"
#include "resources/resource_ids.h"

namespace {

// "hello" in a stored block, and a repeated greeting in a block with the
// fixed codes and back references (as zlib writes them).
const unsigned char kStored[] = {0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e', 'l', 'l', 'o'};
const unsigned char kFixed[] = {0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0x57, 0xc8, 0x40, 0x27, 0x15, 0x01};
const char kGreeting[] = "hello hello hello hello!";

std::string Expand(const unsigned char* in, std::size_t size, std::size_t outSize, bool* ok, bool lzma2 = false) {
  // Guard bytes after the output show any write past its end.
  std::vector<unsigned char> out(outSize + 16, 0xA5);
  *ok = lzma2 ? DecodeLzma2(in, size, out.data(), outSize) : Inflate(in, size, out.data(), outSize);
  for (std::size_t index = outSize; index < out.size(); ++index) EXPECT_EQ(out[index], 0xA5) << "written past the end";
  return std::string(out.begin(), out.begin() + outSize);
}

TEST(Inflate, StoredAndFixedBlocksAndEveryDamage) {
  bool ok = false;
  EXPECT_EQ(Expand(kStored, sizeof kStored, 5, &ok), "hello");
  EXPECT_TRUE(ok);
  const std::size_t greeting = std::strlen(kGreeting);
  EXPECT_EQ(Expand(kFixed, sizeof kFixed, greeting, &ok), kGreeting);
  EXPECT_TRUE(ok);

  // Room for one byte less or more than the stream gives is refused.
  Expand(kFixed, sizeof kFixed, greeting - 1, &ok);
  EXPECT_FALSE(ok);
  Expand(kFixed, sizeof kFixed, greeting + 1, &ok);
  EXPECT_FALSE(ok);
  // So is every stream cut short.
  for (std::size_t cut = 0; cut < sizeof kFixed; ++cut) {
    Expand(kFixed, cut, greeting, &ok);
    EXPECT_FALSE(ok) << cut;
  }
  for (std::size_t cut = 0; cut < sizeof kStored; ++cut) {
    Expand(kStored, cut, 5, &ok);
    EXPECT_FALSE(ok) << cut;
  }
  // A stored block whose length check does not match, and the reserved
  // block type.
  unsigned char badLength[sizeof kStored];
  std::memcpy(badLength, kStored, sizeof kStored);
  badLength[3] = 0xFB;
  Expand(badLength, sizeof badLength, 5, &ok);
  EXPECT_FALSE(ok);
  const unsigned char reserved[] = {0x07, 0x00};
  Expand(reserved, sizeof reserved, 1, &ok);
  EXPECT_FALSE(ok);
}

struct PictureSize {
  WORD id;
  int width;
  int height;
  bool white;  // the corner pictures stand on white; the side picture on deep blue
};

const PictureSize kPictures[] = {
    {IDB_WIZARD, 115, 240, false},    {IDB_WIZARD_150, 172, 360, false}, {IDB_WIZARD_200, 230, 480, false},
    {IDB_CORNER, 191, 90, true},      {IDB_CORNER_150, 286, 135, true},  {IDB_CORNER_200, 382, 180, true},
};

// The picture's packed colour table and rows, as the resource holds them.
std::vector<unsigned char> Stream(WORD id, BITMAPINFOHEADER& header) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  if (!found) return {};
  const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
  std::memcpy(&header, data, sizeof header);
  return std::vector<unsigned char>(data + sizeof header, data + SizeofResource(module, found));
}

TEST(Pictures, EveryPictureExpandsToItsSizeAndItsColours) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  for (const PictureSize& expected : kPictures) {
    GdiObject picture = LoadPicture(GetModuleHandleA(nullptr), expected.id);
    ASSERT_TRUE(picture) << expected.id;
    BITMAP info = {};
    ASSERT_TRUE(GetObjectA(picture.get(), sizeof info, &info));
    EXPECT_EQ(info.bmWidth, expected.width) << expected.id;
    EXPECT_EQ(info.bmHeight, expected.height) << expected.id;

    HGDIOBJ old = SelectObject(memory, picture.get());
    const COLORREF top = GetPixel(memory, 0, 0);
    const COLORREF bottomRight = GetPixel(memory, expected.width - 1, expected.height - 1);
    SelectObject(memory, old);
    if (expected.white) {
      EXPECT_EQ(top, RGB(255, 255, 255)) << expected.id;
      EXPECT_EQ(bottomRight, RGB(255, 255, 255)) << expected.id;
    } else {
      // Deep blue at the top fading to light blue at the bottom.
      EXPECT_EQ(GetRValue(top) + GetGValue(top), 0) << expected.id;
      EXPECT_LT(GetBValue(top), 128) << expected.id;
      EXPECT_GT(GetBValue(bottomRight), 200) << expected.id;
      EXPECT_GT(GetBValue(bottomRight), GetRValue(bottomRight)) << expected.id;
    }

    // Any cut of the stream is refused without a write past the rows.
    BITMAPINFOHEADER header = {};
    const std::vector<unsigned char> stream = Stream(expected.id, header);
    ASSERT_FALSE(stream.empty());
    bool ok = false;
    const std::size_t expanded = header.biClrUsed * sizeof(RGBQUAD) + header.biSizeImage;
    for (std::size_t cut = 0; cut < stream.size(); cut += 7) {
      Expand(stream.data(), cut, expanded, &ok, true);
      EXPECT_FALSE(ok) << expected.id << " cut at " << cut;
    }
    Expand(stream.data(), stream.size(), expanded, &ok, true);
    EXPECT_TRUE(ok) << expected.id;
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  EXPECT_FALSE(LoadPicture(GetModuleHandleA(nullptr), 9999));
}

}  // namespace
