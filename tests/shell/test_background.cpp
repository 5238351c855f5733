#include <gtest/gtest.h>

#include "shell/background.h"
#include "platform/gdi_objects.h"

namespace {

// A 24-bit off-screen picture to paint into and read back.
class Canvas {
public:
  Canvas(int width, int height) : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    selected_ = SelectObject(dc_.get(), bitmap_.get());
    RECT all = {0, 0, width, height};
    FillRect(dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  ~Canvas() { SelectObject(dc_.get(), selected_); }
  HDC dc() const { return dc_.get(); }
  COLORREF At(int x, int y) const {
    GdiFlush();
    return GetPixel(dc_.get(), x, y);
  }

private:
  MemoryDc dc_;
  GdiObject bitmap_;
  HGDIOBJ selected_ = nullptr;
};

TEST(FillGradient, BlueToWhiteInThirtySecondSteps) {
  // The band of a 768-pixel screen: gradient from 154 to 658, span 504.
  Canvas canvas(40, 700);
  FillGradient(canvas.dc(), RGB(0, 0, 255), RGB(255, 255, 255), 0, 154, 40, 658, 0);
  const int band = 504 / 32;  // 15 pixels
  EXPECT_EQ(canvas.At(5, 154), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(5, 154 + band - 1), RGB(0, 0, 255));
  for (int k = 1; k <= 31; ++k)
    EXPECT_EQ(canvas.At(5, 154 + k * band), RGB(8 * k - 1, 8 * k - 1, 255)) << "band " << k;
  // 33 full bands and one more: the last two are white, and the last one
  // reaches past the area's end by less than a band.
  EXPECT_EQ(canvas.At(5, 154 + 32 * band), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(5, 154 + 33 * band), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(5, 154 + 34 * band), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(5, 153), RGB(0, 0, 0));
}

TEST(FillGradient, LeftToRightAndEmptyAreas) {
  Canvas canvas(100, 10);
  FillGradient(canvas.dc(), RGB(255, 0, 0), RGB(0, 0, 0), 0, 0, 64, 5, 1);
  EXPECT_EQ(canvas.At(0, 2), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(2, 2), RGB(247, 0, 0));  // bands of 2 pixels
  EXPECT_EQ(canvas.At(63, 2), RGB(7, 0, 0));   // 64 is a multiple of 32: it ends one step short
  EXPECT_EQ(canvas.At(2, 7), RGB(0, 0, 0));

  Canvas untouched(10, 10);
  FillGradient(untouched.dc(), RGB(255, 255, 255), RGB(255, 255, 255), 0, 5, 10, 5, 0);
  FillGradient(untouched.dc(), RGB(255, 255, 255), RGB(255, 255, 255), 0, 8, 10, 2, 0);
  EXPECT_EQ(untouched.At(5, 5), RGB(0, 0, 0));
}

}  // namespace
