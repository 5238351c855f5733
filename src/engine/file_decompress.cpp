// The two file-system steps of installing one file: expanding the source
// into the temporary file, and clearing the way for the rename.

#include "engine/file_item.h"
#include "engine/lz_file.h"
#include "engine/version_check.h"

namespace {

// Whether a file (not a folder) of that name exists. OpenFile with
// OF_EXIST would do, but its record holds only 128 characters of path and
// it reports longer paths as missing, which would make the rename over an
// existing file fail later.
bool FileExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

FileSituation FileItem::DecompressFile(const char* sourcePath, const char* tempPath) const {
  // Declared in this order so that a way out closes the temporary file
  // before the source, as the explicit closes below do.
  LzFile sourceFile;
  if (!sourceFile.OpenSource(sourcePath)) return FILE_SITUATION_OPEN_SOURCE;
  LzFile tempFile;
  if (!tempFile.CreateTarget(tempPath)) return FILE_SITUATION_OPEN_TEMP;

  const LONG written = LzFile::Copy(sourceFile, tempFile);
  tempFile.Close();
  sourceFile.Close();

  if (written < 0) return FILE_SITUATION_COPY;
  if (written != size) return FILE_SITUATION_SIZE;
  return FILE_SITUATION_NONE;
}

FileSituation FileItem::ClearDestination(const char* tempPath, const char* destinationPath, bool force) const {
  if (!FileExists(destinationPath)) return FILE_SITUATION_NONE;
  if (!force && IsOlderVersion(tempPath, destinationPath)) return FILE_SITUATION_OLDER;
  return DeleteFileA(destinationPath) ? FILE_SITUATION_NONE : FILE_SITUATION_IN_USE;
}
