// The probes of K_FileInfo in their fixed order. Each probe looks at the
// open file (through the current file-access callbacks) and the header
// buffer, fills what it knows of the record and answers 1 for its format.
// A format whose codec is not built yet has a null probe: "not this format".
#pragma once

#include <cstddef>

#include "volkg.h"

struct ProbeInput {
    int handle;
    const unsigned char* header;  // the first bytes of the file (up to 2000)
    int headerCount;              // bytes the header read returned
};

using ProbeFunction = int (*)(const ProbeInput& input, FileInfoRecord* info);
// Probes by name, run after the file is closed (PhotoCD, headerless fax).
using NameProbeFunction = int (*)(const char* name, FileInfoRecord* info);

enum class ProbeAction {
    Probe,         // run the probe
    ReReadHeader,  // rewind and read the header buffer again
};

struct ProbeStep {
    ProbeAction action;
    bool rewind;  // seek to the start first
    ProbeFunction probe;
    const char* format;
};

extern const ProbeStep kProbeOrder[];
extern const size_t kProbeOrderCount;
extern const NameProbeFunction kNameProbes[];
extern const size_t kNameProbeCount;

// The compressed format (jpeg/compressed_probe.cpp): "KORA" or "VAVO"; 1,
// 0, or -7 when the trailer cannot be read.
int ReadCompressedInfo(const ProbeInput& input, FileInfoRecord* info);
// The compressed-data stream (jpeg/data_stream_probe.cpp): "QRNO"; 1 or 0.
int ReadCompressDataInfo(const ProbeInput& input, FileInfoRecord* info);
// JPEG (jpeg/jpeg_probe.cpp).
int ProbeJPEG(const ProbeInput& input, FileInfoRecord* info);
