// The TIFF faces that the file layer's tables and the other codecs reach.
#pragma once

#include "io/codecs.h"
#include "io/probes.h"
#include "volkg.h"

// The TIFF probe on an open handle (whole file or a sub-file window):
// 1 with the record filled for the page the option block names, or 0.
int ReadTIFInfo(int handle, FileInfoRecord* info);
int ProbeTIFF(const ProbeInput& input, FileInfoRecord* info);
// The TIFF writer of K_SaveFile (save codes 3, 17, 25, 27, 28, 29).
int SaveTIFFile(const SaveRequest& request);
