/*
 * volkg: raster imaging library, public interface.
 *
 * Plain C. Every export uses the standard Windows calling convention and
 * returns an int status (1 success, negative failure) unless noted.
 */
#ifndef VOLKG_H
#define VOLKG_H

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KAPI __stdcall

/* The 32-bit flavour keeps the published 4-byte-packed layouts; the 64-bit
   one aligns its pointer-sized fields naturally, as Windows' own structures do. */
#if defined(_WIN64) || defined(__LP64__)
#define VOLKG_64BIT 1
#else
#define VOLKG_64BIT 0
#endif

/* ---- Return codes ------------------------------------------------------ */

#define K_OK 1
#define K_ERR_MEMORY -1   /* memory, storage, palette or table */
#define K_ERR_NOBITMAP -2 /* record missing or not allocated */
#define K_ERR_PNG -3
#define K_ERR_SEEK -4
#define K_ERR_WRITE -5
#define K_ERR_READ -7
#define K_ERR_NONAME -8
#define K_ERR_FORMAT -9
#define K_ERR_OPEN -10
#define K_ERR_SIZE -11
#define K_ERR_ARGUMENT -13
#define K_ERR_CREATE -14
#define K_ERR_TIFFCOMP -15
#define K_ERR_UNSUPPORTED -16
#define K_ERR_COMPRESSARG -21
#define K_ERR_BITS -27
#define K_ERR_QUALITY -36
#define K_ERR_ROWWIDTH -42
#define K_ERR_CCITT_CODE -70 /* -70 .. -74 */
#define K_ERR_CCITT_SHORT -75
#define K_ERR_BADCODE -77
#define K_ERR_TWAIN_NONE -79
#define K_ERR_TWAIN -80
#define K_ERR_TWAIN_LOWMEM -81
#define K_ERR_TWAIN_NODS -82
#define K_ERR_TWAIN_MAXCONN -83
#define K_ERR_TWAIN_OPERR -84
#define K_ERR_TWAIN_BADCAP -85
#define K_ERR_TWAIN_PROTO -86
#define K_ERR_TWAIN_VALUE -87
#define K_ERR_TWAIN_SEQ -88
#define K_ERR_TWAIN_DEST -89
#define K_ERR_TWAIN_CANCEL -90
#define K_ERR_DIB_FIRST -91 /* -91 .. -93 */
#define K_ERR_DIB_LAST -93
#define K_ERR_NOTCOMPRESSED -100 /* internal, never returned */

/* ---- Bitmap record ----------------------------------------------------- */

/* Flags word */
#define K_ALLOCATED 0x0001
#define K_MEMORY_STORAGE 0x0002
#define K_DISK_STORAGE 0x0010
#define K_LOCKED 0x0040
#define K_INTERLACED 0x0080
#define K_GRAY_PALETTE 0x0100
#define K_OPTIMIZED_PALETTE 0x0200
#define K_FIXED_PALETTE_IN_USE 0x0400
#define K_FILE_PALETTE 0x0800
#define K_DISPLAY_RECT_VALID 0x1000
#define K_PALETTE_INDEX_MAP 0x4000
/* Flags that describe storage; never copied to another record. */
#define K_STORAGE_FLAGS (K_ALLOCATED | K_MEMORY_STORAGE | K_DISK_STORAGE | K_LOCKED)

/* Storage kinds for K_AllocateBitmap */
#define K_STORAGE_ANY 1 /* memory, falling back to disk */
#define K_STORAGE_DISK 128
#define K_STORAGE_MEMORY 256

/* View perspective (row order of the storage) */
#define K_TOP_DOWN 0
#define K_BOTTOM_UP 2

/* Colour order of 16, 24 and 32-bit pixels */
#define K_ORDER_RGB 0
#define K_ORDER_BGR 1

#if VOLKG_64BIT
#pragma pack(push, 8)
#else
#pragma pack(push, 4)
#endif
typedef struct BitmapRecord {
    HANDLE StorageHandle;
    unsigned char* DataPointer; /* rows while locked; temp file name on disk */
    unsigned char Reserved1[32];
    int FormatCode;
    int Width;
    int Height;
    int BitsPerPixel;
    int BytesPerLine;
    int RowCacheOffset;
    int RowCacheIndex;
    int ImageOriginX;
    int ImageOriginY;
    unsigned int Flags;
    int Colors;
    BITMAPINFOHEADER DibHeader;
    RGBQUAD ColorTable[256];
    HPALETTE PaletteHandle;
    HPALETTE FixedPaletteHandle;
    RECT DisplayRect;
    int ViewPerspective;
    int ColorOrder;
    unsigned int ImageSize;
    int Reserved2;
    void* DitherStatePointer;
    int DitheringMethod;
    unsigned char Reserved3[60];
    int XResolution;
    int YResolution;
    int ResolutionUnit;
    int Reserved4;
    int Reserved5[2]; /* travel with the record through loads */
} BitmapRecord;
#pragma pack(pop)

#if defined(__cplusplus) && __cplusplus >= 201103L
#if !VOLKG_64BIT
static_assert(sizeof(void*) == 4, "the 32-bit flavour");
static_assert(sizeof(BitmapRecord) == 1280, "BitmapRecord is 1280 bytes");
static_assert(offsetof(BitmapRecord, FormatCode) == 40, "layout");
static_assert(offsetof(BitmapRecord, Width) == 44, "layout");
static_assert(offsetof(BitmapRecord, Height) == 48, "layout");
static_assert(offsetof(BitmapRecord, BitsPerPixel) == 52, "layout");
static_assert(offsetof(BitmapRecord, Flags) == 76, "layout");
static_assert(offsetof(BitmapRecord, Colors) == 80, "layout");
static_assert(offsetof(BitmapRecord, DibHeader) == 84, "layout");
static_assert(offsetof(BitmapRecord, ColorTable) == 124, "layout");
static_assert(offsetof(BitmapRecord, PaletteHandle) == 1148, "layout");
static_assert(offsetof(BitmapRecord, FixedPaletteHandle) == 1152, "layout");
static_assert(offsetof(BitmapRecord, DisplayRect) == 1156, "layout");
static_assert(offsetof(BitmapRecord, ViewPerspective) == 1172, "layout");
static_assert(offsetof(BitmapRecord, ColorOrder) == 1176, "layout");
static_assert(offsetof(BitmapRecord, ImageSize) == 1180, "layout");
static_assert(offsetof(BitmapRecord, DitherStatePointer) == 1188, "layout");
static_assert(offsetof(BitmapRecord, DitheringMethod) == 1192, "layout");
static_assert(offsetof(BitmapRecord, XResolution) == 1256, "layout");
static_assert(offsetof(BitmapRecord, YResolution) == 1260, "layout");
static_assert(offsetof(BitmapRecord, ResolutionUnit) == 1264, "layout");
#else
static_assert(sizeof(void*) == 8, "the 64-bit flavour");
static_assert(sizeof(BitmapRecord) == 1304, "BitmapRecord is 1304 bytes on 64-bit");
static_assert(offsetof(BitmapRecord, DataPointer) == 8, "layout");
static_assert(offsetof(BitmapRecord, FormatCode) == 48, "layout");
static_assert(offsetof(BitmapRecord, Width) == 52, "layout");
static_assert(offsetof(BitmapRecord, Height) == 56, "layout");
static_assert(offsetof(BitmapRecord, BitsPerPixel) == 60, "layout");
static_assert(offsetof(BitmapRecord, Flags) == 84, "layout");
static_assert(offsetof(BitmapRecord, Colors) == 88, "layout");
static_assert(offsetof(BitmapRecord, DibHeader) == 92, "layout");
static_assert(offsetof(BitmapRecord, ColorTable) == 132, "layout");
static_assert(offsetof(BitmapRecord, PaletteHandle) == 1160, "layout");
static_assert(offsetof(BitmapRecord, FixedPaletteHandle) == 1168, "layout");
static_assert(offsetof(BitmapRecord, DisplayRect) == 1176, "layout");
static_assert(offsetof(BitmapRecord, ViewPerspective) == 1192, "layout");
static_assert(offsetof(BitmapRecord, ColorOrder) == 1196, "layout");
static_assert(offsetof(BitmapRecord, ImageSize) == 1200, "layout");
static_assert(offsetof(BitmapRecord, DitherStatePointer) == 1208, "layout");
static_assert(offsetof(BitmapRecord, DitheringMethod) == 1216, "layout");
static_assert(offsetof(BitmapRecord, XResolution) == 1280, "layout");
static_assert(offsetof(BitmapRecord, YResolution) == 1284, "layout");
static_assert(offsetof(BitmapRecord, ResolutionUnit) == 1288, "layout");
#endif
#endif

