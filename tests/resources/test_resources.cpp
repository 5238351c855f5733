// Checks of the resources linked into the program: the texts that the code
// looks up by number, the dialog templates that the code drives by control
// identifier, the pictures whose sizes the painting relies on, and the
// embedded manifest and version. The test executable is linked with the same
// resource object as Setup.exe, so everything is read from this module.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "resource_ids.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(NULL); }

// The text of a string-table entry, read through a buffer far larger than the
// program's own 256 bytes so that an over-long entry shows up whole.
// `found` is false when the entry does not exist.
std::string LoadText(UINT id, bool* found = NULL) {
    char buffer[2048];
    int length = LoadStringA(Module(), id, buffer, sizeof buffer);
    if (found) *found = length > 0;
    return std::string(buffer, length > 0 ? length : 0);
}

// ---------------------------------------------------------------------------
// A reader for the dialog templates in this module, DIALOG and DIALOGEX.

struct DialogItem {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::string className;  // predefined classes by name, lower case
    std::string text;
    int textOrdinal = -1;   // resource number given as the text, if any
};

struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption;
    int pointSize = 0;
    std::string face;
    std::vector<DialogItem> items;

    const DialogItem* Find(int id) const {
        for (const DialogItem& item : items)
            if (item.id == id) return &item;
        return NULL;
    }
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* p) : p_(p) {}

    WORD Word() { WORD w; std::memcpy(&w, p_, 2); p_ += 2; return w; }
    DWORD Dword() { DWORD d; std::memcpy(&d, p_, 4); p_ += 4; return d; }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() { return *p_++; }

    std::string WideText() {
        std::string out;
        for (WORD c = Word(); c != 0; c = Word())
            out += c < 128 ? static_cast<char>(c) : '?';
        return out;
    }
    // A name or a resource number (0xFFFF followed by the number).
    std::string NameOrOrdinal(int* ordinal) {
        *ordinal = -1;
        WORD first;
        std::memcpy(&first, p_, 2);
        if (first == 0xFFFF) {
            p_ += 2;
            *ordinal = Word();
            return std::string();
        }
        return WideText();
    }
    void AlignDword(const BYTE* base) {
        while ((p_ - base) % 4) ++p_;
    }
    void Skip(size_t n) { p_ += n; }

private:
    const BYTE* p_;
};

std::string ClassName(std::string name, int ordinal) {
    switch (ordinal) {
        case 0x80: return "button";
        case 0x81: return "edit";
        case 0x82: return "static";
        case 0x83: return "listbox";
        case 0x84: return "scrollbar";
        case 0x85: return "combobox";
    }
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return name;
}

bool LoadDialog(int id, DialogTemplate* out) {
    HRSRC info = FindResourceA(Module(), MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    if (!info) return false;
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(Module(), info)));
    if (!base) return false;

    TemplateReader r(base);
    int ordinal;
    bool extended = false;
    WORD count;
    if (base[0] == 1 && base[1] == 0 && base[2] == 0xFF && base[3] == 0xFF) {
        extended = true;
        r.Skip(4);
        r.Dword();              // help id
        r.Dword();              // extended style
        out->style = r.Dword();
    } else {
        out->style = r.Dword();
        r.Dword();              // extended style
    }
    count = r.Word();
    r.Short();
    r.Short();
    out->cx = r.Short();
    out->cy = r.Short();
    r.NameOrOrdinal(&ordinal);  // menu
    r.NameOrOrdinal(&ordinal);  // class
    out->caption = r.WideText();
    if (out->style & DS_SETFONT) {
        out->pointSize = r.Word();
        if (extended) {
            r.Word();           // weight
            r.Byte();           // italic
            r.Byte();           // character set
        }
        out->face = r.WideText();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword(base);
        DialogItem item;
        if (extended) {
            r.Dword();          // help id
            r.Dword();          // extended style
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            r.Dword();          // extended style
        }
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = extended ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
        std::string cls = r.NameOrOrdinal(&ordinal);
        item.className = ClassName(cls, ordinal);
        item.text = r.NameOrOrdinal(&item.textOrdinal);
        WORD extra = r.Word();
        r.Skip(extra);
        out->items.push_back(item);
    }
    return true;
}

