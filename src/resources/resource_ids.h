/*
 * Numbers of every resource in Setup.exe.
 *
 * This header is read both by the C++ sources and by windres, so it may hold
 * nothing but #defines and comments: no types, no casts, no C++.
 *
 * The numbers are fixed: the code looks names of files, sections, keys and
 * registry paths up by number, and Setup.dat files in the field rely on
 * the texts behind them. Never renumber an entry.
 */
#ifndef SETUP_RESOURCE_IDS_H
#define SETUP_RESOURCE_IDS_H

/* Controls without an identifier of their own (labels, pictures, lines). */
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* ------------------------------------------------------------------------
 * Dialog templates.
 * Wizard pages: the property sheet (wizard/). Progress: the install run
 * (engine/). File error: file installation (engine/). Removal: the uninstall
 * run (uninstall/). Completion and licence: wizard/.
 * ---------------------------------------------------------------------- */
#define IDD_FOLDER_PAGE         102  /* wizard page 1: installation folder  */
#define IDD_SHORTCUTS_PAGE      104  /* wizard page 2: shortcut choices     */
#define IDD_GROUP_PAGE          105  /* wizard page 3: Start-menu group     */
#define IDD_READY_PAGE          106  /* wizard page 4: ready to install     */
#define IDD_WELCOME_PAGE        107  /* wizard page 0: welcome              */
#define IDD_PROGRESS            108  /* modeless install progress window    */
#define IDD_FILE_ERROR          109  /* modal file problem question         */
#define IDD_REMOVAL             111  /* modeless uninstall stage window     */
#define IDD_COMPLETION          114  /* modal "Installation Complete!"      */
#define IDD_LICENSE             115  /* modal licence agreement             */

/* ------------------------------------------------------------------------
 * Icon: main window class (shell/), file error and completion dialogs.
 * ---------------------------------------------------------------------- */
#define IDI_SETUP               110

/* ------------------------------------------------------------------------
 * Pictures (RT_RCDATA, platform/picture.h): the side picture of every
 * wizard page (wizard/) and the picture in the bottom-right corner of the
 * background window (shell/), each at 100%, 150% and 200% for the window's
 * dpi.
 * ---------------------------------------------------------------------- */
#define IDB_WIZARD              112
#define IDB_CORNER              113  /* 191 x 90 pixels, 16 colours */
#define IDB_WIZARD_150          116
#define IDB_WIZARD_200          117
#define IDB_CORNER_150          118  /* 287 x 135 pixels */
#define IDB_CORNER_200          119  /* 382 x 180 pixels */

/* ------------------------------------------------------------------------
 * Controls of the wizard pages (wizard/).
 * ---------------------------------------------------------------------- */
#define IDC_WELCOME_TITLE       1001 /* 107: "Welcome!" in the title font    */
#define IDC_WELCOME_TEXT        1002 /* 107: introduction                    */
#define IDC_FOLDER_TEXT         1003 /* 102: explanation                     */
#define IDC_FOLDER_EDIT         1004 /* 102: installation folder             */
#define IDC_SHORTCUTS_TEXT      1021 /* 104: explanation                     */
#define IDC_LINK_GROUP          1022 /* 104: Start-menu shortcuts check box  */
#define IDC_LINK_STARTUP        1023 /* 104: Startup folder check box        */
#define IDC_LINK_DESKTOP        1024 /* 104: desktop shortcut check box      */
#define IDC_GROUP_TEXT          1025 /* 105: explanation                     */
#define IDC_GROUP_EDIT          1027 /* 105: Start-menu group                */
#define IDC_READY_TITLE         1029 /* 106: "Ready to install", title font  */
#define IDC_READY_TEXT          1030 /* 106: closing words                   */
#define IDC_SPACE_REQUIRED      1032 /* 102: "%lu Kb" of the bytes to copy   */
#define IDC_SPACE_AVAILABLE     1033 /* 102: "%lu Kb" free on the drive      */
#define IDC_CHANGE              1050 /* 102 and 105: browse button           */
#define IDC_WIZARD_PICTURE      1060 /* every page: the side picture         */