/* ---- Callbacks --------------------------------------------------------- */

/* Rows delivered by a reader: consecutive, BytesPerLine each. 1 = go on. */
typedef int(KAPI* RowCallback)(BitmapRecord* bitmap, unsigned char* rows, int rowCount, void* userData);
/* Rows supplied to a writer instead of a stored bitmap. 1 = go on. */
typedef int(KAPI* SaveRowCallback)(BitmapRecord* bitmap, unsigned char* buffer, int row, int rowCount, void* userData);
/* Progress of long operations, in percent. 1 = go on. */
typedef int(KAPI* StatusCallback)(int percent);

/* File access */
typedef int(KAPI* FileOpenCallback)(const char* name, int flags, int permission);
typedef int(KAPI* FileReadCallback)(int handle, void* buffer, int count);
typedef int(KAPI* FileWriteCallback)(int handle, const void* buffer, int count);
typedef int(KAPI* FileSeekCallback)(int handle, int offset, int origin);
typedef int(KAPI* FileCloseCallback)(int handle);

/* Open flags and permissions of the file-access callbacks */
#define K_OPEN_READ 0x0000
#define K_OPEN_WRITE 0x0001
#define K_OPEN_READWRITE 0x0002
#define K_OPEN_APPEND 0x0008
#define K_OPEN_CREATE 0x0100
#define K_OPEN_TRUNCATE 0x0200
#define K_OPEN_UNTRANSLATED 0x8000
#define K_SHARE_NONE 0x0080
#define K_SHARE_READ 0x0100
#define K_SHARE_READWRITE 0x0180

/* ---- Exports: bitmap record and storage -------------------------------- */

int KAPI K_InitBitmap(BitmapRecord* bitmap, int width, int height, int bitsPerPixel);
int KAPI K_AllocateBitmap(BitmapRecord* bitmap, int kind);
intptr_t KAPI K_AccessBitmap(BitmapRecord* bitmap);
int KAPI K_ReleaseBitmap(BitmapRecord* bitmap);
int KAPI K_ChangeBitmapHeight(BitmapRecord* bitmap, int newHeight);
void KAPI K_FreeBitmap(BitmapRecord* bitmap);
int KAPI K_DefaultDithering(int method);

/* ---- Exports: CCITT code tables ----------------------------------------- */

int KAPI K_Create1BitTable(void);
int KAPI K_Free1BitTable(void);

/* ---- Exports: status callback ------------------------------------------ */

StatusCallback KAPI K_SetStatusCallBack(StatusCallback callback);

/* ---- Exports: option block and comments --------------------------------- */

/* The process-wide options, 126 words. */
typedef struct OptionBlock {
    int XResolution;
    int YResolution;
    int TiffFlags; /* bit 0: FillOrder 2 for CCITT; bit 1: no SubfileType tag */
    int Reserved0;
    int PageNumber; /* 1-based; above 1 appends on save */
    int Reserved[121];
} OptionBlock;

int KAPI K_SetTIFFOption(const OptionBlock* options);
int KAPI K_SetTIFFXYResolution(int x, int y);
int KAPI K_SetComment(unsigned int index, const void* text, unsigned int length);
int KAPI K_GetComment(unsigned int index, void* buffer, unsigned int size);

/* ---- Exports: Palettes ---------------------------------------------------- */

/* Fixed palette of a depth: bits 0 a 256-entry grey ramp, 1/4/8 the
   built-in 2/16/256-entry table. */
int KAPI K_GetFixedPalette(RGBQUAD* table, int bits);
int KAPI K_GetBitmapColors(BitmapRecord* bitmap, int first, int count, RGBQUAD* table);
int KAPI K_PutBitmapColors(BitmapRecord* bitmap, int first, int count, const RGBQUAD* table);
/* New logical palettes that the caller owns, or null. */
HPALETTE KAPI K_DupPalette(HPALETTE palette);
HPALETTE KAPI K_CreateScreenPalette(void);
HPALETTE KAPI K_CreatePaintPalette(HDC dc, BitmapRecord* bitmap);
/* Sets or clears dithered paint of the display mode; returns the old 0/1. */
int KAPI K_EnableDitheredPaint(int enable);

/* ---- Exports: Display mode and paint kinds -------------------------------- */

/* Display mode flags */
#define K_MODE_ORDERED_DITHER 0x01 /* ordered 8x8 dither; clear: error diffusion */
#define K_MODE_FAST_PAINT 0x02
#define K_MODE_INDEXED_PAINT 0x04    /* palette rows as DIB_PAL_COLORS */
#define K_MODE_DITHERED_PAINT 0x08   /* convert rows to the depth of the device */
#define K_MODE_CLUSTERED_MATRIX 0x20 /* clustered matrix for 1-bit devices */
#define K_MODE_EXACT_PALETTE 0x80    /* convert palette rows unless the palette is the device's */

/* New flags = (old & ~mask) | (mask & value), bit 0x10 excepted; returns the old flags. */
int KAPI K_SetDisplayMode(int mask, int value);
int KAPI K_GetDisplayMode(void);
/* Each returns the previous setting of its flag, 0 or 1. */
int KAPI K_EnableOrderedDither(int enable);
int KAPI K_EnableFastPaint(int enable);
int KAPI K_EnableIndexedPaint(int enable);

/* ---- Exports: Rows and pixels --------------------------------------------- */

/* A colour is 0x00BBGGRR; K_GetPixelColor gives K_NO_PIXEL for no pixel,
   and K_PutPixelColor takes K_NO_PIXEL + i as palette index i. */
#define K_NO_PIXEL 0x1000000

/* Rows in storage order; results are the bytes moved or a negative code.
   The record must be locked (K_AccessBitmap) while memory rows move. */
int KAPI K_GetBitmapRow(BitmapRecord* bitmap, void* buffer, int row, int bytes);
int KAPI K_PutBitmapRow(BitmapRecord* bitmap, const void* buffer, int row, int bytes);
int KAPI K_GetBitmapRowCol(BitmapRecord* bitmap, void* buffer, int row, int column, int bytes);
int KAPI K_PutBitmapRowCol(BitmapRecord* bitmap, const void* buffer, int row, int column, int bytes);
COLORREF KAPI K_GetPixelColor(BitmapRecord* bitmap, int row, int column);
int KAPI K_PutPixelColor(BitmapRecord* bitmap, int row, int column, COLORREF color);
int KAPI K_FillBitmap(BitmapRecord* bitmap, COLORREF color);
int KAPI K_ClearBitmap(BitmapRecord* bitmap);

/* ---- Exports: Pixel-format conversion ------------------------------------- */

/* Converts count pixels in place between bits 0 (grey levels), 1, 4, 8,
   16, 24 and 32; palettes of 1/4/8 bits may be null for the fixed ones.
   The buffer must hold count pixels of the wider format. */
int KAPI K_ConvertBuffer(void* buffer, int count, int sourceBits, int targetBits, int sourceOrder, int targetOrder,
                         const RGBQUAD* sourcePalette, const RGBQUAD* targetPalette);

/* ---- Exports: Display row converters -------------------------------------- */

/* ---- Exports: Create, copy, resize and flip ------------------------------- */

/* palette: null or Colors entries (blue, green, red, 0); bitsPerPixel 0 is 8 with a grey ramp. */
int KAPI K_CreateBitmap(BitmapRecord* bitmap, int kind, int width, int height, int bitsPerPixel, int colorOrder,
                        const RGBQUAD* palette, int viewPerspective);
