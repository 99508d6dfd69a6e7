// The TWAIN trace: RIDAVIZ.IVA in the Windows folder, one line per step
// and one per result, appended.
#pragma once

// Formats as wvsprintfA into 1024 bytes, writes each line feed as CR LF
// and appends the text to the file; an empty text writes nothing.
void TwainLog(const char* format, ...);

// Formats of the values the trace names. Pointers print at their full
// width: eight hexadecimal digits on 32-bit Windows, sixteen on 64-bit
// (wsprintf's %p); window handles as %X, with the pointer-sized "I" prefix
// on 64-bit, so that no handle goes through a 32-bit argument.
#ifdef _WIN64
#define TWAIN_PTR "%p"
#define TWAIN_HWND "%IX"
#else
#define TWAIN_PTR "%.8lX"
#define TWAIN_HWND "%X"
#endif
