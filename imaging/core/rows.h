// Row and pixel access to the storage of a bitmap record. Rows are in
// storage order (row 0 is the bottom row when ViewPerspective is 2).
//
// The exported row functions (K_GetBitmapRow and friends) neither lock nor
// test Allocated: callers lock around their loops. They refuse rows,
// columns and byte counts that fall outside the storage.
#pragma once

#include "volkg.h"

// The stored bytes of rows first .. first + count - 1 of a record locked in
// memory, when they all lie inside its storage; null otherwise (disk
// storage, not locked, or fields a caller changed). Code that writes there
// keeps the row cache as the row functions would (SetRowCache).
unsigned char* StoredRowBytes(const BitmapRecord* bitmap, int first, int count);
// The row cache as K_GetBitmapRow and K_PutBitmapRow leave it after a row.
void SetRowCache(BitmapRecord* bitmap, int row);

// Byte offset of column x in a stored row at a depth (for 1 and 4 bits the
// byte that holds the pixel).
int ColumnByteOffset(int x, int bitsPerPixel);

// Writes one column: entry i goes to row i, or to row count - 1 - i with
// fromBottom. Entries are (BitsPerPixel + 7) / 8 bytes; at 1 and 4 bits the
// whole byte that holds column x. 1, -1, -4, -5, -13.
int PutBitmapColumn(BitmapRecord* bitmap, const unsigned char* entries, int x, int count, int fromBottom);
// Reads the bytes of column x of a row (1 byte at 1, 4 and 8 bits, else 2,
// 3 or 4). 1, -1, -4, -7, -13.
int GetBitmapPixelBytes(BitmapRecord* bitmap, unsigned char* out, int row, int x);

// Fills count pixels of a row buffer with one colour at the record's depth.
int FillRowColor(BitmapRecord* bitmap, COLORREF color, unsigned char* buffer, int count);
// Mirrors a row of Width pixels in place (the last pixel becomes the first).
int ReverseRow(BitmapRecord* bitmap, unsigned char* row);