/* The record only (1280 bytes on 32-bit): both records then share storage and palettes. */
void KAPI K_CopyBitmapHandle(BitmapRecord* target, const BitmapRecord* source);
/* Stored rows as they are; the target needs the same BytesPerLine and at least the height. */
int KAPI K_CopyBitmapData(BitmapRecord* target, BitmapRecord* source);
/* An independent copy with its own storage and palettes. */
int KAPI K_CopyBitmap(BitmapRecord* target, BitmapRecord* source);
/* A new bitmap of a rectangle inside the source; top counts in storage order. */
int KAPI K_CopyBitmapRect(BitmapRecord* target, BitmapRecord* source, int left, int top, int width, int height);
/* Nearest neighbour into an allocated target of the same depth. */
int KAPI K_ResizeBitmap(BitmapRecord* source, BitmapRecord* target);
/* Resizes in place; a stopping status callback leaves the bitmap as it was. */
int KAPI K_SizeBitmap(BitmapRecord* bitmap, int width, int height);
/* Exchanges the stored rows end for end; ViewPerspective is not changed. */
int KAPI K_FlipBitmap(BitmapRecord* bitmap);

/* ---- Exports: Dithering --------------------------------------------------- */

/* Methods: 0 nearest colour, 1 Floyd-Steinberg, 2 Stucki, 3 Burkes,
   4 Sierra, 5 Stevenson-Arce, 6 Jarvis-Judice-Ninke, 7 ordered 8x8. */
int KAPI K_StartDithering(BitmapRecord* bitmap, const RGBQUAD* palette, int colors);
int KAPI K_DitherLine(BitmapRecord* bitmap, const unsigned char* source, unsigned char* target);
int KAPI K_StopDithering(BitmapRecord* bitmap);
int KAPI K_DitherBitmap(BitmapRecord* bitmap, int method, int bitsPerPixel);

/* ---- Exports: Grey scale and halftone ------------------------------------- */

/* Halftone kinds: 0 clustered, 1 dispersed 8x8 matrix. */
int KAPI K_GrayScaleBitmap(BitmapRecord* bitmap);
int KAPI K_HalfToneBitmap(BitmapRecord* bitmap, int kind);
int KAPI K_HalfToneBitmapExt(BitmapRecord* bitmap, int kind, int angle);

/* ---- Exports: Colour resolution and optimized palettes -------------------- */

/* Flags of K_ColorResBitmap, low 6 bits: to 1, 4 or 8 bits 0, 2, 8, 10
   optimized palette (8 also keeps the screen's static colours), 1 fixed
   palette, 0x10 the caller's palette, 0x30 the caller's palette with the
   user match table; to 16, 24 or 32 bits 0 red-green-blue, 4 blue-green-red.
   Bits 16-23: the dithering method. */
#define K_COLORRES_OPTIMIZED 0x00
#define K_COLORRES_FIXED 0x01
#define K_COLORRES_SYSTEM 0x08
#define K_COLORRES_USER 0x10
#define K_COLORRES_USER_TABLE 0x30
#define K_COLORRES_BGR 0x04
#define K_COLORRES_METHOD(m) ((m) << 16)
/* Palette entry flag of the caller's palette: a slot the optimization fills. */
#define K_PALETTE_SLOT_FREE 0x02

int KAPI K_OptimizeBitmap(BitmapRecord* source, BitmapRecord* target, int method, int colors);
int KAPI K_ColorResBitmap(BitmapRecord* source, BitmapRecord* target, int bitsPerPixel, int flags,
                          const RGBQUAD* palette, int count, RowCallback rowCallback, void* userData);
int KAPI K_ColorResolution(BitmapRecord* bitmap, int bitsPerPixel, int flags, RowCallback rowCallback, void* userData);
/* Match tables: 32768 cells by 15-bit colour (R>>3)<<10 | (G>>3)<<5 | B>>3,
   each 0 (unknown) or 1 + a palette position. */
unsigned int* KAPI K_CreateUserMatchTable(const RGBQUAD* palette, int count);
unsigned int* KAPI K_SetUserMatchTable(unsigned int* table);
int KAPI K_FreeUserMatchTable(unsigned int* table);

/* ---- Exports: Painting to device contexts --------------------------------- */

/* Rectangles are left, top, right, bottom (right and bottom exclusive).
   Source rectangles count rows in storage order. */
int KAPI K_PaintDC(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip, const RECT* destination,
                   const RECT* destinationClip, DWORD rasterOp);
/* rows: rowCount rows of the bitmap's layout, beginning with storage row firstRow. */
int KAPI K_PaintDCBuffer(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip,
                         const RECT* destination, const RECT* destinationClip, DWORD rasterOp,
                         const unsigned char* rows, int firstRow, int rowCount);
int KAPI K_PaintDevice(int reserved1, HDC hdc, BitmapRecord* bitmap, const RECT* destinationClip, int reserved2,
                       int reserved3);
int KAPI K_PaintBuffer(int reserved1, HDC hdc, BitmapRecord* bitmap, const unsigned char* rows,
                       const RECT* destinationClip, int reserved2, int reserved3);

/* ---- Exports: DIB, device bitmaps, clipboard and screen capture ----------- */

/* Packed DIBs are GMEM_MOVEABLE | GMEM_DDESHARE blocks (the CF_DIB form). */
int KAPI K_ChangeFromDIB(BitmapRecord* bitmap, HGLOBAL dib);
HGLOBAL KAPI K_ChangeToDIB(BitmapRecord* bitmap);
HGLOBAL KAPI K_ConvertToDIB(BitmapRecord* bitmap);
int KAPI K_ConvertFromDIB(BitmapRecord* bitmap, const BITMAPINFO* header, const void* bits);
HBITMAP KAPI K_ConvertToDDB(HDC hdc, BitmapRecord* bitmap);
HBITMAP KAPI K_ChangeToDDB(HDC hdc, BitmapRecord* bitmap);
int KAPI K_ConvertFromDDB(HDC hdc, BitmapRecord* bitmap, HBITMAP hbitmap, HPALETTE hpalette);
int KAPI K_ChangeFromDDB(HDC hdc, BitmapRecord* bitmap, HBITMAP hbitmap, HPALETTE hpalette);
int KAPI K_ClipboardReady(void);
int KAPI K_CopyFromClipboard(HWND hwnd, BitmapRecord* bitmap);
/* Flags of K_CopyToClipboardExt */
#define K_CLIP_EMPTY 1
#define K_CLIP_DIB 2
#define K_CLIP_BITMAP 4
#define K_CLIP_PALETTE 8
int KAPI K_CopyToClipboardExt(HWND hwnd, BitmapRecord* bitmap, int flags);
int KAPI K_CopyToClipboard(HWND hwnd, BitmapRecord* bitmap);
int KAPI K_ScreenCaptureBitmap(HDC hdc, BitmapRecord* bitmap, const RECT* rect);

/* ---- Exports: Memory device context --------------------------------------- */

/* A memory DC whose bitmap is a DIB section over the record's own pixels. */
HDC KAPI K_CreateVolkDC(BitmapRecord* bitmap);
int KAPI K_DeleteVolkDC(HDC hdc);

/* ---- Exports: Format codes and file information --------------------------- */

/* What K_FileInfo finds in a file; 88 bytes, layout fixed. */
#pragma pack(push, 1)
typedef struct FileInfoRecord {
    unsigned char FormatCode;
    char ShortName[15]; /* 8.3 form of the name */
    int Width;
    int Height;
    int BitsPerPixel;
    int FileSize;
    int ImageSize;        /* unpadded pixel bytes */
    char Compression[20]; /* "None", "Run Length", ... */
    int ViewPerspective;  /* 0 top row first, 2 bottom row first */
    int ColorOrder;       /* 1 BGR, 0 RGB, -1 not stated */
    int PageNumber;
    int XResolution;
    int YResolution;
    int Extra1;
    int Extra2;
    int HeaderSize;
} FileInfoRecord;
#pragma pack(pop)

