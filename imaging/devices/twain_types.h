// The structures and codes of the published TWAIN protocol (1.9) that the
// library and the test data source exchange through DSM_Entry and
// DS_Entry, declared here from the protocol document. Packed to 2 bytes.
#pragma once

#include <windows.h>

using TW_INT8 = signed char;
using TW_INT16 = short;
using TW_INT32 = long;
using TW_UINT8 = unsigned char;
using TW_UINT16 = unsigned short;
using TW_UINT32 = unsigned long;
using TW_BOOL = unsigned short;
using TW_HANDLE = HANDLE;
using TW_MEMREF = void*;
using TW_STR32 = char[34];

#pragma pack(push, 2)

struct TW_VERSION {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
};

struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
};

struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};

struct TW_FRAME {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
};

struct TW_IMAGELAYOUT {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber;
    TW_UINT32 PageNumber;
    TW_UINT32 FrameNumber;
};

struct TW_IMAGEINFO {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};

struct TW_SETUPMEMXFER {
    TW_UINT32 MinBufSize;
    TW_UINT32 MaxBufSize;
    TW_UINT32 Preferred;
};

struct TW_MEMORY {
    TW_UINT32 Flags;
    TW_UINT32 Length;
    TW_MEMREF TheMem;
};

struct TW_IMAGEMEMXFER {
    TW_UINT16 Compression;
    TW_UINT32 BytesPerRow;
    TW_UINT32 Columns;
    TW_UINT32 Rows;
    TW_UINT32 XOffset;
    TW_UINT32 YOffset;
    TW_UINT32 BytesWritten;
    TW_MEMORY Memory;
};

struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 Reserved;
};

struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
};

struct TW_EVENT {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
};

struct TW_STATUS {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
};

struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};

struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};

// The head of an enumeration container; the items follow.
struct TW_ENUMERATION_HEAD {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
};

struct TW_ELEMENT8 {
    TW_UINT8 Index;
    TW_UINT8 Channel1;
    TW_UINT8 Channel2;
    TW_UINT8 Channel3;
};

struct TW_PALETTE8 {
    TW_UINT16 NumColors;
    TW_UINT16 PaletteType;
    TW_ELEMENT8 Colors[256];
};

#pragma pack(pop)

static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TW_IMAGEINFO");
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE");
// Handles and memory references are pointer-sized, 2-byte packed like the rest.
static_assert(sizeof(TW_IMAGEMEMXFER) == 34 + sizeof(TW_MEMREF), "TW_IMAGEMEMXFER");
static_assert(sizeof(TW_USERINTERFACE) == 4 + sizeof(TW_HANDLE), "TW_USERINTERFACE");

using DSMENTRYPROC = TW_UINT16(WINAPI*)(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 dat,
                                        TW_UINT16 msg, TW_MEMREF data);

// Protocol version of this side.
constexpr TW_UINT16 TWON_PROTOCOLMAJOR = 1;
constexpr TW_UINT16 TWON_PROTOCOLMINOR = 9;

// Data groups.
constexpr TW_UINT32 DG_CONTROL = 0x1;
constexpr TW_UINT32 DG_IMAGE = 0x2;

// Data argument types.
constexpr TW_UINT16 DAT_CAPABILITY = 0x1;
constexpr TW_UINT16 DAT_EVENT = 0x2;
constexpr TW_UINT16 DAT_IDENTITY = 0x3;
constexpr TW_UINT16 DAT_PARENT = 0x4;
constexpr TW_UINT16 DAT_PENDINGXFERS = 0x5;
constexpr TW_UINT16 DAT_SETUPMEMXFER = 0x6;
constexpr TW_UINT16 DAT_STATUS = 0x8;
constexpr TW_UINT16 DAT_USERINTERFACE = 0x9;
constexpr TW_UINT16 DAT_IMAGEINFO = 0x101;
constexpr TW_UINT16 DAT_IMAGELAYOUT = 0x102;
constexpr TW_UINT16 DAT_IMAGEMEMXFER = 0x103;
constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x104;
constexpr TW_UINT16 DAT_PALETTE8 = 0x10A;

