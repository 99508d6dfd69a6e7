/*
 * Native stand-ins for the Windows calls that the portable part of the
 * library makes: global memory, page-file mappings, files, temporary file
 * names, resources, version and logical palettes. Only what the library
 * uses, with the Win32 meaning, for the native (x86_64 Linux) build.
 */
#ifndef VOLKG_PORT_WINDOWS_H
#define VOLKG_PORT_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

/* One calling convention on x86_64, as on 64-bit Windows. */
#ifndef __stdcall
#define __stdcall
#endif
#define WINAPI __stdcall
#define CALLBACK __stdcall

#ifdef __cplusplus
extern "C" {
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD; /* 32 bits, as on Windows, whatever long is */
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD COLORREF;
typedef unsigned short ATOM;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;

typedef void* HANDLE;
typedef HANDLE HGLOBAL;
typedef struct HPALETTE__* HPALETTE;
typedef void* HGDIOBJ;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HRSRC__* HRSRC;
typedef struct HWND__* HWND;
typedef struct HDC__* HDC;
typedef struct HBITMAP__* HBITMAP;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT;
typedef struct tagPOINT {
    LONG x, y;
} POINT;
typedef struct tagRGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
} RGBQUAD;
typedef struct tagRGBTRIPLE {
    BYTE rgbtBlue, rgbtGreen, rgbtRed;
} RGBTRIPLE;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;
typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;
typedef struct tagBITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
} BITMAPCOREHEADER;

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

typedef struct tagPALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
} PALETTEENTRY;
typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)(((WORD)(c)) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define PALETTERGB(r, g, b) (0x02000000 | RGB(r, g, b))
#define CLR_INVALID 0xFFFFFFFF

/* Global memory */
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_DDESHARE 0x2000
#define GMEM_SHARE 0x2000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
HGLOBAL WINAPI GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL WINAPI GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags);
LPVOID WINAPI GlobalLock(HGLOBAL mem);
BOOL WINAPI GlobalUnlock(HGLOBAL mem);
HGLOBAL WINAPI GlobalFree(HGLOBAL mem);
HGLOBAL WINAPI GlobalHandle(LPCVOID pointer);
size_t WINAPI GlobalSize(HGLOBAL mem);

/* Page-file mappings */
#define PAGE_READWRITE 0x04
#define SEC_COMMIT 0x8000000
#define SEC_NOCACHE 0x10000000
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_READ 0x0004
HANDLE WINAPI CreateFileMappingA(HANDLE file, void* security, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                                 LPCSTR name);
LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, size_t bytes);
BOOL WINAPI UnmapViewOfFile(LPCVOID address);
BOOL WINAPI CloseHandle(HANDLE handle);

/* Processes: the handles held (stand-in objects alive) */
HANDLE WINAPI GetCurrentProcess(void);
BOOL WINAPI GetProcessHandleCount(HANDLE process, DWORD* count);

/* Files */
#define GENERIC_READ 0x80000000UL
#define GENERIC_WRITE 0x40000000UL
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x1
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD disposition, DWORD attributes,
                          HANDLE templ);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* done, void* overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD count, DWORD* done, void* overlapped);
DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
BOOL WINAPI SetEndOfFile(HANDLE file);
DWORD WINAPI GetFileSize(HANDLE file, DWORD* high);
BOOL WINAPI DeleteFileA(LPCSTR name);
#define MOVEFILE_REPLACE_EXISTING 1
BOOL WINAPI MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer);
UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer);
DWORD WINAPI GetLastError(void);

/* Version */
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA;
BOOL WINAPI GetVersionExA(OSVERSIONINFOA* info);

/* Resources of the library's own module (the native build registers them in code) */
#define MAKEINTRESOURCEA(i) ((LPSTR)(uintptr_t)((WORD)(i)))
HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
LPVOID WINAPI LockResource(HGLOBAL data);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
BOOL WINAPI FreeResource(HGLOBAL data);
/* Native only: makes a block findable by FindResourceA; returns 1. */
int PortRegisterResource(unsigned type, unsigned id, const void* data, DWORD size);
/* Native only: removes it again, so tests can take a table away. */
int PortUnregisterResource(unsigned type, unsigned id);

/* Logical palettes */
HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette);
UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT WINAPI SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
BOOL WINAPI ResizePalette(HPALETTE palette, UINT count);
UINT WINAPI GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
BOOL WINAPI DeleteObject(HGDIOBJ object);

/* The screen: the native build has none, so GetDC gives null. */
#define RASTERCAPS 38
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define RC_PALETTE 0x0100
HDC WINAPI GetDC(HWND window);
int WINAPI ReleaseDC(HWND window, HDC dc);
int WINAPI GetDeviceCaps(HDC dc, int index);
UINT WINAPI GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);

#ifdef __cplusplus
}
#endif

#endif /* VOLKG_PORT_WINDOWS_H */
