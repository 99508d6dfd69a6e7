// The containers of CCITT-coded pages: headerless fax described by the
// load-info callback, WFX paged fax, CALS raster and IOCA image objects
// (bare or in MO:DCA structured fields), as the file-information, load and
// save tables reach them.
#pragma once

#include "io/codecs.h"
#include "io/probes.h"
#include "fax/ccitt_page.h"
#include "volkg.h"

// Headerless fax (raw_fax.cpp): the probe by name, run last by K_FileInfo;
// -9 without a load-info callback, else 1 or the callback's refusal.
int ReadRawFaxInfo(const char* name, FileInfoRecord* info);
int KAPI LoadRawFaxFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int SaveRawFaxFile(const SaveRequest& request);
// The page layout of a raw fax description.
FaxPageLayout FaxLayoutOf(const RawFaxInfo& info);

// WFX paged fax (wfx.cpp).
int ProbeWFX(const ProbeInput& input, FileInfoRecord* info);
int KAPI LoadWFXFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int SaveWFXFile(const SaveRequest& request);

// CALS raster (cals.cpp).
int ProbeCALS(const ProbeInput& input, FileInfoRecord* info);
int SaveCALSFile(const SaveRequest& request);

// IOCA (ioca.cpp).
int ProbeIOCA(const ProbeInput& input, FileInfoRecord* info);
int KAPI LoadIOCAFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int SaveIOCAFile(const SaveRequest& request);