/* K_VersionInfo's record, 104 bytes. */
typedef struct VersionRecord {
    unsigned char Reserved[60];
    int Version[3]; /* 1, 5, 2 */
    char BuildDate[16];
    char BuildTime[16];
} VersionRecord;

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(FileInfoRecord) == 88, "FileInfoRecord is 88 bytes");
static_assert(offsetof(FileInfoRecord, Width) == 16, "layout");
static_assert(offsetof(FileInfoRecord, Compression) == 36, "layout");
static_assert(offsetof(FileInfoRecord, ViewPerspective) == 56, "layout");
static_assert(offsetof(FileInfoRecord, HeaderSize) == 84, "layout");
static_assert(sizeof(VersionRecord) == 104, "VersionRecord is 104 bytes");
#endif

/* Format codes */
#define K_FORMAT_PCX 1
#define K_FORMAT_GIF 2
#define K_FORMAT_TIFF 3
#define K_FORMAT_TGA 4
#define K_FORMAT_COMPRESSED 5
#define K_FORMAT_BMP 6
#define K_FORMAT_JPEG 10
#define K_FORMAT_TIFF_JPEG 11
#define K_FORMAT_BMP_OS2_1 14
#define K_FORMAT_WMF 15
#define K_FORMAT_EPS 16
#define K_FORMAT_BMP_OS2_2 74
#define K_FORMAT_PNG 75
#define K_FORMAT_PHOTOSHOP 76

int KAPI K_FileInfo(const char* name, FileInfoRecord* info);
int KAPI K_VersionInfo(VersionRecord* record);

/* ---- Exports: File access and redirected I/O ------------------------------ */

int KAPI K_RedirectIO(FileOpenCallback open, FileReadCallback read, FileWriteCallback write, FileSeekCallback seek,
                      FileCloseCallback close);
int KAPI K_LoadMemory(const void* block, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder, int flags,
                      RowCallback callback, void* userData, int blockSize);
int KAPI K_LoadBitmapMemory(const void* block, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder, int blockSize);
int KAPI K_FileInfoMemory(const void* block, FileInfoRecord* info, int blockSize);
int KAPI K_DecompressMemory(const void* block, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                            void* userData, int mode, int blockSize);
int KAPI K_DecompressBitmapMemory(const void* block, BitmapRecord* bitmap, int bitsPerPixel, int blockSize);
int KAPI K_SaveBitmapMemory(HGLOBAL* memory, BitmapRecord* bitmap, int format, int bitsPerPixel, int quality,
                            int* size);
int KAPI K_LoadFileOffset(int file, int offset, int length, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder,
                          int flags, RowCallback callback, void* userData);
int KAPI K_SaveFileOffset(int file, int offset, int* size, BitmapRecord* bitmap, int format, int bitsPerPixel,
                          int quality, int flags, SaveRowCallback callback, void* userData);

/* ---- Exports: Loading ----------------------------------------------------- */

/* Load flags */
#define K_LOAD_ALLOCATE 0x1  /* allocate the target (freed again on failure) */
#define K_LOAD_LOCK 0x2      /* hold the target locked and store every row */
#define K_LOAD_DITHER 0x4    /* dither at target depths of 8 bits or less */
#define K_LOAD_GIF_WHOLE 0x8 /* GIF: decode the whole image first */

int KAPI K_LoadFile(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder, int flags,
                    RowCallback callback, void* userData);
int KAPI K_LoadBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int colorOrder);

/* ---- Exports: Saving ------------------------------------------------------ */

/* Save flags */
#define K_SAVE_FIXED_PALETTE 0x1
#define K_SAVE_OPTIMIZED_PALETTE 0x2
#define K_SAVE_ADD_PAGE 0x4

int KAPI K_SaveFile(const char* name, BitmapRecord* bitmap, int format, int bitsPerPixel, int quality, int flags,
                    SaveRowCallback callback, void* userData);
int KAPI K_SaveBitmap(const char* name, BitmapRecord* bitmap, int format, int bitsPerPixel, int quality);
int KAPI K_ConvertFile(const char* source, const char* target, int format, int bitsPerPixel, int quality, int width,
                       int height);
int KAPI K_FileConvert(const char* source, const char* target, int format, int width, int height, int bitsPerPixel,
                       int quality);

/* ---- Exports: Resize while loading ---------------------------------------- */

typedef struct ResizeContext {
    int OldWidth, OldHeight, NewWidth, NewHeight;
    int XStep, YStep;         /* whole copies per source column and row */
    unsigned char XPick[256]; /* 1: that column (index mod 256) gets one more copy */
    unsigned char YPick[256];
} ResizeContext;

int KAPI K_StartResize(int oldWidth, int oldHeight, int newWidth, int newHeight, ResizeContext** context);
int KAPI K_Resize(unsigned char* row, int sourceRow, int bitsPerPixel, int* outputWidth, int* rowCount,
                  ResizeContext* context);
int KAPI K_StopResize(ResizeContext* context);

/* ---- Exports: BMP --------------------------------------------------------- */

int KAPI K_LoadBMPFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadBMPBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SaveBMPBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int kind);

/* ---- Exports: PCX and DCX ------------------------------------------------- */

/* The page of a DCX file comes from the option block's page number. */
int KAPI K_LoadPCXFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadPCXBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SavePCXBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: GIF --------------------------------------------------------- */

int KAPI K_LoadGIFFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadGIFBitmap(const char* name, BitmapRecord* bitmap);
/* 8 bits per pixel only. */
int KAPI K_SaveGIFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: PNG --------------------------------------------------------- */

/* ---- Exports: TGA --------------------------------------------------------- */

int KAPI K_LoadTGAFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadTGABitmap(const char* name, BitmapRecord* bitmap);
/* 8, 16, 24 or 32 bits per pixel. */
int KAPI K_SaveTGABitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: Photoshop --------------------------------------------------- */

/* ---- Exports: Paint transition effects ------------------------------------ */

/* Effects 0 (one paint) to 28: lines, pairs of lines, frames, dissolves and
   spirals; every effect ends with what effect 0 paints. */
int KAPI K_PaintDCEffect(HDC hdc, BitmapRecord* bitmap, const RECT* source, const RECT* sourceClip,
                         const RECT* destination, const RECT* destinationClip, DWORD rasterOp, unsigned effect);
/* At the placement rectangle of K_PaintDevice. */
int KAPI K_PaintEffect(HDC hdc, BitmapRecord* bitmap, const RECT* destinationClip, unsigned effect);

/* ---- Exports: Printing ---------------------------------------------------- */

/* Print on the caller's printer device context, or with hdc null on a
   one-page job of the default printer. x or y 0: centred on that axis;
   width and height 0: fitted to the page, one of them 0: from the other by
   the bitmap's aspect. end 0 keeps the page open and returns the device
   context; end not 0 ends the page and the job, deletes the device context
   and returns K_PRINT_DONE. Null on failure (a job of the library is
   aborted). */
#define K_PRINT_DONE ((HDC)1)
HDC KAPI K_PrintBitmapExt(HDC hdc, BitmapRecord* bitmap, int x, int y, int width, int height, int end);
/* The whole bitmap in one StretchDIBits call onto x, y, width, height
   (no defaults: a width or height below 1 is refused). Disk-backed, 16- and
   32-bit bitmaps go through K_PrintBitmapExt. The bitmap is not changed. */
HDC KAPI K_PrintBitmapFast(HDC hdc, BitmapRecord* bitmap, int x, int y, int width, int height, int end);
/* K_PrintBitmapExt on the device context of the previous call whose end
   was 0: successive calls print onto one page of one job. */
HDC KAPI K_PrintBitmap(BitmapRecord* bitmap, int x, int y, int width, int height, int end);

/* ---- Exports: TWAIN acquisition ------------------------------------------- */

/* What an acquisition asks of a source; 168 bytes. Numbers -1 leave the
   source's setting; positions and sizes in 1/1440 inch. */
