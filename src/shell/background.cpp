#include "shell/background.h"

#include "resources/resource_ids.h"
#include "platform/gdi_objects.h"
#include "platform/globals.h"
#include "session/setup_session.h"

namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const int kDefaultPictureHeight = 90;  // layout when the picture is missing
const int kPictureMargin = 10;
const float kStep = 0.03125f;  // one thirty-second

GdiObject LoadCornerPicture(HINSTANCE instance) {
  return GdiObject(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_CORNER)));
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
  int pictureHeight = kDefaultPictureHeight;
  if (GdiObject picture = LoadCornerPicture(instance)) {
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
               client.bottom - (pictureHeight + 20), 0);
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

  const int height = dc ? -MulDiv(24, GetDeviceCaps(dc, LOGPIXELSY), 72) : 0;
  GdiObject font(CreateFontA(height, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN, ""));
  {
    SelectObjectGuard selectedFont(dc, font.get());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, 12, 12, title, titleLength);
    SetTextColor(dc, kWhite);
    TextOutA(dc, 10, 10, title, titleLength);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
  }

  GdiObject picture = LoadCornerPicture(instance);
  if (!picture) return true;
  MemoryDc memory(CreateCompatibleDC(dc));
  BITMAP info = {};
  if (!memory || !GetObjectA(picture.get(), sizeof info, &info)) return true;
  SelectObjectGuard selected(memory.get(), picture.get());
  BitBlt(dc, client.right - info.bmWidth - kPictureMargin, client.bottom - info.bmHeight - kPictureMargin,
         info.bmWidth, info.bmHeight, memory.get(), 0, 0, SRCCOPY);
  return true;
}
