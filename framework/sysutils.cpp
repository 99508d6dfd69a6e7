#include "sysutils.h"

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

static bool ParseInt(const std::string& text, int& out) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;  // leading blanks are allowed, trailing ones are not
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;
  long long value = 0;
  for (; i < n; ++i) {
    int c = static_cast<unsigned char>(text[i]), d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && std::isxdigit(c)) d = std::tolower(c) - 'a' + 10;
    else return false;
    value = value * base + d;
    if (value > 0x100000000LL) return false;
  }
  if (negative) value = -value;
  if (base == 10 && (value > INT_MAX || value < INT_MIN)) return false;
  if (base == 16 && (value > 0xFFFFFFFFLL || value < -0xFFFFFFFFLL)) return false;
  out = static_cast<int>(static_cast<unsigned>(value));
  return true;
}

int StrToInt(const std::string& text) {
  int v;
  if (!ParseInt(text, v)) throw EConvertError(FormatMessage1("'%s' is not a valid integer value", text));
  return v;
}

int StrToIntDef(const std::string& text, int fallback) {
  int v;
  return ParseInt(text, v) ? v : fallback;
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

void Abort() { throw EAbort("Operation aborted"); }
