#pragma once
#include <windows.h>

#include "platform/global_memory.h"

// A line of an installation list is split into fields at one separator
// character, counted from 0. A field in the middle may be empty; a field
// that would begin at the end of the text is absent. There is no quoting.

// Field `number` of `text` as a new block. False, `field` untouched, when
// the field is absent, the text is null, the number is negative or no
// block can be had (memory shortage surfaces later as an absent text).
bool GetField(const char* text, char separator, GlobalBlock& field, int number);

// Field `number` read as a decimal number (white space, sign, digits up to
// the first other character; no digits give 0). False, `value` untouched,
// when the field is absent.
bool GetNumberField(const char* text, char separator, LONG& value, int number);
