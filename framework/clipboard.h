// The system clipboard: text, registered formats and raw blocks, with
// nested opening so several formats go in as one change.
#pragma once

#include <windows.h>

#include <string>

#include "sysutils.h"

class EClipboardError : public Exception {
    using Exception::Exception;
};

class TClipboard {
public:
    ~TClipboard();
    // Opening nests; the outermost Close closes the clipboard. Open raises
    // EClipboardError "Cannot open clipboard" when another program holds it.
    void Open();
    void Close();
    // Empties it (opened around the call when it is not open).
    void Clear();
    bool HasFormat(UINT format) const;
    // The number of a named format ("Rich Text Format"), 0 when the system refuses.
    static UINT RegisterFormat(const std::string& name);
    // A zero-terminated block of the text as CF_TEXT (the clipboard is emptied first).
    void SetAsText(const std::string& text);
    // CF_TEXT up to its terminating zero, "" when there is none.
    std::string AsText();
    // Puts the bytes as a movable global block under the format, without emptying.
    void SetBuffer(UINT format, const void* data, size_t size);
    // The block of the format as bytes (its whole size), "" when there is none.
    std::string GetBuffer(UINT format);

private:
    int openCount_ = 0;
};

// The one clipboard object, made on first use.
TClipboard* Clipboard();
