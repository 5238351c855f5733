// The backdrop of the run, read back from the screen: blue band, gradient,
// white band with the corner picture, and the title over its shadow; and the
// wizard's side picture in front of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "platform/picture.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

std::string Hex(COLORREF colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return text;
}

// Picture 113 as Setup.exe carries it, expanded as Setup.exe expands it.
class CornerPicture {
 public:
  CornerPicture() {
    module_ = LoadLibraryExA(uiauto::PathBesideThisExecutable("Setup.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module_) bitmap_ = static_cast<HBITMAP>(LoadPicture(module_, IDB_CORNER).release());
    memory_ = CreateCompatibleDC(nullptr);
    if (bitmap_) old_ = SelectObject(memory_, bitmap_);
  }
  ~CornerPicture() {
    if (old_) SelectObject(memory_, old_);
    DeleteDC(memory_);
    if (bitmap_) DeleteObject(bitmap_);
    if (module_) FreeLibrary(module_);
  }
  bool loaded() const { return bitmap_ != nullptr; }
  COLORREF At(int x, int y) const { return GetPixel(memory_, x, y); }

 private:
  HMODULE module_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HDC memory_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// The picture control of the page shown.
BOOL CALLBACK FindShownPicture(HWND child, LPARAM found) {
  char name[16] = {};
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP ||
      !IsWindowVisible(child))
    return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

TEST(Background, BandsGradientCornerPictureAndTitle) {
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  InstallationSet set;
  set.Write("Setup.dat", "[Setup]\r\nTitle=Backdrop Demo\r\nDefaultFolder=" + set.Join("Target") + "\r\n");
  auto process = set.Start();
  ASSERT_TRUE(process);
  // While the wizard is up the backdrop is complete.
  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.Appear() && wizard.WaitFor(WizardPage::Welcome)) << wizard.Failure();
  auto window = WaitForMainWindow(*process);
  ASSERT_TRUE(window);
  ASSERT_EQ(uiauto::GetShowState(*window), uiauto::ShowState::Maximized);

  RECT client = {};
  ASSERT_TRUE(GetClientRect(*window, &client));
  const int width = client.right;
  const int height = client.bottom;
  const int pictureHeight = 90;
  const int gradientTop = MulDiv(height, 20, 100);
  const int gradientBottom = height - (pictureHeight + 20);
  const int band = (gradientBottom - gradientTop) / 32;
  // A column clear of the sheet and of the picture.
  RECT sheet = {};
  GetWindowRect(wizard.sheet(), &sheet);
  POINT origin = {0, 0};
  ClientToScreen(*window, &origin);
  const int x = width - 230;
  ASSERT_GT(origin.x + x, sheet.right) << "the sheet covers the column looked at";

  CornerPicture picture;
  ASSERT_TRUE(picture.loaded());
  const int left = width - 191 - 10;
  const int top = height - pictureHeight - 10;
  auto differingPicturePixels = [&](const uiauto::Picture& seen) {
    int differing = 0;
    for (int py = 0; py < pictureHeight; py += 7)
      for (int px = 0; px < 191; px += 5)
        if (seen.At(left + px, top + py) != picture.At(px, py)) ++differing;
    return differing;
  };
  auto titleDrawn = [&](const uiauto::Picture& seen) {
    for (int y = 10; y < 60; ++y)
      for (int px = 10; px < 200; ++px)
        if (seen.At(px, y) == kWhite) return true;
    return false;
  };

  // The title and the picture follow the background once the main window
  // gets to its paint inside the wizard's loop.
  std::optional<uiauto::Picture> shot;
  ASSERT_TRUE(uiauto::WaitUntil(
      [&] {
        shot = uiauto::CaptureClient(*window);
        return shot && shot->At(x, 2) == kBlue && shot->At(x, height - 2) == kWhite && titleDrawn(*shot) &&
               differingPicturePixels(*shot) == 0;
      },
      10000))
      << uiauto::LastError();

  for (int y : {0, gradientTop / 2, gradientTop - 1}) EXPECT_EQ(Hex(shot->At(x, y)), Hex(kBlue)) << "y " << y;
  for (int k = 0; k < 32; ++k) {
    const int level = k == 0 ? 0 : 8 * k - 1;
    for (int y : {gradientTop + k * band, gradientTop + k * band + band - 1})
      EXPECT_EQ(Hex(shot->At(x, y)), Hex(RGB(level, level, 255))) << "band " << k << " y " << y;
  }
  // The bands past the 32nd and the band below the gradient are white.
  for (int y : {gradientTop + 32 * band, gradientBottom, height - 1})
    EXPECT_EQ(Hex(shot->At(x, y)), Hex(kWhite)) << "y " << y;

  // The picture sits 10 pixels from the right and bottom edges, as drawn.
  EXPECT_EQ(differingPicturePixels(*shot), 0);
  EXPECT_EQ(Hex(shot->At(width - 5, top + 40)), Hex(kWhite));
  EXPECT_EQ(Hex(shot->At(left + 95, top - 5)), Hex(kWhite));

  // White letters at (10, 10) over a black shadow two pixels lower right;
  // none of it beyond the blue band.
  int white = 0;
  int black = 0;
  for (int y = 0; y < gradientTop; ++y) {
    for (int px = 0; px < 400; ++px) {
      const COLORREF c = shot->At(px, y);
      if (c == kWhite) {
        ++white;
        EXPECT_GE(px, 10);
        EXPECT_GE(y, 10);
      }
      if (c == kBlack) {
        ++black;
        EXPECT_GE(px, 12);
        EXPECT_GE(y, 12);
      }
    }
  }
  EXPECT_GT(white, 200);
  EXPECT_GT(black, 50);

  // The wizard's side picture, which Setup.exe carries deflated,
  // shows whole: deep blue at the top, light blue at the bottom, a smooth
  // sky of many shades between and the motif's white label in the middle.
  HWND side = nullptr;
  EnumChildWindows(wizard.sheet(), FindShownPicture, reinterpret_cast<LPARAM>(&side));
  ASSERT_TRUE(side != nullptr);
  auto seen = uiauto::CaptureClient(side);
  ASSERT_TRUE(seen);
  if (const char* keep = std::getenv("SIDE_PICTURE_PNG")) seen->SavePng(keep);
  // The picture is centred in its frame: its own columns are those with
  // sky in the top row.
  int first = -1, last = -1;
  for (int px = 0; px < seen->width; ++px) {
    const COLORREF c = seen->At(px, 4);
    if (GetBValue(c) >= 64 && GetRValue(c) < 32) {
      if (first < 0) first = px;
      last = px;
    }
  }
  ASSERT_GE(first, 0) << "no sky in the side picture's top row";
  EXPECT_GE(last - first + 1, 100);
  const int mid = (first + last) / 2;
  int skyTop = -1, skyBottom = -1;
  for (int py = 0; py < seen->height; ++py) {
    const COLORREF c = seen->At(first + 2, py);
    // Sky is blue well above red; the frame's grey face shows above and
    // below a picture shorter than the frame.
    if (GetBValue(c) < GetRValue(c) + 60) continue;
    if (skyTop < 0) skyTop = py;
    skyBottom = py;
  }
  ASSERT_GE(skyBottom - skyTop + 1, 240);
  const COLORREF high = seen->At(mid, skyTop + 2);
  const COLORREF low = seen->At(first + 2, skyBottom - 2);
  EXPECT_LT(GetRValue(high) + GetGValue(high), 40) << Hex(high);
  EXPECT_GE(GetBValue(high), 80) << Hex(high);
  EXPECT_GE(GetRValue(low), 80) << Hex(low);
  EXPECT_GE(GetGValue(low), 140) << Hex(low);
  EXPECT_GE(GetBValue(low), 210) << Hex(low);
  std::vector<COLORREF> shades;
  int whites = 0;
  for (int py = skyTop; py <= skyBottom; ++py) {
    const COLORREF c = seen->At(first + 2, py);
    if (std::find(shades.begin(), shades.end(), c) == shades.end()) shades.push_back(c);
    for (int px = first; px <= last; ++px) whites += seen->At(px, py) == kWhite;
  }
  EXPECT_GE(shades.size(), 30u);
  EXPECT_GT(whites, 100);

  ASSERT_TRUE(uiauto::ClickButton(wizard.sheet(), IDCANCEL));
  EXPECT_TRUE(process->WaitForExit(10000));
}

}  // namespace
}  // namespace e2e