typedef struct TwainProperties {
    char AppManufacturer[34];
    char AppProdFamily[34];
    char AppProdName[34];
    char SourceName[34]; /* product name of the source; empty: the default */
    int nMaxPages;       /* -1: as many as the source has */
    int nPixelType;      /* 0 black and white, 1 grey, 2 RGB, 3 palette */
    int nBits;
    int nRes; /* dots per inch */
    LONG nXPos;
    LONG nYPos;
    LONG nWidth;
    LONG nHeight;
} TwainProperties;
#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(TwainProperties) == 168, "TwainProperties is 168 bytes");
#endif

/* Flags of K_TwainAcquireExt; without K_TWAIN_NATIVE the memory transfer is used. */
#define K_TWAIN_SHOW_UI 1
#define K_TWAIN_INDICATORS 2
#define K_TWAIN_NATIVE 4

/* Each acquired page; 1 asks for the next one. */
typedef int(KAPI* TwainPageCallback)(BitmapRecord* bitmap, void* userData);
/* Each installed source by product name (length counts the zero); 1 = go on. */
typedef int(KAPI* TwainSourceCallback)(const char* productName, int length, void* userData);

int KAPI K_TwainSelect(HWND hwnd);
int KAPI K_TwainEnumSources(HWND hwnd, TwainSourceCallback callback, void* userData);
int KAPI K_TwainAcquire(HWND hwnd, BitmapRecord* bitmap);
int KAPI K_TwainAcquireExt(HWND hwnd, BitmapRecord* bitmap, int flags, TwainPageCallback callback, void* userData);
/* Null resets the defaults; otherwise they become the defaults, and what the
   source then uses is read back into the record. */
int KAPI K_TwainSetProps(HWND hwnd, TwainProperties* properties);

/* ---- Exports: Windows metafile -------------------------------------------- */

/* Draws a metafile into a new 24-bit bitmap: a placeable one fills the box
   with its aspect, a plain one takes its window extent (scaled into the box
   above 2000); a box of 0 is the screen's size. Saved at 8 or 24 bits as
   one bitmap record. */
int KAPI K_LoadWMFBitmap(const char* name, BitmapRecord* bitmap, int boxWidth, int boxHeight);
int KAPI K_SaveWMFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: Encapsulated PostScript ------------------------------------- */

/* The raster image of a PostScript text given to image or colorimage as
   hexadecimal data (1, 4 or 8 bits of grey, 24 bits of RGB or CMYK), or
   the TIFF preview of a binary-headed file. Written as 8-bit grey. */
int KAPI K_LoadEPSFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadEPSBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SaveEPSBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: MacPaint ---------------------------------------------------- */

/* Always 576 x 720 at 1 bit; other sizes are resized to it when saved. */
int KAPI K_LoadMACFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadMACBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SaveMACBitmap(const char* name, BitmapRecord* bitmap);

/* ---- Exports: GEM IMG ----------------------------------------------------- */

/* One or four planes read; one plane written. */
int KAPI K_LoadIMGFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadIMGBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SaveIMGBitmap(const char* name, BitmapRecord* bitmap);

/* ---- Exports: Microsoft Paint (MSP) --------------------------------------- */

/* 1 bit; versions 1 and 2 read, version 2 written. */
int KAPI K_LoadMSPFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadMSPBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SaveMSPBitmap(const char* name, BitmapRecord* bitmap);

/* ---- Exports: WPG raster -------------------------------------------------- */

/* The first bitmap of a version-1 file; 1, 4 or 8 bits. */
int KAPI K_LoadWPGFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadWPGBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SaveWPGBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: Sun raster -------------------------------------------------- */

/* 1, 4, 8, 24 or 32 bits per pixel. */
int KAPI K_LoadRASFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadRASBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SaveRASBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: PICT -------------------------------------------------------- */

/* Version-2 pictures: 1, 4, 8 bits indexed, 24 and 32 direct read; 1, 4, 8, 24 written. */
int KAPI K_LoadPCTFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadPCTBitmap(const char* name, BitmapRecord* bitmap);
int KAPI K_SavePCTBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* ---- Exports: PhotoCD ----------------------------------------------------- */

/* Read through the PhotoCD access library pcdlib32.dll when it is present
   (K_ERR_UNSUPPORTED without it). Resolution steps 0..5 are 96 x 64 up to
   3072 x 2048; the step set is used by later reads. K_GetPCDResolution
   marks availability[j] 1 for each step j the image has. */
int KAPI K_SetPCDResolution(int step);
int KAPI K_GetPCDResolution(const char* name, int* availability);
int KAPI K_LoadPCDFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadPCDBitmap(const char* name, BitmapRecord* bitmap);

/* ---- Exports: Image processing: remapping, histograms, hue and saturation, colour spaces, separation --- */

/* Channel selectors: 0 all colour components (histograms: the intensity
   (5G + 2R + B + 4) >> 3), 1 red, 2 green, 3 blue. Palette bitmaps change
   their palette only. Changes are -1000..1000; gamma is in hundredths. */
int KAPI K_RemapBitmapIntensity(BitmapRecord* bitmap, const unsigned char* table, unsigned int channel);
int KAPI K_ChangeBitmapIntensity(BitmapRecord* bitmap, int change);
int KAPI K_ChangeBitmapContrast(BitmapRecord* bitmap, int change);
int KAPI K_PosterizeBitmap(BitmapRecord* bitmap, unsigned int levels);
int KAPI K_InvertBitmap(BitmapRecord* bitmap);
int KAPI K_IntensityDetectBitmap(BitmapRecord* bitmap, unsigned int low, unsigned int high);
int KAPI K_GammaCorrectBitmap(BitmapRecord* bitmap, int gamma);
/* 256 counters of the intensity (channel 0) or of red, green or blue. */
int KAPI K_GetBitmapHistogram(BitmapRecord* bitmap, unsigned int* counters, unsigned int channel);
int KAPI K_HistoEqualizeBitmap(BitmapRecord* bitmap);
int KAPI K_StretchBitmapIntensity(BitmapRecord* bitmap);
int KAPI K_HistoContrastBitmap(BitmapRecord* bitmap, int change);
/* Hue turns by whole degrees (any angle); saturation changes by -1000..1000. */
int KAPI K_ChangeBitmapHue(BitmapRecord* bitmap, int angle);
int KAPI K_ChangeBitmapSaturation(BitmapRecord* bitmap, int change);

/* Colour spaces of pixel buffers: BGR, YUV and YIQ (three signed 16-bit
   words, 255 = 16384), CMYK, HSV (hue of 256 steps), HLS (hue of 255
   steps), CMY. Buffers must not overlap. */
#define K_SPACE_BGR 0
#define K_SPACE_YUV 1
#define K_SPACE_CMYK 2
#define K_SPACE_HSV 3
#define K_SPACE_HLS 4
#define K_SPACE_YIQ 5
#define K_SPACE_CMY 6
int KAPI K_ConvertColorSpace(const void* source, void* target, int count, int sourceSpace, int targetSpace);

/* Separation kinds: planes 0 B, G, R; 1 C, M, Y, K; 2 H, S, V; 3 H, L, S;
   4 C, M, Y. Separation makes each plane an 8-bit grey bitmap in a record
   that is zeroed or holds a bitmap (freed first). Merging replaces the
   target (freed first) with a 24-bit bottom-up bitmap of the smallest
   plane size. */
#define K_SEPARATE_BGR 0
#define K_SEPARATE_CMYK 1
#define K_SEPARATE_HSV 2
#define K_SEPARATE_HLS 3
#define K_SEPARATE_CMY 4
int KAPI K_ColorSeparateBitmap(BitmapRecord* bitmap, BitmapRecord** planes, int kind);
int KAPI K_ColorMergeBitmap(BitmapRecord* target, BitmapRecord** planes, int kind);

/* ---- Exports: Image processing: combine, resample, mosaic, reverse, rotate, filters, shear, median, noise --- */

/* Combine flags: bits 0-3 source operand, 4-7 destination operand (each
   0 as is, 1 inverted, 2 all zeros, 3 all ones), 8-11 operation, 12-15
   result (0 as computed, 1 inverted, 2 all zeros, 3 all ones). */
