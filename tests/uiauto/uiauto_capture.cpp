// uiauto: pictures of the screen, for checking what a program painted and
// for screenshots.
#include "uiauto.h"

#include <cstdio>
#include <cstring>

#include "uiauto_internal.h"

namespace uiauto {

namespace {

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::string typed(type, 4);
  typed += data;
  out += typed;
  PutBigEndian(out, Crc32(reinterpret_cast<const unsigned char*>(typed.data()), typed.size()));
}

// A zlib stream of stored (uncompressed) blocks: larger files, but no
// compressor needed.
std::string StoredZlib(const std::string& raw) {
  std::string out("\x78\x01", 2);
  std::size_t offset = 0;
  do {
    const std::size_t length = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
    const bool last = offset + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(~length & 0xFF));
    out.push_back(static_cast<char>((~length >> 8) & 0xFF));
    out.append(raw, offset, length);
    offset += length;
  } while (offset < raw.size());
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(out, (b << 16) | a);
  return out;
}

}  // namespace

COLORREF Picture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];  // 0x00RRGGBB
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

bool Picture::SavePng(const std::string& path) const {
  std::string header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace
  std::string raw;
  raw.reserve(static_cast<std::size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');
    for (int x = 0; x < width; ++x) {
      const COLORREF c = At(x, y);
      raw.push_back(static_cast<char>(GetRValue(c)));
      raw.push_back(static_cast<char>(GetGValue(c)));
      raw.push_back(static_cast<char>(GetBValue(c)));
    }
  }
  std::string png("\x89PNG\r\n\x1a\n", 8);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", std::string());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return detail::Fail("cannot write " + path);
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

std::optional<Picture> CaptureScreen(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) {
    detail::Fail("empty area to capture");
    return std::nullopt;
  }
  HDC screen = GetDC(nullptr);
  if (!screen) {
    detail::Fail("no screen device context");
    return std::nullopt;
  }
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::optional<Picture> picture;
  if (memory && bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
      GdiFlush();
      Picture shot;
      shot.width = width;
      shot.height = height;
      shot.pixels.resize(static_cast<std::size_t>(width) * height);
      std::memcpy(shot.pixels.data(), bits, shot.pixels.size() * sizeof(std::uint32_t));
      for (std::uint32_t& pixel : shot.pixels) pixel &= 0x00FFFFFFu;
      picture = std::move(shot);
    } else {
      detail::Fail("BitBlt from the screen failed");
    }
    SelectObject(memory, old);
  } else {
    detail::Fail("cannot make a bitmap to capture into");
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

std::optional<Picture> CaptureClient(HWND window) {
  RECT client = {};
  POINT origin = {0, 0};
  if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) {
    detail::Fail("cannot measure window " + detail::HwndToString(window));
    return std::nullopt;
  }
  RECT area = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  return CaptureScreen(area);
}

std::optional<Picture> CaptureWholeScreen() {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return CaptureScreen(area);
}

}  // namespace uiauto
