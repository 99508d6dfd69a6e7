// The TWAIN trace: RIDAVIZ.IVA in the Windows folder, one line per step
// and one per result, appended.
#pragma once

// Formats as wvsprintfA into 1024 bytes, writes each line feed as CR LF
// and appends the text to the file; an empty text writes nothing.
void TwainLog(const char* format, ...);
