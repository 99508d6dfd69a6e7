// Exceptions of the framework and the small conversions around them.
#pragma once

#include <stdexcept>
#include <string>

// Root of every error the framework raises; Message is what the
// application's error display shows.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A text that is not a number: "'%s' is not a valid integer value".
class EConvertError : public Exception {
    using Exception::Exception;
};
// A picture file the reader does not accept.
class EInvalidGraphic : public Exception {
    using Exception::Exception;
};
// A registry read or write that failed.
class ERegistryException : public Exception {
    using Exception::Exception;
};
// A file that cannot be opened: "Cannot open file \"%s\"".
class EFOpenError : public Exception {
    using Exception::Exception;
};
// Timers, handles or other system resources ran out.
class EOutOfResources : public Exception {
    using Exception::Exception;
};
// Silent exception: the application's error display ignores it.
class EAbort : public Exception {
    using Exception::Exception;
};

// Fills the first %s of a message pattern with an argument.
std::string FormatMessage1(const std::string& pattern, const std::string& arg);

std::string IntToStr(long long value);
// Text to integer by the rule of int_text.h; anything else raises EConvertError.
int StrToInt(const std::string& text);
int StrToIntDef(const std::string& text, int fallback);

// ASCII letters only, like the system's own conversions of file extensions.
std::string UpperCase(std::string text);
std::string LowerCase(std::string text);
// Equal but for the case of ASCII letters: the one rule for the names of
// properties, components, handlers and classes in layouts.
bool SameText(const std::string& a, const std::string& b);

// File names, with '\' (and ':' for the drive) as separators.
std::string ExtractFilePath(const std::string& fileName);  // up to and including the last separator
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);  // from the last '.', "" when none
bool FileExists(const std::string& fileName);

// Directory search. Attributes of TSearchRec::Attr and of the search.
constexpr int faReadOnly = 0x01, faHidden = 0x02, faSysFile = 0x04, faVolumeID = 0x08, faDirectory = 0x10,
              faArchive = 0x20, faAnyFile = 0x3F;
struct TSearchRec {
    std::string Name;  // without the folder
    long long Size = 0;
    int Attr = 0;
    int Time = 0;  // last write, local time, as a DOS date (high word) and time (low word)
    void* FindHandle = nullptr;
    int ExcludeAttr = 0;
};
// The first file matching the mask (wildcards * and ?); 0 when one was
// found, else a system error code. Hidden, system and directory entries are
// found only when attr includes them; plain, read-only and archive files
// always are. Every successful FindFirst needs its FindClose.
int FindFirst(const std::string& mask, int attr, TSearchRec& found);
int FindNext(TSearchRec& found);
void FindClose(TSearchRec& found);

// Silent abort: raises EAbort.
[[noreturn]] void Abort();
