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

void Abort() { throw EAbort("Operation aborted"); }