#define K_COMBINE_SOURCE(v) (v)
#define K_COMBINE_DESTINATION(v) ((v) << 4)
#define K_COMBINE_RESULT(v) ((v) << 12)
#define K_COMBINE_AS_IS 0
#define K_COMBINE_INVERTED 1
#define K_COMBINE_ZEROS 2
#define K_COMBINE_ONES 3
#define K_COMBINE_AND 0x000
#define K_COMBINE_OR 0x100
#define K_COMBINE_XOR 0x200
#define K_COMBINE_ADD 0x300
#define K_COMBINE_SUB_SRC 0x400 /* destination - source */
#define K_COMBINE_SUB_DST 0x500 /* source - destination */
#define K_COMBINE_MULTIPLY 0x600
#define K_COMBINE_DIV_SRC 0x700 /* destination / source */
#define K_COMBINE_DIV_DST 0x800 /* source / destination */
#define K_COMBINE_AVERAGE 0x900
#define K_COMBINE_MIN 0xA00
#define K_COMBINE_MAX 0xB00

/* Rectangles count rows in storage order. */
int KAPI K_CombineBitmap(BitmapRecord* destination, int left, int top, int width, int height, BitmapRecord* source,
                         int sourceLeft, int sourceTop, unsigned int flags);
/* Smoothing resize: box averages where a direction shrinks, linear
   interpolation where it grows. */
int KAPI K_ResampleBitmap(BitmapRecord* bitmap, int width, int height);
int KAPI K_MosaicBitmap(BitmapRecord* bitmap, int size);
int KAPI K_AverageFilterBitmap(BitmapRecord* bitmap, int size);
/* Mirrors every row left to right. */
int KAPI K_ReverseBitmap(BitmapRecord* bitmap);

/* Arguments of K_ProcessBitmap; each operation reads only its own fields. */
typedef struct ProcessArguments {
    int Angle;        /* 0: whole degrees */
    int Width;        /* 2 */
    int Height;       /* 2 */
    int Intensity;    /* 4: -1000..1000 */
    int RotateFlag;   /* 0: resize argument of K_RotateBitmap */
    int BitsPerPixel; /* 5, 6 */
} ProcessArguments;
/* Operations: 0 rotate, 1 flip, 2 size, 3 reverse, 4 intensity, 5 and 6
   colour resolution with a fixed palette (5) or the system colours (6),
   7 grey scale, 8 halftone. */
int KAPI K_ProcessBitmap(BitmapRecord* bitmap, int operation, const ProcessArguments* arguments);

/* Angles turn clockwise as displayed: whole degrees, or hundredths with a
   fill colour for the uncovered corners. resize non-zero makes the picture
   the bounding box of the turned one. */
int KAPI K_RotateBitmap(BitmapRecord* bitmap, int angle, int resize);
int KAPI K_RotateBitmapFine(BitmapRecord* bitmap, int angle, int resize, COLORREF fill);

/* A convolution filter: Dimension x Dimension weights, top row first,
   follow the three fields (the 3 x 3 form is 48 bytes). */
typedef struct SpatialFilter {
    int Divisor;
    int Bias;
    int Dimension;
    int Kernel[9];
} SpatialFilter;
/* filter: a built-in index 0..32 (high 16 bits zero) or the address of a
   SpatialFilter. */
int KAPI K_SpatialFilterBitmap(BitmapRecord* bitmap, size_t filter);
/* -1000..1000: negative blurs, positive sharpens. */
int KAPI K_SharpenBitmap(BitmapRecord* bitmap, int sharpness);
/* direction 0..7 from north clockwise; depth 0..1000. */
int KAPI K_EmbossBitmap(BitmapRecord* bitmap, unsigned int direction, unsigned int depth);
/* angle -4500..4500 hundredths; horizontal non-zero slides rows. */
int KAPI K_ShearBitmap(BitmapRecord* bitmap, int angle, int horizontal, COLORREF fill);
int KAPI K_MedianFilterBitmap(BitmapRecord* bitmap, unsigned int size);
/* range 0..1000 thousandths of full scale; channel 0 all, 1 red, 2 green, 3 blue. */
int KAPI K_AddBitmapNoise(BitmapRecord* bitmap, unsigned int range, unsigned int channel);
/* mode 0 tiles the underlay, 1 stretches it. */
int KAPI K_UnderlayBitmap(BitmapRecord* bitmap, BitmapRecord* underlay, int mode);

/* ---- Exports: Bitmap viewer window ---------------------------------------- */

/* The library registers the window class K_VIEWER_CLASS at attach: a control
   that shows one bitmap (zoomed, fitted or centred, with scroll bars), tells
   its parent of events by WM_COMMAND (code in the high word) and runs the
   library's operations on its bitmap by the messages K_VIEWER_MESSAGE(n). */
#define K_VIEWER_CLASS "VIVADARERU"
#define K_VIEWER_MESSAGE(n) (0x0400 + (n)) /* WM_USER + n */

/* Style bits of the control, in the low word of its window style. */
#define K_VIEWER_FIT 0x0001         /* scaled into the client area */
#define K_VIEWER_LOAD_RGB 0x0002    /* load files in RGB order */
#define K_VIEWER_TRACK_THUMB 0x0004 /* scroll while the thumb moves */
#define K_VIEWER_SIZE_TO_PICTURE 0x0008
#define K_VIEWER_CENTER 0x0010
#define K_VIEWER_REDUCE_COLORS 0x0020 /* optimize palettes of loaded pictures */
#define K_VIEWER_BACKGROUND_PALETTE 0x0040
#define K_VIEWER_MDI_CHILD 0x0100

/* Notification codes */
#define K_VIEWER_REFRESHED 0
#define K_VIEWER_REFRESHING 1
#define K_VIEWER_SCROLLED 3
#define K_VIEWER_FOCUS 4
#define K_VIEWER_KILLFOCUS 5
#define K_VIEWER_CLICK 6
#define K_VIEWER_DBLCLICK 7
#define K_VIEWER_PAINTED 8

/* Messages: wParam is the repaint switch of the refresh that follows an
   operation; LO and HI are the halves of lParam. */