/* ------------------------------------------------------------------------
 * Controls of the progress window, dialog 108 (engine/).
 * ---------------------------------------------------------------------- */
#define IDC_PROGRESS_DESCRIPTION 1034 /* description of the current file    */
#define IDC_PROGRESS_FILE       1035  /* destination path, shortened        */
#define IDC_PROGRESS_BAR        1036  /* msctls_progress32, in KiB          */

/* ------------------------------------------------------------------------
 * Controls of the file error dialog, dialog 109 (engine/). Cancel is IDCANCEL.
 * The answer of each button is the FileAnswer bit named in the comment.
 * ---------------------------------------------------------------------- */
#define IDC_FILE_ERROR_MESSAGE  1037
#define IDC_REPLACE             1052 /* answer 1  */
#define IDC_RETRY               1053 /* answer 2  */
#define IDC_IGNORE              1054 /* answer 4  */
#define IDC_SKIP                1055 /* answer 8  */

/* ------------------------------------------------------------------------
 * Control of the removal window, dialog 111 (uninstall/).
 * ---------------------------------------------------------------------- */
#define IDC_REMOVAL_STAGE       1043

/* ------------------------------------------------------------------------
 * Controls of the completion dialog, dialog 114 (wizard/). OK is IDOK.
 * ---------------------------------------------------------------------- */
#define IDC_LAUNCH_APP          1057 /* start the "Execute" program */
#define IDC_VIEW_NOTES          1058 /* open the "View" file        */
#define IDC_COMPLETION_ICON     1061 /* icon 110 in the window's size */
#define IDC_SCOPE_USER          1062 /* welcome page: for the user alone  */
#define IDC_SCOPE_MACHINE       1063 /* welcome page: for every user      */

/* ------------------------------------------------------------------------
 * Control of the licence agreement, dialog 115 (wizard/).
 * "I agree" is IDOK, "Cancel" is IDCANCEL.
 * ---------------------------------------------------------------------- */
#define IDC_LICENSE_TEXT        1059

/* ------------------------------------------------------------------------
 * Strings: fixed names of files, sections and keys of Setup.dat.
 * Readers and writers of Setup.dat (setupdat/, uninstall/, engine/).
 * A missing entry is error 100.
 * ---------------------------------------------------------------------- */
#define IDS_SETUPDAT_FILE       1    /* "\Setup.dat", appended to a folder */
#define IDS_SECTION_SETUP       2    /* "Setup"                            */
#define IDS_KEY_TITLE           3
#define IDS_KEY_STARTUP         4
#define IDS_KEY_DESKTOP         5
#define IDS_KEY_GROUP           6
#define IDS_KEY_DEFAULTGROUP    8
#define IDS_KEY_FILES           19
#define IDS_KEY_REGCLASSES      20
#define IDS_KEY_REGMACHINE      21
#define IDS_KEY_SHORTCUTS       22
#define IDS_KEY_DEFAULTFOLDER   26
#define IDS_SECTION_UNINSTALL   47
#define IDS_KEY_INSTALLFOLDER   48
#define IDS_KEY_INSTALLGROUP    49
#define IDS_KEY_INSTALLLINKS    50
#define IDS_KEY_APP             60
#define IDS_KEY_EXECUTE         61
#define IDS_KEY_VIEW            62
#define IDS_KEY_LICENSE         66
#define IDS_KEY_CHECK           67

/* ------------------------------------------------------------------------
 * Strings: registry paths and value names.
 * Predefined variables (variables/) and shared-DLL counts (registry/).
 * ---------------------------------------------------------------------- */
#define IDS_REG_CURRENTVERSION  9    /* HKLM key of "ProgramFilesDir"      */
#define IDS_REG_PROGRAMFILESDIR 10
#define IDS_REG_SHELLFOLDERS    12   /* HKCU Explorer\Shell Folders        */
#define IDS_REG_DESKTOP         13
#define IDS_REG_STARTUP         14
#define IDS_REG_PROGRAMS        15
#define IDS_REG_SHAREDDLLS      24   /* HKLM key of the shared-DLL counts  */

/* ------------------------------------------------------------------------
 * Strings: texts of the file error dialog, one per file situation
 * (engine/). The situation codes 1000-1012 are not string numbers; the
 * dialog maps each situation to one of these.
 * ---------------------------------------------------------------------- */
