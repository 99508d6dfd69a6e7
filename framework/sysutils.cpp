#include "sysutils.h"

#include "int_text.h"

#include <windows.h>

#include <cctype>
#include <climits>

std::string FormatMessage1(const std::string& pattern, const std::string& arg) {
    std::string out = pattern;
    auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, arg);
    return out;
}

std::string IntToStr(long long value) { return std::to_string(value); }

int StrToInt(const std::string& text) {
    int v;
    if (!ParseInteger(text, v)) throw EConvertError(FormatMessage1("'%s' is not a valid integer value", text));
    return v;
}

int StrToIntDef(const std::string& text, int fallback) {
    int v;
    return ParseInteger(text, v) ? v : fallback;
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string LowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool SameText(const std::string& a, const std::string& b) { return LowerCase(a) == LowerCase(b); }

static size_t LastSeparator(const std::string& name) { return name.find_last_of("\\:/"); }

std::string ExtractFilePath(const std::string& fileName) {
    size_t at = LastSeparator(fileName);
    return at == std::string::npos ? std::string() : fileName.substr(0, at + 1);
}

std::string ExtractFileName(const std::string& fileName) {
    size_t at = LastSeparator(fileName);
    return at == std::string::npos ? fileName : fileName.substr(at + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
    size_t dot = fileName.find_last_of(".\\:/");
    if (dot == std::string::npos || fileName[dot] != '.') return std::string();
    return fileName.substr(dot);
}

bool FileExists(const std::string& fileName) {
    DWORD a = GetFileAttributesA(fileName.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// Fills the record from the entry; false when the entry is excluded.
bool TakeEntry(const WIN32_FIND_DATAA& data, TSearchRec& found) {
    if (data.dwFileAttributes & found.ExcludeAttr) return false;
    found.Name = data.cFileName;
    found.Size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    found.Attr = static_cast<int>(data.dwFileAttributes);
    FILETIME local;
    WORD date = 0, time = 0;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    found.Time = static_cast<int>((static_cast<unsigned>(date) << 16) | time);
    return true;
}

}  // namespace

int FindFirst(const std::string& mask, int attr, TSearchRec& found) {
    found.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(mask.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        found.FindHandle = nullptr;
        return static_cast<int>(GetLastError());
    }
    found.FindHandle = h;
    while (!TakeEntry(data, found)) {
        if (!FindNextFileA(h, &data)) {
            int error = static_cast<int>(GetLastError());
            FindClose(found);
            return error;
        }
    }
    return 0;
}

int FindNext(TSearchRec& found) {
    if (!found.FindHandle) return ERROR_NO_MORE_FILES;
    WIN32_FIND_DATAA data;
    do {
        if (!FindNextFileA(static_cast<HANDLE>(found.FindHandle), &data)) return static_cast<int>(GetLastError());
    } while (!TakeEntry(data, found));
    return 0;
}

void FindClose(TSearchRec& found) {
    if (found.FindHandle) ::FindClose(static_cast<HANDLE>(found.FindHandle));
    found.FindHandle = nullptr;
}

void Abort() { throw EAbort("Operation aborted"); }