// ---------------------------------------------------------------------------
// String table

struct Text {
    UINT id;
    const char* expected;
};

// Every fixed name that the code looks up instead of spelling it: a wrong or
// missing one breaks the reading of Setup.dat or of the registry.
TEST(StringTable, NamesOfFilesSectionsKeysAndRegistryPaths) {
    const Text names[] = {
        {IDS_SETUPDAT_FILE, "\\Setup.dat"},
        {IDS_SECTION_SETUP, "Setup"},
        {IDS_KEY_TITLE, "Title"},
        {IDS_KEY_STARTUP, "Startup"},
        {IDS_KEY_DESKTOP, "Desktop"},
        {IDS_KEY_GROUP, "Group"},
        {IDS_KEY_DEFAULTGROUP, "DefaultGroup"},
        {IDS_REG_CURRENTVERSION, "Software\\Microsoft\\Windows\\CurrentVersion"},
        {IDS_REG_PROGRAMFILESDIR, "ProgramFilesDir"},
        {IDS_REG_SHELLFOLDERS,
         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"},
        {IDS_REG_DESKTOP, "Desktop"},
        {IDS_REG_STARTUP, "Startup"},
        {IDS_REG_PROGRAMS, "Programs"},
        {IDS_KEY_FILES, "Files"},
        {IDS_KEY_REGCLASSES, "RegClasses"},
        {IDS_KEY_REGMACHINE, "RegMachine"},
        {IDS_KEY_SHORTCUTS, "Shortcuts"},
        {IDS_REG_SHAREDDLLS, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"},
        {IDS_KEY_DEFAULTFOLDER, "DefaultFolder"},
        {IDS_SECTION_UNINSTALL, "Uninstall"},
        {IDS_KEY_INSTALLFOLDER, "InstallFolder"},
        {IDS_KEY_INSTALLGROUP, "InstallGroup"},
        {IDS_KEY_INSTALLLINKS, "InstallLinks"},
        {IDS_KEY_APP, "App"},
        {IDS_KEY_EXECUTE, "Execute"},
        {IDS_KEY_VIEW, "View"},
        {IDS_KEY_LICENSE, "License"},
        {IDS_KEY_CHECK, "Check"},
    };
    for (const Text& t : names) {
        bool found;
        std::string text = LoadText(t.id, &found);
        EXPECT_TRUE(found) << "string " << t.id << " is missing";
        EXPECT_EQ(t.expected, text) << "string " << t.id;
    }
    // The path suffix is appended to a folder: it must start with exactly
    // one backslash, not an escape sequence or a doubled one.
    EXPECT_EQ(1u, LoadText(IDS_SETUPDAT_FILE).find("Setup.dat"));
}

TEST(StringTable, FileErrorTextsForEachSituation) {
    const Text texts[] = {
        {IDS_FILE_SETUP_ERROR,
         "An error has occured in the setup application. Installation will end."},
        {IDS_FILE_CANNOT_CREATE,
         "Unable to create the file. This file will not be installed. Press Skip to "
         "skip this file, and continue installation. Press Cancel to end the "
         "installation."},
        {IDS_FILE_DISK_FULL,
         "Unable to install the file. This could be because the disk is full. Try "
         "deleting some files, then click Retry."},
        {IDS_FILE_SIZE_MISMATCH,
         "This file may not have installed correctly. Click Retry to install it "
         "again. If you click Ignore, installation will continue for this file - if "
         "errors occur after installation, please re-install."},
        {IDS_FILE_OLDER_VERSION,
         "You are about to overwrite an existing file with an older version.  Click "
         "Replace to install anyway, or Skip to keep the current file."},
        {IDS_FILE_IN_USE,
         "The file is in use by Windows. If you close the related application you "
         "may be able to install this file. Click Retry to attempt installation "
         "again, or Ignore to install the file anyway."},
    };
    for (const Text& t : texts) EXPECT_EQ(t.expected, LoadText(t.id)) << "string " << t.id;
}

TEST(StringTable, MessagesKeepBlanksAndPunctuation) {
    const Text texts[] = {
        {IDS_NEEDS_WIN95, "This program requires Windows 95 or Windows NT 4."},
        {IDS_UNINSTALL_CANCELLED, "Uninstall was cancelled"},
        {IDS_INSTALL_FAILED,
         "Installation failed, or was cancelled. The files that have been installed "
         "will now be removed from your computer."},
        {IDS_UNINSTALL_FAILED,
         "Failed to uninstall the application - files from the application may "
         "still be on your computer."},
        {IDS_UNINSTALL_DONE, "Successfully uninstalled the application."},
        {IDS_RESTART_QUESTION,
         "The computer must be restarted for changes to take effect. Would you like "
         "to restart the computer now?"},
        {IDS_START_APP, "Start "},  // the application name is appended
        {IDS_HELP_FILE, "Wizsetup.hlp>Main"},
    };
    for (const Text& t : texts) EXPECT_EQ(t.expected, LoadText(t.id)) << "string " << t.id;
}

// These three are wsprintfA formats: exactly one %s, no other conversion.
TEST(StringTable, FormatsTakeTheApplicationName) {
    char out[512];
    wsprintfA(out, LoadText(IDS_CONFIRM_REMOVE).c_str(), "Demo");
    EXPECT_STREQ("Are you sure you want to remove Demo from your computer?", out);
    wsprintfA(out, LoadText(IDS_LAUNCH_AT_STARTUP).c_str(), "Demo");
    EXPECT_STREQ("Launch Demo at Windows startup", out);
    wsprintfA(out, LoadText(IDS_APP_STILL_OPEN).c_str(), "Demo");
    EXPECT_STREQ("Demo is still open. Please exit the application before continuing. "
                 "Click OK to continue.", out);
}

TEST(StringTable, ErrorCodesHaveTheirTextsAtThousandPlusCode) {
    const Text texts[] = {
        {0, "This is an undefined error."},
        {1, "Out of memory."},
        {2, "General program failure."},
        {3, "Failed to expand installation variable."},
        {100, "String resource is missing."},
        {101, "The Installation Information file, Setup.dat, is missing."},
        {102, "The uninstall information cannot be written to the installation folder."},
        {200, "Failed to open a key in the registry."},
        {201, "Failed to create a key in the registry."},
        {202, "Failed to query a value in the registry."},
        {203, "Failed to set a value in the registry."},
        {300, "Component information is missing."},
        {301, "There is an error in the installation list."},
        {302, "A necessary file is missing from the installation set. Installation will end."},
    };
    for (const Text& t : texts)
        EXPECT_EQ(t.expected, LoadText(IDS_ERR_BASE + t.id)) << "code " << t.id;

    // Codes without a text are reported as "Error n", so no entry may exist
    // for them.
    const UINT unused[] = {4, 5, 9, 99, 103, 199, 204, 299, 303, 1000};
    for (UINT code : unused) {
        bool found;
        LoadText(IDS_ERR_BASE + code, &found);
        EXPECT_FALSE(found) << "unexpected text for code " << code;
    }
}

// LoadStringA gets 256 bytes everywhere in the program, and the error report
// frames a code's text in a 256-byte buffer too.
TEST(StringTable, EveryEntryFitsTheProgramsBuffers) {
    const size_t frame = std::strlen("\nPlease contact Veltrop Software. Installation will end");
    int entries = 0;
    for (UINT id = 0; id < 2000; ++id) {
        bool found;
        std::string text = LoadText(id, &found);
        if (!found) continue;
        ++entries;
        EXPECT_LE(text.size(), 255u) << "string " << id;
        if (id >= IDS_ERR_BASE) {
            EXPECT_LE(text.size() + frame, 255u) << "string " << id;
        }
    }
    EXPECT_GE(entries, 58);  // the loop must really have seen the table
}

// ---------------------------------------------------------------------------
// Dialogs

const int kAllDialogs[] = {IDD_FOLDER_PAGE, IDD_SHORTCUTS_PAGE, IDD_GROUP_PAGE,
                           IDD_READY_PAGE, IDD_WELCOME_PAGE, IDD_PROGRESS,
                           IDD_FILE_ERROR, IDD_REMOVAL, IDD_COMPLETION, IDD_LICENSE};

// The property sheet sizes the pages in their own font only when every page
// asks for the shell font; otherwise it cuts them off at higher dpi.
TEST(Dialogs, EveryTemplateUsesTheShellDialogFont) {
    for (int id : kAllDialogs) {
        DialogTemplate d;
        ASSERT_TRUE(LoadDialog(id, &d)) << "dialog " << id << " is missing";
        EXPECT_EQ(8, d.pointSize) << "dialog " << id;
        EXPECT_EQ("MS Shell Dlg", d.face) << "dialog " << id;
        EXPECT_EQ(static_cast<DWORD>(DS_SHELLFONT), d.style & DS_SHELLFONT) << "dialog " << id;
    }
}

TEST(Dialogs, WizardPagesAreChildPagesWithTheSidePicture) {
    const struct { int id; const char* caption; } pages[] = {
        {IDD_WELCOME_PAGE, "Setup Wizard"},
        {IDD_FOLDER_PAGE, "Choose a folder"},
        {IDD_SHORTCUTS_PAGE, "Create Shortcuts"},
        {IDD_GROUP_PAGE, "Select a group to create shortcuts in"},
        {IDD_READY_PAGE, "Setup Wizard Complete"},
    };
    for (const auto& page : pages) {
        DialogTemplate d;
        ASSERT_TRUE(LoadDialog(page.id, &d));
        EXPECT_EQ(page.caption, d.caption);
        EXPECT_EQ(277, d.cx);
        EXPECT_EQ(154, d.cy);
        EXPECT_TRUE(d.style & WS_CHILD) << "page " << page.id;
        EXPECT_FALSE(d.style & WS_POPUP) << "page " << page.id;

        bool picture = false;
        for (const DialogItem& item : d.items) {
            if (item.className == "static" && (item.style & SS_TYPEMASK) == SS_BITMAP) {
                // The page sets the picture of its dpi into the frame.
                picture = true;
                EXPECT_EQ(IDC_WIZARD_PICTURE, item.id);
                EXPECT_TRUE(item.style & SS_CENTERIMAGE);
                EXPECT_EQ(0, item.x);
                EXPECT_EQ(0, item.y);
                EXPECT_EQ(70, item.cx);
                EXPECT_EQ(153, item.cy);
            }
        }
        EXPECT_TRUE(picture) << "page " << page.id << " has no side picture";
    }
}

// The controls that the code finds by identifier, with the kind it expects.
TEST(Dialogs, ControlsTheCodeDrivesExistWithTheRightKind) {
    const struct { int dialog; int id; const char* cls; DWORD type; } controls[] = {
        {IDD_WELCOME_PAGE, IDC_WELCOME_TITLE, "static", SS_LEFT},
        {IDD_WELCOME_PAGE, IDC_WELCOME_TEXT, "static", SS_LEFT},
        {IDD_FOLDER_PAGE, IDC_FOLDER_TEXT, "static", SS_LEFT},
        {IDD_FOLDER_PAGE, IDC_FOLDER_EDIT, "edit", 0},
        {IDD_FOLDER_PAGE, IDC_CHANGE, "button", BS_PUSHBUTTON},
        {IDD_FOLDER_PAGE, IDC_SPACE_REQUIRED, "static", SS_LEFT},
        {IDD_FOLDER_PAGE, IDC_SPACE_AVAILABLE, "static", SS_LEFT},
        {IDD_SHORTCUTS_PAGE, IDC_SHORTCUTS_TEXT, "static", SS_LEFT},
        {IDD_SHORTCUTS_PAGE, IDC_LINK_GROUP, "button", BS_AUTOCHECKBOX},
        {IDD_SHORTCUTS_PAGE, IDC_LINK_STARTUP, "button", BS_AUTOCHECKBOX},
        {IDD_SHORTCUTS_PAGE, IDC_LINK_DESKTOP, "button", BS_AUTOCHECKBOX},
        {IDD_GROUP_PAGE, IDC_GROUP_TEXT, "static", SS_LEFT},
        {IDD_GROUP_PAGE, IDC_GROUP_EDIT, "edit", 0},
        {IDD_GROUP_PAGE, IDC_CHANGE, "button", BS_PUSHBUTTON},
        {IDD_READY_PAGE, IDC_READY_TITLE, "static", SS_LEFT},
        {IDD_READY_PAGE, IDC_READY_TEXT, "static", SS_LEFT},
        {IDD_PROGRESS, IDC_PROGRESS_DESCRIPTION, "static", SS_LEFT},
        {IDD_PROGRESS, IDC_PROGRESS_FILE, "static", SS_LEFT},
        {IDD_PROGRESS, IDC_PROGRESS_BAR, "msctls_progress32", 0},
        {IDD_FILE_ERROR, IDC_FILE_ERROR_MESSAGE, "static", SS_LEFT},
        {IDD_FILE_ERROR, IDC_REPLACE, "button", BS_PUSHBUTTON},
        {IDD_FILE_ERROR, IDC_RETRY, "button", BS_PUSHBUTTON},
        {IDD_FILE_ERROR, IDC_IGNORE, "button", BS_PUSHBUTTON},
        {IDD_FILE_ERROR, IDC_SKIP, "button", BS_PUSHBUTTON},
        {IDD_FILE_ERROR, IDCANCEL, "button", BS_PUSHBUTTON},
        {IDD_REMOVAL, IDC_REMOVAL_STAGE, "static", SS_CENTER},
        {IDD_COMPLETION, IDOK, "button", BS_DEFPUSHBUTTON},
        {IDD_COMPLETION, IDC_LAUNCH_APP, "button", BS_AUTOCHECKBOX},
        {IDD_COMPLETION, IDC_VIEW_NOTES, "button", BS_AUTOCHECKBOX},
        {IDD_LICENSE, IDOK, "button", BS_DEFPUSHBUTTON},
        {IDD_LICENSE, IDCANCEL, "button", BS_PUSHBUTTON},
        {IDD_LICENSE, IDC_LICENSE_TEXT, "edit", 0},
    };
    for (const auto& c : controls) {
        DialogTemplate d;
        ASSERT_TRUE(LoadDialog(c.dialog, &d));
        const DialogItem* item = d.Find(c.id);
        ASSERT_TRUE(item != NULL) << "dialog " << c.dialog << " lacks control " << c.id;
        EXPECT_EQ(c.cls, item->className) << "control " << c.id << " of " << c.dialog;
        DWORD mask = item->className == "button" ? BS_TYPEMASK
                   : item->className == "static" ? SS_TYPEMASK : 0;
        EXPECT_EQ(c.type, item->style & mask) << "control " << c.id << " of " << c.dialog;
    }
}

// Both "Change" buttons share one identifier; the two edits must not.
TEST(Dialogs, IdentifiersAreUniqueWithinEachDialog) {
    for (int id : kAllDialogs) {
        DialogTemplate d;
        ASSERT_TRUE(LoadDialog(id, &d));
        for (size_t i = 0; i < d.items.size(); ++i)
            for (size_t j = i + 1; j < d.items.size(); ++j)
                if (d.items[i].id != IDC_STATIC) {
                    EXPECT_NE(d.items[i].id, d.items[j].id)
                        << "dialog " << id << " repeats " << d.items[i].id;
                }
    }
}

TEST(Dialogs, TextsWithLineBreaksAndQuotes) {
    DialogTemplate welcome, ready, license;
    ASSERT_TRUE(LoadDialog(IDD_WELCOME_PAGE, &welcome));
    ASSERT_TRUE(LoadDialog(IDD_READY_PAGE, &ready));
    ASSERT_TRUE(LoadDialog(IDD_LICENSE, &license));

    EXPECT_EQ("This wizard will lead you through the installation procedure. "
              "Installation should take a few minutes.\n\nClick Next to continue, "
              "or Cancel to stop the installation.",
              welcome.Find(IDC_WELCOME_TEXT)->text);
    EXPECT_EQ("You have finished selecting the installation options, and are now "
              "ready to install the application.\n\nClick Install to install the "
              "files, or Cancel to stop the installation.",
              ready.Find(IDC_READY_TEXT)->text);

    bool sentence = false;
    for (const DialogItem& item : license.items)
        if (item.text == "You must accept this license agreement, before installing the "
                         "software. Press the \"I Agree\" button to accept the agreement.")
            sentence = true;
    EXPECT_TRUE(sentence);
}

// The progress and removal windows are created modeless and never shown by
// the code, so they must be visible by themselves; without a system menu
// the user cannot close them in the middle of a pass.
TEST(Dialogs, ModelessWindowsShowThemselvesAndCannotBeClosed) {
    DialogTemplate progress, removal, fileError;
    ASSERT_TRUE(LoadDialog(IDD_PROGRESS, &progress));
    ASSERT_TRUE(LoadDialog(IDD_REMOVAL, &removal));
    ASSERT_TRUE(LoadDialog(IDD_FILE_ERROR, &fileError));

    EXPECT_TRUE(progress.style & WS_VISIBLE);
    EXPECT_FALSE(progress.style & WS_SYSMENU);
    EXPECT_EQ(static_cast<DWORD>(WS_CAPTION), progress.style & WS_CAPTION);
    EXPECT_EQ("Setup", progress.caption);

    EXPECT_TRUE(removal.style & WS_VISIBLE);
    EXPECT_FALSE(removal.style & WS_SYSMENU);
    EXPECT_NE(static_cast<DWORD>(WS_CAPTION), removal.style & WS_CAPTION);

    // The file error dialog is modal: DialogBoxParamA shows it once it is set up.
    EXPECT_FALSE(fileError.style & WS_VISIBLE);
    EXPECT_TRUE(fileError.style & WS_SYSMENU);
}

// A path with an ampersand must appear as written, and Enter must not pick
// an answer to a question about a file.
TEST(Dialogs, FileErrorDialogShowsPathsLiterallyAndHasNoDefault) {
    DialogTemplate d;
    ASSERT_TRUE(LoadDialog(IDD_FILE_ERROR, &d));
    EXPECT_TRUE(d.Find(IDC_FILE_ERROR_MESSAGE)->style & SS_NOPREFIX);
    for (const DialogItem& item : d.items)
        if (item.className == "button") {
            EXPECT_NE(static_cast<DWORD>(BS_DEFPUSHBUTTON), item.style & BS_TYPEMASK)
                << "button " << item.id;
        }
}

TEST(Dialogs, IconsShowTheProgramIcon) {
    // The completion dialog sets the icon of its dpi itself.
    DialogTemplate completion;
    ASSERT_TRUE(LoadDialog(IDD_COMPLETION, &completion));
    const DialogItem* frame = completion.Find(IDC_COMPLETION_ICON);
    ASSERT_TRUE(frame != NULL);
    EXPECT_EQ(static_cast<DWORD>(SS_ICON), frame->style & SS_TYPEMASK);
    for (int id : {IDD_FILE_ERROR}) {
        DialogTemplate d;
        ASSERT_TRUE(LoadDialog(id, &d));
        bool icon = false;
        for (const DialogItem& item : d.items)
            if (item.className == "static" && (item.style & SS_TYPEMASK) == SS_ICON) {
                icon = true;
                EXPECT_EQ(IDI_SETUP, item.textOrdinal) << "dialog " << id;
                EXPECT_GT(item.cx, 0) << "dialog " << id;
            }
        EXPECT_TRUE(icon) << "dialog " << id;
    }
}

TEST(Dialogs, ProgressBarClassExistsOnceCommonControlsAreInitialised) {
    InitCommonControls();
    DialogTemplate d;
    ASSERT_TRUE(LoadDialog(IDD_PROGRESS, &d));
    WNDCLASSA info;
    EXPECT_TRUE(GetClassInfoA(NULL, d.Find(IDC_PROGRESS_BAR)->className.c_str(), &info));
}

// ---------------------------------------------------------------------------
// Pictures

const BITMAPINFOHEADER* BitmapHeader(int id) {
    // A picture is a bitmap's header, then its colour table and rows
    // deflated (tools/make_art.py); the test of the platform layer expands
    // them.
    HRSRC info = FindResourceA(Module(), MAKEINTRESOURCEA(id), (LPCSTR)RT_RCDATA);
    if (!info) return NULL;
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Module(), info)));
}

