#include "platform/picture.h"

#include <cstring>
#include <memory>
#include <new>

#include "payload/lzma2_decoder.h"

namespace {

// Larger than any picture of ours; a header that claims more is damaged.
constexpr LONG kLargestSide = 4096;

DWORD RowBytes(LONG width, WORD bitsPerPixel) { return ((static_cast<DWORD>(width) * bitsPerPixel + 31) / 32) * 4; }

}  // namespace

GdiObject LoadPicture(HINSTANCE instance, WORD id) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!found) return GdiObject();
  const DWORD size = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  const auto* data = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
  BITMAPINFOHEADER header;
  if (!data || size < sizeof header) return GdiObject();
  std::memcpy(&header, data, sizeof header);
  if (header.biSize != sizeof header || (header.biBitCount != 4 && header.biBitCount != 8) || header.biWidth <= 0 ||
      header.biHeight <= 0 || header.biWidth > kLargestSide || header.biHeight > kLargestSide ||
      header.biClrUsed > (1u << header.biBitCount) || header.biCompression != BI_RGB ||
      header.biSizeImage != RowBytes(header.biWidth, header.biBitCount) * static_cast<DWORD>(header.biHeight))
    return GdiObject();
  // Header, colour table and rows in one block: the first two make the
  // BITMAPINFO that CreateDIBitmap reads.
  const DWORD tableBytes = header.biClrUsed * sizeof(RGBQUAD);
  const DWORD total = sizeof header + tableBytes + header.biSizeImage;
  std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[total]);
  if (!block) return GdiObject();
  std::memcpy(block.get(), &header, sizeof header);
  if (!DecodeLzma2(data + sizeof header, size - sizeof header, block.get() + sizeof header,
                   tableBytes + header.biSizeImage))
    return GdiObject();

  HDC screen = GetDC(nullptr);
  if (!screen) return GdiObject();
  GdiObject picture(CreateDIBitmap(screen, &header, CBM_INIT, block.get() + sizeof header + tableBytes,
                                   reinterpret_cast<const BITMAPINFO*>(block.get()), DIB_RGB_COLORS));
  ReleaseDC(nullptr, screen);
  return picture;
}
