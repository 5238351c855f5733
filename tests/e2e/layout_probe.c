/* Loaded into a running Setup.exe by the layout scenario (layout_test.cpp):
 * measures a window's controls there, with the fonts and images they really
 * have, which another process cannot read. LayoutProbe runs as a thread of
 * Setup.exe, given the window, and writes one line per finding into the
 * shared memory named "SetupLayoutProbe":
 *
 *   T ok id need=WxH has=WxH "text"     a text and the room it needs
 *   P ok id image=WxH frame=WxH          a picture or icon in its frame
 *   B ok id                              a control inside the window
 *   S ok                                 a page inside its sheet, above
 *                                        the sheet's buttons
 *
 * ok is 1 or 0. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#define PROBE_SIZE 65536

typedef struct {
  char* text;
  size_t used;
} Report;

static void Add(Report* report, const char* line) {
  size_t length = strlen(line);
  if (report->used + length + 2 >= PROBE_SIZE) return;
  memcpy(report->text + report->used, line, length);
  report->used += length;
  report->text[report->used++] = '\n';
  report->text[report->used] = '\0';
}

/* The text as drawn: "&&" is one ampersand, a lone "&" marks a mnemonic. */
static void DrawnText(const char* text, char* out, size_t size, int prefixes) {
  size_t used = 0;
  for (; *text && used + 1 < size; ++text) {
    if (prefixes && *text == '&') {
      if (text[1] != '&') continue;
      ++text;
    }
    out[used++] = *text;
  }
  out[used] = '\0';
}

/* Width and height the text needs in `control`'s font; wrapped within
   `width` when `wraps`, else on one line. */
static SIZE Needed(HWND control, const char* text, int wraps, int width) {
  SIZE need = {0, 0};
  HDC dc = GetDC(control);
  HFONT font = (HFONT)SendMessageA(control, WM_GETFONT, 0, 0);
  HGDIOBJ old = SelectObject(dc, font ? (HGDIOBJ)font : GetStockObject(SYSTEM_FONT));
  int length = lstrlenA(text);
  GetTextExtentPoint32A(dc, text, length, &need);
  if (wraps && (need.cx > width || strchr(text, '\n'))) {
    RECT box = {0, 0, width, 0};
    DrawTextA(dc, text, length, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    need.cx = box.right;
    need.cy = box.bottom;
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return need;
}

static void CheckText(Report* report, HWND control, int id, DWORD style, const char* cls) {
  char raw[1024], text[1024], line[1400];
  RECT client;
  SIZE need;
  int wraps = 0, extra = 0;
  GetWindowTextA(control, raw, sizeof raw);
  GetClientRect(control, &client);
  if (lstrcmpiA(cls, "Static") == 0) {
    DWORD type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
      return;
    wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    DrawnText(raw, text, sizeof text, !(style & SS_NOPREFIX));
  } else {
    DWORD type = style & BS_TYPEMASK;
    DrawnText(raw, text, sizeof text, 1);
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
      extra = GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE);
    else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
      extra = 4 * GetSystemMetrics(SM_CXEDGE);
    else
      return;
  }
  if (text[0] == '\0') return;
  need = Needed(control, text, wraps, client.right - extra);
  need.cx += extra;
  for (char* end = strchr(text, '\n'); end; end = strchr(end, '\n')) *end = '|'; /* one line in the report */
  _snprintf(line, sizeof line - 1, "T %d %d need=%ldx%ld has=%ldx%ld \"%.200s\"",
            need.cx <= client.right && need.cy <= client.bottom, id, need.cx, need.cy, client.right, client.bottom,
            text);
  line[sizeof line - 1] = '\0';
  Add(report, line);
}

static void CheckPicture(Report* report, HWND control, int id, DWORD style) {
  char line[200];
  RECT client;
  long width = 0, height = 0;
  DWORD type = style & SS_TYPEMASK;
  GetClientRect(control, &client);
  if (type == SS_BITMAP) {
    HBITMAP bitmap = (HBITMAP)SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0);
    BITMAP info;
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
      width = info.bmWidth;
      height = info.bmHeight;
    }
  } else if (type == SS_ICON) {
    HICON icon = (HICON)SendMessageA(control, STM_GETICON, 0, 0);
    ICONINFO info;
    BITMAP mask;
    if (icon && GetIconInfo(icon, &info)) {
      if (GetObjectA(info.hbmMask, sizeof mask, &mask)) {
        width = mask.bmWidth;
        height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
      }
      DeleteObject(info.hbmMask);
      if (info.hbmColor) DeleteObject(info.hbmColor);
    }
  } else {
    return;
  }
  _snprintf(line, sizeof line - 1, "P %d %d image=%ldx%ld frame=%ldx%ld",
            width > 0 && width <= client.right && height <= client.bottom, id, width, height, client.right,
            client.bottom);
  line[sizeof line - 1] = '\0';
  Add(report, line);
}

typedef struct {
  Report* report;
  HWND window;
  RECT area; /* the window's client area on the screen */
} Walk;

static BOOL CALLBACK CheckControl(HWND control, LPARAM param) {
  Walk* walk = (Walk*)param;
  char cls[64], line[200];
  RECT place;
  int id = GetDlgCtrlID(control);
  DWORD style = (DWORD)GetWindowLongA(control, GWL_STYLE);
  if (!IsWindowVisible(control)) return TRUE;
  GetClassNameA(control, cls, sizeof cls);
  GetWindowRect(control, &place);
  _snprintf(line, sizeof line - 1, "B %d %d", place.left >= walk->area.left && place.top >= walk->area.top &&
                                                  place.right <= walk->area.right && place.bottom <= walk->area.bottom,
            id);
  line[sizeof line - 1] = '\0';
  Add(walk->report, line);
  if (lstrcmpiA(cls, "Static") == 0 || lstrcmpiA(cls, "Button") == 0) CheckText(walk->report, control, id, style, cls);
  if (lstrcmpiA(cls, "Static") == 0) CheckPicture(walk->report, control, id, style);
  return TRUE;
}

static void ClientOnScreen(HWND window, RECT* area) {
  POINT corner = {0, 0};
  GetClientRect(window, area);
  ClientToScreen(window, &corner);
  OffsetRect(area, corner.x, corner.y);
}

__declspec(dllexport) DWORD WINAPI LayoutProbe(LPVOID param) {
  HWND window = (HWND)param;
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "SetupLayoutProbe");
  Report report;
  Walk walk;
  HWND sheet = GetParent(window);
  if (!mapping) return 1;
  report.text = (char*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, PROBE_SIZE);
  if (!report.text) {
    CloseHandle(mapping);
    return 1;
  }
  report.used = 0;
  report.text[0] = '\0';
  walk.report = &report;
  walk.window = window;
  ClientOnScreen(window, &walk.area);
  EnumChildWindows(window, CheckControl, (LPARAM)&walk);
  if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && sheet) {
    RECT page, sheetArea, back;
    HWND backButton = GetDlgItem(sheet, 0x3023);
    int inside;
    GetWindowRect(window, &page);
    ClientOnScreen(sheet, &sheetArea);
    inside = page.left >= sheetArea.left && page.top >= sheetArea.top && page.right <= sheetArea.right &&
             page.bottom <= sheetArea.bottom;
    if (backButton && GetWindowRect(backButton, &back)) inside = inside && page.bottom <= back.top;
    Add(&report, inside ? "S 1" : "S 0");
  }
  UnmapViewOfFile(report.text);
  CloseHandle(mapping);
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