// The background painting places the corner picture by its size and counts
// 90 pixels when it is missing; on 16-colour screens it must not dither.
TEST(Pictures, CornerPictureIs191By90In16Colours) {
    const BITMAPINFOHEADER* h = BitmapHeader(IDB_CORNER);
    ASSERT_TRUE(h != NULL);
    EXPECT_EQ(191, h->biWidth);
    EXPECT_EQ(90, h->biHeight);
    EXPECT_EQ(4, h->biBitCount);
}

// The side picture is centred in a frame of 70 x 153 dialog units, 121 x 248
// pixels inside its edge with the shell font at 96 dpi; a larger picture
// would be cut.
TEST(Pictures, WizardPictureFitsItsFrame) {
    const BITMAPINFOHEADER* h = BitmapHeader(IDB_WIZARD);
    ASSERT_TRUE(h != NULL);
    EXPECT_LE(h->biWidth, 121);
    EXPECT_GE(h->biWidth, 105);
    EXPECT_LE(h->biHeight, 248);
    EXPECT_GE(h->biHeight, 230);
    EXPECT_LE(h->biBitCount, 8);
}

TEST(Pictures, IconHasLargeAndSmallImages) {
    for (int size : {32, 16}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(Module(), MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, size, size, 0));
        ASSERT_TRUE(icon != NULL) << size;
        ICONINFO ii;
        ASSERT_TRUE(GetIconInfo(icon, &ii));
        BITMAP bm;
        GetObjectA(ii.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(size, bm.bmWidth);
        DeleteObject(ii.hbmMask);
        if (ii.hbmColor) DeleteObject(ii.hbmColor);
        DestroyIcon(icon);
    }

    // Exactly-sized images, not one scaled by the system.
    HRSRC group = FindResourceA(Module(), MAKEINTRESOURCEA(IDI_SETUP), (LPCSTR)RT_GROUP_ICON);
    ASSERT_TRUE(group != NULL);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(Module(), group)));
    WORD count;
    std::memcpy(&count, dir + 4, 2);
    bool has32 = false, has16 = false;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i;  // GRPICONDIRENTRY
        has32 |= entry[0] == 32 && entry[1] == 32;
        has16 |= entry[0] == 16 && entry[1] == 16;
    }
    EXPECT_TRUE(has32);
    EXPECT_TRUE(has16);
}