// Messages.
constexpr TW_UINT16 MSG_NULL = 0x0;
constexpr TW_UINT16 MSG_GET = 0x1;
constexpr TW_UINT16 MSG_GETCURRENT = 0x2;
constexpr TW_UINT16 MSG_GETDEFAULT = 0x3;
constexpr TW_UINT16 MSG_GETFIRST = 0x4;
constexpr TW_UINT16 MSG_GETNEXT = 0x5;
constexpr TW_UINT16 MSG_SET = 0x6;
constexpr TW_UINT16 MSG_RESET = 0x7;
constexpr TW_UINT16 MSG_XFERREADY = 0x101;
constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x102;
constexpr TW_UINT16 MSG_OPENDSM = 0x301;
constexpr TW_UINT16 MSG_CLOSEDSM = 0x302;
constexpr TW_UINT16 MSG_OPENDS = 0x401;
constexpr TW_UINT16 MSG_CLOSEDS = 0x402;
constexpr TW_UINT16 MSG_USERSELECT = 0x403;
constexpr TW_UINT16 MSG_DISABLEDS = 0x501;
constexpr TW_UINT16 MSG_ENABLEDS = 0x502;
constexpr TW_UINT16 MSG_PROCESSEVENT = 0x601;
constexpr TW_UINT16 MSG_ENDXFER = 0x701;

// Return codes.
constexpr TW_UINT16 TWRC_SUCCESS = 0;
constexpr TW_UINT16 TWRC_FAILURE = 1;
constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
constexpr TW_UINT16 TWRC_CANCEL = 3;
constexpr TW_UINT16 TWRC_DSEVENT = 4;
constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
constexpr TW_UINT16 TWRC_XFERDONE = 6;
constexpr TW_UINT16 TWRC_ENDOFLIST = 7;

// Condition codes.
constexpr TW_UINT16 TWCC_SUCCESS = 0;
constexpr TW_UINT16 TWCC_BUMMER = 1;
constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
constexpr TW_UINT16 TWCC_NODS = 3;
constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 4;
constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
constexpr TW_UINT16 TWCC_BADCAP = 6;
constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
constexpr TW_UINT16 TWCC_BADVALUE = 10;
constexpr TW_UINT16 TWCC_SEQERROR = 11;
constexpr TW_UINT16 TWCC_BADDEST = 12;

// Containers and item types.
constexpr TW_UINT16 TWON_ENUMERATION = 4;
constexpr TW_UINT16 TWON_ONEVALUE = 5;
constexpr TW_UINT16 TWON_DONTCARE16 = 0xFFFF;
constexpr TW_UINT16 TWTY_INT16 = 1;
constexpr TW_UINT16 TWTY_UINT16 = 4;
constexpr TW_UINT16 TWTY_BOOL = 6;
constexpr TW_UINT16 TWTY_FIX32 = 7;

// Capabilities.
constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
constexpr TW_UINT16 ICAP_PIXELTYPE = 0x0101;
constexpr TW_UINT16 ICAP_XFERMECH = 0x0103;
constexpr TW_UINT16 CAP_INDICATORS = 0x100B;
constexpr TW_UINT16 ICAP_XRESOLUTION = 0x1118;
constexpr TW_UINT16 ICAP_YRESOLUTION = 0x1119;
constexpr TW_UINT16 ICAP_PIXELFLAVOR = 0x111F;
constexpr TW_UINT16 ICAP_BITDEPTH = 0x112B;

// Values.
constexpr TW_UINT16 TWSX_NATIVE = 0;
constexpr TW_UINT16 TWSX_MEMORY = 2;
constexpr TW_UINT16 TWPT_BW = 0;
constexpr TW_UINT16 TWPT_GRAY = 1;
constexpr TW_UINT16 TWPT_RGB = 2;
constexpr TW_UINT16 TWPT_PALETTE = 3;
constexpr TW_UINT16 TWPF_CHOCOLATE = 0;
constexpr TW_UINT16 TWPF_VANILLA = 1;
constexpr TW_UINT16 TWPA_RGB = 0;
constexpr TW_UINT16 TWPA_GRAY = 1;
constexpr TW_UINT16 TWPA_CMY = 2;
constexpr TW_UINT32 TWMF_APPOWNS = 0x1;
constexpr TW_UINT32 TWMF_POINTER = 0x8;
constexpr TW_UINT32 DG_MASK_SUPPORTED = DG_CONTROL | DG_IMAGE;
