#include "shell/background.h"

#include "resources/resource_ids.h"
#include "platform/dpi.h"
#include "platform/gdi_objects.h"
#include "platform/globals.h"
#include "platform/picture.h"
#include "session/setup_session.h"

namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
// Lengths at 96 dpi; the window's dpi scales them, and picks the corner
// picture drawn for it.
const int kDefaultPictureHeight = 90;  // layout when the picture is missing
const int kPictureMargin = 10;
const int kGradientMargin = 20;  // between the gradient and the picture
const float kStep = 0.03125f;  // one thirty-second

GdiObject LoadCornerPicture(HINSTANCE instance, UINT dpi) {
  const WORD picture = PictureForDpi(dpi, IDB_CORNER, IDB_CORNER_150, IDB_CORNER_200);
  return LoadPicture(instance, picture);
}

struct Channel {
  float value;
  float step;
  float end;

  void Advance() {
    value += step;
    if ((step < 0 && value < end) || (step > 0 && value > end)) {
      value = end;
      step = 0;
    }
  }
  int Byte() const { return static_cast<int>(value) & 0xFF; }
};

Channel MakeChannel(int from, int to) {
  return Channel{static_cast<float>(from), static_cast<float>(to - from) * kStep, static_cast<float>(to)};
}

}  // namespace

void FillGradient(HDC dc, COLORREF from, COLORREF to, int left, int top, int right, int bottom, int leftToRight) {
  SelectObjectGuard pen(dc, GetStockObject(NULL_PEN));
  Channel red = MakeChannel(GetRValue(from), GetRValue(to));
  Channel green = MakeChannel(GetGValue(from), GetGValue(to));
  Channel blue = MakeChannel(GetBValue(from), GetBValue(to));

  const int span = leftToRight ? right - left : bottom - top;
  int band = span / 32;
  if (band == 0) band = 1;
  for (int offset = 0; offset < span; offset += band) {
    GdiObject brush(CreateSolidBrush(RGB(red.Byte(), green.Byte(), blue.Byte())));
    {
      SelectObjectGuard selected(dc, brush.get());
      if (leftToRight)
        Rectangle(dc, left + offset, top, left + offset + band + 1, bottom + 1);
      else
        Rectangle(dc, left, top + offset, right + 1, top + offset + band + 1);
    }
    red.Advance();
    green.Advance();
    blue.Advance();
  }
}

bool SetupSession::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  const UINT dpi = WindowDpi(window);
  int pictureHeight = ScaleToDpi(kDefaultPictureHeight, dpi);
  if (GdiObject picture = LoadCornerPicture(instance, dpi)) {
    BITMAP info = {};
    if (GetObjectA(picture.get(), sizeof info, &info)) pictureHeight = info.bmHeight;
  }

  {
    GdiObject blueBrush(CreateSolidBrush(kBlue));
    SelectObjectGuard pen(dc, GetStockObject(NULL_PEN));
    SelectObjectGuard brush(dc, blueBrush.get());
    Rectangle(dc, client.left, client.top, client.right + 1, client.bottom + 1);
    SelectObjectGuard white(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, client.left, client.bottom / 2, client.right + 1, client.bottom + 1);
  }
  FillGradient(dc, kBlue, kWhite, client.left, MulDiv(client.bottom, 20, 100), client.right,
               client.bottom - (pictureHeight + ScaleToDpi(kGradientMargin, dpi)), 0);
  return true;
}

bool SetupSession::PaintTitle(HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  Variable* titleVariable = variables ? variables->FindKey('T') : nullptr;
  if (!titleVariable) return false;
  char title[kTextSize + 1] = {};
  titleVariable->GetValue(title, kTextSize);
  const int titleLength = lstrlenA(title);

  // The window's dpi, not the device context's: with per-monitor awareness
  // the latter stays the system's on every monitor.
  const UINT dpi = WindowDpi(window);
  const int height = dc ? -MulDiv(24, static_cast<int>(dpi), 72) : 0;
  GdiObject font(CreateFontA(height, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN, ""));
  {
    SelectObjectGuard selectedFont(dc, font.get());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    const int shadow = ScaleToDpi(12, dpi);
    const int place = ScaleToDpi(10, dpi);
    TextOutA(dc, shadow, shadow, title, titleLength);
    SetTextColor(dc, kWhite);
    TextOutA(dc, place, place, title, titleLength);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
  }

  GdiObject picture = LoadCornerPicture(instance, dpi);
  if (!picture) return true;
  const int margin = ScaleToDpi(kPictureMargin, dpi);
  MemoryDc memory(CreateCompatibleDC(dc));
  BITMAP info = {};
  if (!memory || !GetObjectA(picture.get(), sizeof info, &info)) return true;
  SelectObjectGuard selected(memory.get(), picture.get());
  BitBlt(dc, client.right - info.bmWidth - margin, client.bottom - info.bmHeight - margin,
         info.bmWidth, info.bmHeight, memory.get(), 0, 0, SRCCOPY);
  return true;
}
