#pragma once
#include <windows.h>

#include "platform/gdi_objects.h"

// The pictures of Setup.exe are resources of type RT_RCDATA made by
// tools/make_art.py: the header of a 4- or 8-bit bitmap, then its colour
// table and rows as one raw LZMA2 stream (payload/lzma2_decoder.h). Loads picture `id` as a bitmap for
// the screen, like LoadBitmap; none when it is missing or damaged, or when
// there is no memory for it.
GdiObject LoadPicture(HINSTANCE instance, WORD id);