// ---------------------------------------------------------------------------
// Manifest and version

std::string Manifest() {
    HRSRC info = FindResourceA(Module(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (!info) return std::string();
    const char* data = static_cast<const char*>(LockResource(LoadResource(Module(), info)));
    return std::string(data, SizeofResource(Module(), info));
}

TEST(Manifest, AsksForNoRightsAndCommonControls6) {
    std::string m = Manifest();
    ASSERT_FALSE(m.empty()) << "no manifest resource 1 of type 24";
    EXPECT_EQ(0u, m.find("<?xml"));
    EXPECT_NE(std::string::npos, m.find("</assembly>"));
    EXPECT_NE(std::string::npos, m.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, m.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, m.find("6595b64144ccf1df"));
    EXPECT_NE(std::string::npos, m.find(">true</dpiAware>"));
    EXPECT_NE(std::string::npos, m.find(">PerMonitorV2, System</dpiAwareness>"));
    const char* systems[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
    };
    for (const char* id : systems) EXPECT_NE(std::string::npos, m.find(id)) << id;
}

// Setup.exe may install itself; the version check then reads exactly this
// value, so it must be in the U.S. English, Unicode table.
TEST(VersionInfo, FileVersionIsWhereTheVersionCheckLooks) {
    char path[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(NULL, path, sizeof path));
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    void* value = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                               &value, &length));
    ASSERT_GT(length, 1u);
    // A version text starts with a digit; an escape gone wrong would not.
    const char* text = static_cast<const char*>(value);
    EXPECT_TRUE(text[0] >= '0' && text[0] <= '9') << text;
}

}  // namespace
