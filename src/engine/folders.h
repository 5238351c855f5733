#pragma once

// Folder helpers of the file and shortcut items.

// Creates `folder` and every missing parent, from the outermost missing one
// inwards. Texts shorter than 4 characters (drive roots such as "C:\") are
// left alone. The text is cut and restored while parents are made. A folder
// that cannot be created is not reported here: whoever writes into it next
// finds out.
void CreateFolderPath(char* folder);

// Copies the folder part of `path` (up to, not including, its last
// backslash; one in the last position counts) into `folder` of `size`
// bytes. False when there is no backslash or the folder does not fit.
bool GetFolderPart(const char* path, char* folder, int size);
