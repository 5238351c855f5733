#pragma once
#include <windows.h>

#include "platform/gdi_objects.h"

class SetupSession;
class VariableTable;

// One showing of the five-page wizard. The pages read and write the run's
// variables directly; the three shortcut choices are worked on in copies
// that go back into the session when the sheet closes, whatever the outcome.
class Wizard {
public:
  Wizard(SetupSession& session, VariableTable& table);
  // Closes the help file if a page opened it.
  ~Wizard();
  Wizard(const Wizard&) = delete;
  Wizard& operator=(const Wizard&) = delete;

  // Shows the sheet; 1 when the user pressed Install, 0 when cancelled or
  // when the platform's property sheet is not available.
  DWORD Run();

  // Opens the help file at `context`; 0 closes it. Nothing without one.
  void ShowHelp(DWORD context);
  // Finds the help file in the set's folder; false when the set has none,
  // and then no page offers Help.
  bool FindHelpFile();

  // The side picture in the size for `dpi`, loaded once and kept while the
  // sheet may show it; null when it cannot be loaded.
  HBITMAP SidePicture(UINT dpi);

  DWORD result = 0;
  DWORD helpShown = 0;
  char helpFile[MAX_PATH + 16] = {};  // the set's help file with its window; empty: none
  GdiObject titleFont;  // bold italic 12 point; none keeps the template font
  GdiObject sidePictures[3];  // 100%, 150%, 200%; the pages' frames show them
  SetupSession& owner;
  VariableTable& variables;
  int linkGroup;
  int linkDesktop;
  int linkStartup;
};

// Puts the side picture for the page's dpi into its frame when the page is
// made and whenever its dpi changes (the sheet moved to another monitor).
void ShowSidePicture(Wizard& wizard, HWND page, UINT message);

// The Wizard of a page: on WM_INITDIALOG the page record arrives in lParam
// and is kept in the page's DWLP_USER; null before that.
Wizard* GetPageWizard(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
