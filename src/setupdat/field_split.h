#pragma once
#include <cstddef>
#include <string>

// A line of an installation list is split into fields at one separator
// character, counted from 0. A field in the middle may be empty; a field
// that would begin at the end of the text is absent. There is no quoting.
// Nothing here uses the platform: the installer and the authoring kit
// split a line the same way.

// Where field `number` of `text` begins and how long it is. False when
// the field is absent, the text is null or the number is negative.
bool LocateField(const char* text, char separator, int number, const char*& start, std::size_t& length);

// Field `number` as a string; false, `field` untouched, when absent.
bool FieldText(const char* text, char separator, int number, std::string& field);

// Field `number` read as a decimal number the way the installer reads it
// (white space, sign, digits up to the first other character; no digits
// give 0; long digit runs clamp to the 32-bit range). False, `value` untouched, when absent.
bool FieldNumber(const char* text, char separator, int number, long& value);
