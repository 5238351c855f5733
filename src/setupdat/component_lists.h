#pragma once
#include <windows.h>

class SetupSession;

// Reads the four installation lists named in the "Setup" section (files,
// registry entries under HKEY_CLASSES_ROOT, then under HKEY_LOCAL_MACHINE,
// then under HKEY_CURRENT_USER, shortcuts; a per-user installation
// refuses the first two, and it and a set that lets the user choose refuse
// files for the system folder or shared) into the session's three item lists, adding up the bytes of
// the files. False at the first list that fails, after its error has been
// reported; the later lists are not read.
bool LoadComponentLists(SetupSession& session);

// Reads the three registry lists again into a new registry item list, as
// the scope now in effect takes them (a set that lets the user choose
// installs the machine's lists or the user's). False after the error has
// been reported.
bool LoadRegistryLists(SetupSession& session);

// Reads one list: the section named by key `listKeyId` of "Setup", one
// item of `kind` per key of that section, in file order. Registry items
// get `root`. True also when the list key is absent. On any error reports
// it and returns false; items read before stay in their list.
bool LoadItemList(SetupSession& session, WORD kind, UINT listKeyId, HKEY root);
