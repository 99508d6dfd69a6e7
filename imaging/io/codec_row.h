// One row per codec: what K_FileInfo, K_LoadFile and K_SaveFile reach of a
// format. Each codec file defines its row as one constant; the tables are
// gathered from the list of rows in library/codec_table.cpp, the probes in
// the order of their ranks. A new format is its codec file, its row, and
// the row's name in that list.
//
//   namespace {
//   const CodecProbe kProbes[] = {{215, true, ProbeXXX}};
//   const LoadEntry kLoads[] = {{kFormatXXX, K_LoadXXXFile, nullptr, false}};
//   const SaveEntry kSaves[] = {{kFormatXXX, SaveXXXFile, 0, 0, false}};
//   }  // namespace
//   extern const CodecRow kXXXRow = {"XXX", kProbes, {}, kLoads, kSaves, &kXXXLimits};
#pragma once

#include <span>

#include "io/codecs.h"
#include "io/probes.h"
#include "io/save_limits.h"

// A probe of K_FileInfo: run in the order of the ranks, lowest first; a
// format whose header could be taken for another's ranks after it. Ranks
// go in tens (the codec_rows test holds the order).
struct CodecProbe {
    int rank;
    bool rewind;  // seek to the start first
    ProbeFunction probe;
};

// A probe by name, run after the file is closed, in the order of the ranks.
struct CodecNameProbe {
    int rank;
    NameProbeFunction probe;
};

struct CodecRow {
    const char* name;
    std::span<const CodecProbe> probes;          // most have one, none or two
    std::span<const CodecNameProbe> nameProbes;  // PhotoCD, headerless fax
    std::span<const LoadEntry> loads;            // a code a reader takes
    std::span<const SaveEntry> saves;            // a code a writer takes
    const SaveLimits* limits;                    // the writer's depths and sides, or null
};

// Every row, in the list's order (library/codec_table.cpp).
std::span<const CodecRow* const> CodecRows();
