// Running the host's tools (ImageMagick, netpbm, libtiff...) from a test,
// in the native build and under Wine alike.
#pragma once

#include <string>

// Runs a /bin/sh command line on the host and returns its exit status
// (-1 when it could not be run).
int RunHost(const std::string& command);

// A unix path for files the tests share with host tools; the Windows build
// reaches the same path through Wine's Z: drive.
std::string TestTempPath(const std::string& name);

// True when a host program is on PATH.
bool HostHasTool(const std::string& program);

// Reads a whole file, or returns an empty string.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The kernel handles this process holds (the port's stand-in objects in the
// native build). Wine answers 0 to GetProcessHandleCount, so on Windows the
// system's handle list is counted instead.
int HandlesHeld();

// ImageMagick, called by its full name: /usr/local/bin/convert is a stand-in.
inline const std::string kConvert = "/usr/bin/convert-im6.q16";
inline const std::string kIdentify = "/usr/bin/identify-im6.q16";
inline const std::string kCompare = "/usr/bin/compare-im6.q16";