#define IDS_FILE_IN_USE         31   /* situation 1012                     */
#define IDS_FILE_CANNOT_CREATE  35   /* situation 1001                     */
#define IDS_FILE_SETUP_ERROR    39   /* situation 1000                     */
#define IDS_FILE_DISK_FULL      40   /* situations 1002 and 1003           */
#define IDS_FILE_OLDER_VERSION  41   /* situation 1011                     */
#define IDS_FILE_SIZE_MISMATCH  42   /* situation 1010                     */

/* ------------------------------------------------------------------------
 * Strings: messages and texts shown to the user.
 * Start-up and step sequence (shell/), restart offer (engine/), removal
 * confirmation (uninstall/), wizard, checks and completion (wizard/).
 * Entries marked %s are wsprintfA formats with exactly one %s.
 * ---------------------------------------------------------------------- */
#define IDS_RESTART_QUESTION    51
#define IDS_NEEDS_WIN95         52
#define IDS_CONFIRM_REMOVE      53   /* %s: application name               */
#define IDS_UNINSTALL_CANCELLED 54
#define IDS_INSTALL_FAILED      55
#define IDS_UNINSTALL_FAILED    57
#define IDS_UNINSTALL_DONE      58
#define IDS_START_APP           63   /* "Start " + application name        */
#define IDS_HELP_FILE           64   /* help file and window for WinHelpA  */
#define IDS_LAUNCH_AT_STARTUP   65   /* %s: application name               */
#define IDS_APP_STILL_OPEN      68   /* %s: application name               */
#define IDS_RECORD_DAMAGED      69   /* uninstall: the install log is not to be trusted */
#define IDS_INSTALLLOG_FILE     70   /* "\Install.log" in the installation folder */
#define IDS_KEY_UNINSTALLKEY    71   /* [Setup]: the uninstall entry's key name */
#define IDS_KEY_VERSION         72   /* [Setup]: the product's version     */
#define IDS_KEY_PUBLISHER       73   /* [Setup]: who publishes it          */
#define IDS_REG_UNINSTALL       74   /* the uninstall entries' key         */
#define IDS_UPDATE_NOTE         75   /* welcome page: %s name, %s old, %s new version */
#define IDS_RECOVERED           76   /* an interrupted run was put right   */
#define IDS_KEY_VIEWTEXT        77   /* [Setup]: the completion's second box */
#define IDS_KEY_REGUSER         78   /* [Setup]: the list under HKEY_CURRENT_USER */
#define IDS_KEY_SCOPE           79   /* [Setup]: user, machine or choose   */
#define IDS_PAYLOAD_DAMAGED     90   /* the one-file program is damaged    */

/* ------------------------------------------------------------------------
 * Strings: texts of the thrown error codes (shell/ ReportError).
 * The text of code n is IDS_ERR_BASE + n; codes without an entry are
 * reported as "Error n".
 * ---------------------------------------------------------------------- */
#define IDS_ERR_BASE            1000
#define IDS_ERR_UNDEFINED       1000 /* code 0   */
#define IDS_ERR_NO_MEMORY       1001 /* code 1   */
#define IDS_ERR_GENERAL         1002 /* code 2   */
#define IDS_ERR_EXPAND          1003 /* code 3   */
#define IDS_ERR_NO_STRING       1100 /* code 100 */
#define IDS_ERR_NO_SETUPDAT     1101 /* code 101 */
#define IDS_ERR_REG_OPEN        1200 /* code 200 */
#define IDS_ERR_REG_CREATE      1201 /* code 201 */
#define IDS_ERR_REG_QUERY       1202 /* code 202 */
#define IDS_ERR_REG_SET         1203 /* code 203 */
#define IDS_ERR_NO_COMPONENTS   1300 /* code 300 */
#define IDS_ERR_BAD_LIST        1301 /* code 301 */
#define IDS_ERR_UNINSTALL_INFO  1102 /* code 102 */
#define IDS_ERR_MISSING_FILE    1302 /* code 302 */

#endif /* SETUP_RESOURCE_IDS_H */
