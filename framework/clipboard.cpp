#include "clipboard.h"

#include <cstring>
#include <memory>

#include "application.h"

TClipboard* Clipboard() {
    static std::unique_ptr<TClipboard> clipboard(new TClipboard);
    return clipboard.get();
}

TClipboard::~TClipboard() {
    if (openCount_ > 0) CloseClipboard();
}

void TClipboard::Open() {
    if (openCount_ == 0) {
        HWND owner = Application ? Application->Handle() : nullptr;
        // Another program may hold it for a moment.
        bool opened = false;
        for (int i = 0; i < 10 && !opened; ++i) {
            opened = OpenClipboard(owner) != FALSE;
            if (!opened) Sleep(10);
        }
        if (!opened) throw EClipboardError("Cannot open clipboard");
    }
    ++openCount_;
}

void TClipboard::Close() {
    if (openCount_ == 0) return;
    if (--openCount_ == 0) CloseClipboard();
}

void TClipboard::Clear() {
    Open();
    EmptyClipboard();
    Close();
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != FALSE; }

UINT TClipboard::RegisterFormat(const std::string& name) { return RegisterClipboardFormatA(name.c_str()); }

void TClipboard::SetBuffer(UINT format, const void* data, size_t size) {
    Open();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size > 0 ? size : 1);
    if (!block) {
        Close();
        throw EOutOfResources("Out of memory for the clipboard");
    }
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    // The clipboard owns the block once it takes it.
    if (!SetClipboardData(format, block)) {
        GlobalFree(block);
        Close();
        throw EClipboardError("Cannot put the data on the clipboard");
    }
    Close();
}

std::string TClipboard::GetBuffer(UINT format) {
    Open();
    std::string bytes;
    HANDLE block = GetClipboardData(format);
    if (block) {
        const void* p = GlobalLock(block);
        if (p) bytes.assign(static_cast<const char*>(p), GlobalSize(block));
        GlobalUnlock(block);
    }
    Close();
    return bytes;
}

void TClipboard::SetAsText(const std::string& text) {
    Open();
    try {
        EmptyClipboard();
        SetBuffer(CF_TEXT, text.c_str(), text.size() + 1);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

std::string TClipboard::AsText() {
    std::string bytes = GetBuffer(CF_TEXT);
    return bytes.substr(0, bytes.find('\0'));
}
