#pragma once
#include <string>

// Folder helpers of the file and shortcut items.

// Creates `folder` and every missing parent, from the outermost missing one
// inwards. Texts shorter than 4 characters (drive roots such as "C:\") are
// left alone. The text is cut and restored while parents are made. A folder
// that cannot be created is not reported here: whoever writes into it next
// finds out. When `outermostCreated` is given it receives the outermost
// folder that this call created, or the empty text when it created none.
void CreateFolderPath(char* folder, std::string* outermostCreated = nullptr);

// Takes back a CreateFolderPath: removes `innermost` and then each parent
// up to and including `outermost`, as long as they are empty. Nothing when
// `outermost` is empty or does not contain `innermost`.
void RemoveCreatedFolders(const char* innermost, const char* outermost);

// True when `folder` exists and holds nothing but folders whose names
// begin with a dot. Texts shorter than 4 characters (drive roots) are
// never empty.
bool IsFolderEmpty(const char* folder);

// Copies the folder part of `path` (up to, not including, its last
// backslash; one in the last position counts) into `folder` of `size`
// bytes. False when there is no backslash or the folder does not fit.
bool GetFolderPart(const char* path, char* folder, int size);