#define K_VIEWER_LOAD K_VIEWER_MESSAGE(0) /* ViewerFileRecord */
#define K_VIEWER_SAVE K_VIEWER_MESSAGE(1) /* ViewerSaveRecord */
#define K_VIEWER_FREE K_VIEWER_MESSAGE(2)
#define K_VIEWER_FLIP K_VIEWER_MESSAGE(3)
#define K_VIEWER_ROTATE K_VIEWER_MESSAGE(4) /* LO degrees, HI resize */
#define K_VIEWER_INTENSITY K_VIEWER_MESSAGE(5)
#define K_VIEWER_REVERSE K_VIEWER_MESSAGE(6)
#define K_VIEWER_INFO K_VIEWER_MESSAGE(7) /* wParam bytes of ViewerInfoRecord */
#define K_VIEWER_PALETTE K_VIEWER_MESSAGE(8)
#define K_VIEWER_SET_STYLE K_VIEWER_MESSAGE(9)
#define K_VIEWER_BITMAP K_VIEWER_MESSAGE(10) /* the control's record, fixed for its life */
#define K_VIEWER_ADOPT K_VIEWER_MESSAGE(11)  /* BitmapRecord* or 0 to let go of it */
#define K_VIEWER_AVERAGE K_VIEWER_MESSAGE(12)
#define K_VIEWER_MEDIAN K_VIEWER_MESSAGE(13)
#define K_VIEWER_CONTRAST K_VIEWER_MESSAGE(14)
#define K_VIEWER_HUE K_VIEWER_MESSAGE(15)
#define K_VIEWER_SATURATION K_VIEWER_MESSAGE(16)
#define K_VIEWER_GRAYSCALE K_VIEWER_MESSAGE(17)
#define K_VIEWER_HALFTONE K_VIEWER_MESSAGE(18)
#define K_VIEWER_EQUALIZE K_VIEWER_MESSAGE(19)
#define K_VIEWER_INVERT K_VIEWER_MESSAGE(20)
#define K_VIEWER_SPATIAL K_VIEWER_MESSAGE(21)
#define K_VIEWER_MOSAIC K_VIEWER_MESSAGE(22)
#define K_VIEWER_POSTERIZE K_VIEWER_MESSAGE(23)
#define K_VIEWER_ZOOM K_VIEWER_MESSAGE(24) /* LO percent */
#define K_VIEWER_SIZE K_VIEWER_MESSAGE(25)
#define K_VIEWER_COLOR_RES K_VIEWER_MESSAGE(26) /* ViewerColorResRecord or ViewerColorResExtRecord */
#define K_VIEWER_SHARPEN K_VIEWER_MESSAGE(27)
#define K_VIEWER_DESTINATION K_VIEWER_MESSAGE(28) /* RECT* */
#define K_VIEWER_COPY K_VIEWER_MESSAGE(29)
#define K_VIEWER_PASTE K_VIEWER_MESSAGE(30)
#define K_VIEWER_SET_COPY K_VIEWER_MESSAGE(31) /* BitmapRecord* */
#define K_VIEWER_TWAIN_SELECT K_VIEWER_MESSAGE(32)
#define K_VIEWER_ACQUIRE K_VIEWER_MESSAGE(33)
#define K_VIEWER_MARK_CHANGED K_VIEWER_MESSAGE(34) /* LO layout, HI palette */
#define K_VIEWER_SOURCE K_VIEWER_MESSAGE(35)       /* RECT* or 0 */
#define K_VIEWER_ZOOM_AT K_VIEWER_MESSAGE(36)      /* ViewerZoomRecord */
#define K_VIEWER_NOISE K_VIEWER_MESSAGE(37)
#define K_VIEWER_CLEAR K_VIEWER_MESSAGE(38)
#define K_VIEWER_FILL K_VIEWER_MESSAGE(39)
#define K_VIEWER_GAMMA K_VIEWER_MESSAGE(40)
#define K_VIEWER_RESAMPLE K_VIEWER_MESSAGE(41)
#define K_VIEWER_SHEAR K_VIEWER_MESSAGE(42) /* ViewerShearRecord */
#define K_VIEWER_DETECT K_VIEWER_MESSAGE(43)
#define K_VIEWER_PRINT K_VIEWER_MESSAGE(47) /* ViewerPrintRecord */

/* Message records; Size holds the record's size in bytes. */
typedef struct ViewerFileRecord {
    int Size; /* 264, or 84 for an 80-byte name */
    char Name[260];
} ViewerFileRecord;
typedef struct ViewerSaveRecord {
    int Size; /* 276 */
    char Name[260];
    int Format;
    int Quality;
    int BitsPerPixel;
} ViewerSaveRecord;
typedef struct ViewerInfoRecord {
    int Size; /* 16 */
    int Width;
    int Height;
    int BitsPerPixel;
} ViewerInfoRecord;
typedef struct ViewerColorResRecord {
    int Size; /* 16 */
    int BitsPerPixel;
    int Dither;      /* 0..7 */
    int PaletteKind; /* flags of K_ColorResolution */
} ViewerColorResRecord;
typedef struct ViewerColorResExtRecord {
    int Size; /* 20 (32 on 64-bit) */
    int BitsPerPixel;
    int Flags; /* of K_ColorResBitmap */
    const RGBQUAD* Palette;
    int Colors;
} ViewerColorResExtRecord;
typedef struct ViewerZoomRecord {
    int Reserved;
    int Zoom;   /* percent */
    int Center; /* not 0: about the centre of the client area */
    int X;
    int Y;
} ViewerZoomRecord;
typedef struct ViewerShearRecord {
    int Size; /* 16 */
    int Angle;
    int Horizontal;
    COLORREF Fill;
} ViewerShearRecord;
typedef struct ViewerPrintRecord {
    int Size; /* 28 (40 on 64-bit) */
    HDC Printer;
    int X;
    int Y;
    int Width;
    int Height;
    int Option;
} ViewerPrintRecord;

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(ViewerFileRecord) == 264, "ViewerFileRecord is 264 bytes");
static_assert(sizeof(ViewerSaveRecord) == 276, "ViewerSaveRecord is 276 bytes");
#if VOLKG_64BIT
static_assert(sizeof(ViewerColorResExtRecord) == 32, "ViewerColorResExtRecord is 32 bytes on 64-bit");
static_assert(sizeof(ViewerPrintRecord) == 40, "ViewerPrintRecord is 40 bytes on 64-bit");
#else
static_assert(sizeof(ViewerColorResExtRecord) == 20, "ViewerColorResExtRecord is 20 bytes");
static_assert(sizeof(ViewerPrintRecord) == 28, "ViewerPrintRecord is 28 bytes");
#endif
#endif

/* ---- Exports: TIFF -------------------------------------------------------- */

/* The page read is the option block's page number (the last when beyond). */
int KAPI K_LoadTIFFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadTIFBitmap(const char* name, BitmapRecord* bitmap);
/* index 0..5: uncompressed, LZW, modified Huffman, Group 3 2-D, Group 3, Group 4. */
int KAPI K_SaveTIFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int index);
/* The same, always adding a page to an existing file. */
int KAPI K_SaveMultiTIFBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel, int index);
int KAPI K_CompressBitmap1Bit(BitmapRecord* bitmap, const char* name, int format);
/* The text of comment index 0..9 in the page; returns its length in the file. */
int KAPI K_ReadFileComment(const char* name, unsigned int index, void* buffer, unsigned int size);

/* ---- Exports: CCITT fax coding -------------------------------------------- */

/* ---- Exports: Raw fax and WFX paged fax ----------------------------------- */

/* A headerless fax file as the application describes it (32 bytes). */
typedef struct RawFaxInfo {
    unsigned char Format; /* 'B' Group 3 1-D, 'C' Group 3 2-D, 'D' Group 4 */
    unsigned char Reserved0[3];
    int Width;
    int Height;
    int BitsPerPixel; /* 1 */
    int XResolution;  /* dots per inch */
    int YResolution;
    int DataOffset;      /* file position of the first coded byte */
    unsigned char Flags; /* K_FAX_... */
    unsigned char Reserved1[3];
} RawFaxInfo;

#define K_FAX_TOP_DOWN 0x1   /* rows stored top row first (else bottom row first) */
#define K_FAX_RGB 0x2        /* colour order RGB in the file information */
#define K_FAX_BLACK_ZERO 0x4 /* colour 0 is black (else white) */
#define K_FAX_REVERSED 0x8   /* coded bytes bit-reversed (fill order 2) */

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(RawFaxInfo) == 32, "RawFaxInfo is 32 bytes");
static_assert(offsetof(RawFaxInfo, DataOffset) == 24, "layout");
#endif

/* Fills info for the file open at position 0 (a zeroed record) and returns
   1; any other result stops the probe or load and is returned. */
typedef int(KAPI* LoadInfoCallback)(int handle, RawFaxInfo* info);
/* Sets the process-wide load-info callback (null removes it); returns the previous one. */
LoadInfoCallback KAPI K_SetLoadInfoCallback(LoadInfoCallback callback);
/* A fax page of the bitmap: 1 bit, 204 x 196 dpi, 1728 pixels wide, the
   picture centred at the top. A null target replaces the bitmap itself. */
int KAPI K_NormalizeWFXBitmap(BitmapRecord* bitmap, BitmapRecord* target);

/* ---- Exports: CALS raster ------------------------------------------------- */

int KAPI K_LoadCALSFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel, void* userData);
int KAPI K_LoadCALSBitmap(const char* name, BitmapRecord* bitmap);
/* Group 4 coded, 1 bit. */
int KAPI K_SaveCALSBitmap(const char* name, BitmapRecord* bitmap);

/* ---- Exports: IOCA -------------------------------------------------------- */

/* ---- Exports: Bilevel compressed format ----------------------------------- */

/* Loads a 1-bit file of the library's compressed format (K_SaveFile format
   26; its quality 0..3 is the sub-type: 0 lossless, 1 smoothed, 2 and 3
   smoothed with rows left out) or a 1-bit TIFF file. A bitmap that is not
   allocated is set up at the file's size; an allocated one must have that
   size at 1 bit (else -13). 1, -9 not such a file, -27 not 1 bit per pixel,
   -7 data that ends early, -9 damaged data, -1 no memory. */
