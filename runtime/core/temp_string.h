// The temporary string stack: one growable UTF-16 buffer in which string expressions and the
// results of text-returning operations are built, discarded by setting the position back.
// Also the runtime's small string utilities.
#pragma once

#include <cstdint>

void TempStringStart();  // own heap, 16-byte buffer, position 0
void TempStringEnd();    // frees the buffer and the heap

char16_t* TempStringBuffer();     // start of the text area; moves when the buffer grows
int64_t TempStringPosition();     // byte offset of the next text; always even
int64_t TempStringCapacity();     // bytes the buffer is managed for (allocated with 10 more)
char16_t* TempStringAt(int64_t position);  // buffer + position, valid until the next reservation

void TempStringAppend(const char16_t* text);  // null appends an empty text
char16_t* TempStringReserve(int32_t count, int32_t base);
void TempStringSetPosition(int32_t position);  // and terminates the text there
void TempStringGiveBack(int32_t count);        // characters handed back from a reservation

void CopyChars(char16_t* destination, const char16_t* source, int64_t count);  // then a terminator
int FormatText(char16_t* destination, const char16_t* format, ...);
char16_t* StringDuplicate(const char16_t* text);  // copy on the runtime heap; null for null
void StringFree(char16_t* text);
