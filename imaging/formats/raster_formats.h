// Probes, readers and writers of the raster formats (BMP, TGA, PCX and DCX,
// GIF, PNG, Photoshop, Sun raster and the other legacy ones), as the
// file-information, load and save tables reach them.
#pragma once

#include "io/codecs.h"
#include "io/probes.h"
#include "io/output.h"
#include "io/source.h"
#include "volkg.h"

// BMP (bmp.cpp): "BM", or "BA" with "BM" 14 bytes later.
int ProbeBMP(const ProbeInput& input, FileInfoRecord* info);
int SaveBMPFile(const SaveRequest& request);

// TGA (tga.cpp).
int CheckTGAHeader(const unsigned char* header);
int ReadTGAInfo(const unsigned char* header, FileInfoRecord* info);
int ProbeTGA(const ProbeInput& input, FileInfoRecord* info);
void WriteTGAHeader(Output& out, const BitmapRecord* bitmap, int bitsPerPixel);
int SaveTGAFile(const SaveRequest& request);

// PCX and DCX (pcx.cpp).
int ProbePCX(const ProbeInput& input, FileInfoRecord* info);
int SavePCXFile(const SaveRequest& request);
// The page of a PCX or DCX file: number clamped to 1..1023 and lowered to
// the last page present; start and end offsets of that page. 1, -7, -9.
int FindPCXPage(Source& in, int* page, int* start, int* end);

// GIF (gif.cpp).
int ProbeGIF(const ProbeInput& input, FileInfoRecord* info);
int SaveGIFFile(const SaveRequest& request);
// K_LoadGIFBitmap for the load table: the whole image into an allocated record.
int GifWholeImage(const char* name, BitmapRecord* bitmap);

// PNG (png.cpp).
int ProbePNG(const ProbeInput& input, FileInfoRecord* info);
int KAPI LoadPNGFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int SavePNGFile(const SaveRequest& request);

// Photoshop (psd.cpp).
int ReadPSDInfo(int handle, FileInfoRecord* info);
int ProbePSD(const ProbeInput& input, FileInfoRecord* info);
int KAPI LoadPSDFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
void WritePSDHeader(Output& out, const BitmapRecord* bitmap, int bitsPerPixel);
int SavePSDFile(const SaveRequest& request);

// Sun raster (sun_raster.cpp).
int ProbeRAS(const ProbeInput& input, FileInfoRecord* info);
int SaveRASFile(const SaveRequest& request);

// MacPaint (macpaint.cpp).
int ProbeMAC(const ProbeInput& input, FileInfoRecord* info);
int SaveMACFile(const SaveRequest& request);

// GEM IMG (gem_img.cpp).
int ProbeIMG(const ProbeInput& input, FileInfoRecord* info);
int SaveIMGFile(const SaveRequest& request);

// Microsoft Paint (msp.cpp).
int ProbeMSP(const ProbeInput& input, FileInfoRecord* info);
int SaveMSPFile(const SaveRequest& request);

// WPG raster (wpg.cpp).
int ProbeWPG(const ProbeInput& input, FileInfoRecord* info);
int SaveWPGFile(const SaveRequest& request);

// PICT (pict.cpp).
int ProbePCT(const ProbeInput& input, FileInfoRecord* info);
int SavePCTFile(const SaveRequest& request);

// Encapsulated PostScript (eps.cpp): a "%!PS" text with a hexadecimal
// image (code 16), or a binary header with a TIFF preview (code 63).
int ReadEPSInfo(int handle, FileInfoRecord* info);
int ProbeEPS(const ProbeInput& input, FileInfoRecord* info);
int SaveEPSFile(const SaveRequest& request);

// Windows metafile (wmf.cpp; drawn by wmf_win32.cpp): a plain or placeable
// metafile, drawn at 24 bits.
int ReadWMFInfo(int handle, const unsigned char* header, int headerCount, FileInfoRecord* info);
int ProbeWMF(const ProbeInput& input, FileInfoRecord* info);
int SaveWMFFile(const SaveRequest& request);
// K_LoadWMFBitmap for the load table: drawn at the screen's size (Windows only).
int WmfWholeImage(const char* name, BitmapRecord* bitmap);

// PhotoCD (photocd.cpp), through the access library when it is bound: the
// probe by file name (1, 0 without the library, -7).
int ReadPCDInfo(const char* name, FileInfoRecord* info);