int KAPI K_DecompressBitmap1Bit(const char* name, BitmapRecord* bitmap);

/* ---- Exports: JPEG encoder and compressed-file writers -------------------- */

/* Receives the coded bytes of K_StartCompressBuffer's compression. 1 = go on. */
typedef int(KAPI* CompressWriteCallback)(BitmapRecord* bitmap, unsigned char* bytes, int count, void* userData);

/* Variants: 0 the library's compressed format; JFIF 1 (4:4:4), 3 (4:2:0),
   5 (4:2:2); TIFF with JPEG tiles 2, 4, 6 (the same samplings).
   inputSize is the size of every buffer of packed rows (width x bytes per
   pixel, no padding) given to K_CompressBuffer, in the order to be coded. */
int KAPI K_StartCompressBuffer(BitmapRecord* bitmap, CompressWriteCallback write, int inputSize, int outputSize,
                               unsigned char* outputBuffer, int variant, int quality, void* userData);
int KAPI K_CompressBuffer(unsigned char* rows);
int KAPI K_EndCompressBuffer(void);
/* 64 entries (low bytes, zigzag order) for every table of later compressions; null: scaled standard tables. */
void KAPI K_LoadCustomQTable(const int* table);
int KAPI K_CompressBitmap(BitmapRecord* bitmap, const char* name, int variant, int quality, int reserved);
int KAPI K_CompressBitmapWithStamp(BitmapRecord* bitmap, const char* name, int variant, int quality, int stampWidth,
                                   int stampHeight, int stampBits, int dither);

/* ---- Exports: JPEG decoder and probes ------------------------------------- */

/* Decodes a compressed-format, JFIF or JPEG file into rows of the bitmap's
   size (resized when it differs from the picture's) at 4 (as 8), 8, 16 (as
   24), 24 or 32 bits; rows are spaced by the row size rounded up to
   `alignment` bytes (0: not rounded). */
int KAPI K_DecompressFile(const char* name, BitmapRecord* bitmap, RowCallback callback, int bitsPerPixel,
                          void* userData, int alignment);
/* Rows handed to a load's row callback at a time (multi-line mode); -13 for 0 or less. */
int KAPI K_SetCallbackLine(int lines);
/* Nonzero: grey pictures loaded at 8 bits use the fixed palette. */
void KAPI K_SetGrayFixedPalette(int fixed);

/* ---- Exports: Compressed-file stamps -------------------------------------- */

/* The thumbnail stamp of a compressed-format or JFIF file into the bitmap
   (8 or 24 bits, top row first, blue first). -65: the file has no stamp. */
int KAPI K_GetCompressFileStamp(const char* name, BitmapRecord* bitmap);

/* ---- Exports: Compressed-data stream -------------------------------------- */

/* A lossless stream of 8-bit grey or 24-bit rows: a 28-byte header ("QRNO",
   width, height, bits, n, 0, colour order), n caller bytes, then the coded
   rows. K_FileInfo reports such a file as format code 30 (neither loaded
   nor saved by K_LoadFile and K_SaveFile). One stream at a time in the
   process; rows are packed (width x bytes per pixel, no padding). */
#define K_FORMAT_DATA_STREAM 30

/* Receives count coded bytes from the start of the buffer; 1 = go on, any
   other value stops the stream (a negative value is returned as it is, 0
   and other values as -5). */
typedef int(KAPI* CompressDataCallback)(unsigned char* buffer, int count, void* userData);
/* Fills the buffer (size bytes at most) with the next bytes of the stream
   and returns how many it put there; 0 when the stream has no more (the
   decoder may read a few bytes past the coded end, and takes them as 0), a
   negative value stops the stream with that value. */
typedef int(KAPI* DecompressDataCallback)(unsigned char* buffer, int size, void* userData);

/* bytesPerCall: the rows of each K_CompressData call, a whole number of
   rows. 1, -2 no bitmap, -27 not 24 bits or 8-bit grey, -13 a bad size,
   count, buffer or caller bytes, -1 no memory, or the callback's failure. */
int KAPI K_StartCompressData(BitmapRecord* bitmap, CompressDataCallback write, int bytesPerCall, int bufferSize,
                             unsigned char* buffer, int callerCount, const void* callerBytes, void* userData);
/* Codes the next min(rows due, rows per call) rows; the call that codes the
   last row ends the stream and hands on the last bytes. 1, -13 when no
   stream is being compressed, or the callback's failure. */
int KAPI K_CompressData(const unsigned char* rows);
void KAPI K_EndCompressData(void);
/* *callerCount holds the room at callerBytes on entry (no caller bytes are
   kept without it) and the n of the stream on return; bytes beyond the
   room are passed over. 1, -2, -27, -13, -1, or -7 for a header that is
   not a stream of this bitmap's size and depth (or input that ends). */
int KAPI K_StartDecompressData(BitmapRecord* bitmap, DecompressDataCallback read, int bufferSize, unsigned char* buffer,
                               int bytesPerCall, int* callerCount, void* callerBytes, void* userData);
/* Decodes the next min(rows due, rows per call) rows. 1, -13 when no stream
   is being decompressed, -7 for damaged or missing data, or the callback's
   failure. */
int KAPI K_DecompressData(unsigned char* rows);
void KAPI K_EndDecompressData(void);

/* ---- Exports: Compressed-file conversions --------------------------------- */

/* Decodes a compressed-format or JPEG file into a new bitmap at 8, 16 or 24 bits. */
int KAPI K_DecompressBitmap(const char* name, BitmapRecord* bitmap, int bitsPerPixel);

/* Raster files to the compressed family: variant and quality as for
   K_StartCompressBuffer; the last arguments are not used. K_CompressTGA
   with alpha nonzero writes a 32-bit source's alpha, one byte a pixel in
   the coded row order, to the output's name with the extension ".ALF". */
int KAPI K_CompressTIF(const char* source, const char* output, int variant, int quality, int reserved);
int KAPI K_CompressGIF(const char* source, const char* output, int variant, int quality, int reserved);
int KAPI K_CompressPCX(const char* source, const char* output, int variant, int quality, int reserved);
int KAPI K_CompressBMP(const char* source, const char* output, int variant, int quality, int reserved);
int KAPI K_CompressTGA(const char* source, const char* output, int variant, int quality, int reserved, int alpha);
/* Any loadable file; a 1-bit picture with variant 0 goes to the 1-bit format. */
int KAPI K_CompressALL(const char* source, const char* output, int variant, int quality, int reserved);

/* Compressed-format, JFIF and JPEG-in-TIFF files to other formats. Types:
   TGA 0 (8 bits), 1 (16), 2 (24), 3 (32); TIFF 7 (8), 16 (16), 8 (24);
   BMP 4/104/191 (4), 5/108/192 (8), 24/124/193 (24); PCX 11 (24), else 8.
   Other types give -13. Colour written at 8 bits or less is dithered to the
   fixed palette (GIF and PCX: their writers' palettes). */
int KAPI K_DecompressTGA(const char* source, const char* output, int type);
int KAPI K_DecompressTIF(const char* source, const char* output, int type);
int KAPI K_DecompressBMP(const char* source, const char* output, int type);
int KAPI K_DecompressGIF(const char* source, const char* output, int reserved);
int KAPI K_DecompressPCX(const char* source, const char* output, int type);
/* Any loadable file to the format and depth of a conversion type (TGA 0-3,
   TIFF 130/7/16/8, LZW TIFF 131/30/31/32, CCITT TIFF 140-143, BMP
   132/4/5/24, OS/2 BMP 133/104/108/124 and 190-193, PCX 134/135/9/11, GIF
   10, Sun raster 170-174, and the types of formats without a writer yet);
   -13 for any other type. */
int KAPI K_DecompressALL(const char* source, const char* output, int type);

#ifdef __cplusplus
}
#endif

#endif /* VOLKG_H */
