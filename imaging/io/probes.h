// The probes of K_FileInfo in their fixed order (the ranks of the codecs'
// rows, io/codec_row.h). Each probe looks at the open file (through the
// current file-access callbacks) and the header buffer, fills what it knows
// of the record and answers 1 for its format.
#pragma once

#include <cstddef>
#include <span>

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

// The probes in their order, gathered from the codecs' rows
// (library/codec_table.cpp); the probes by name in theirs.
std::span<const ProbeStep> ProbeOrder();
std::span<const NameProbeFunction> NameProbes();

// The compressed format (compressed/compressed_probe.cpp): "KORA" or "VAVO"; 1,
// 0, or -7 when the trailer cannot be read.
int ReadCompressedInfo(const ProbeInput& input, FileInfoRecord* info);
// The compressed-data stream (compressed/data_stream_probe.cpp): "QRNO"; 1 or 0.
int ReadCompressDataInfo(const ProbeInput& input, FileInfoRecord* info);
// JPEG (jpeg/jpeg_probe.cpp).
int ProbeJPEG(const ProbeInput& input, FileInfoRecord* info);
