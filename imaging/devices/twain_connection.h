// One conversation with the TWAIN source manager and a source, for the
// length of one export call.
#pragma once

#include "devices/twain_types.h"
#include "volkg.h"

struct TwainConnection {
    DSMENTRYPROC entry = nullptr;
    HMODULE module = nullptr;
    TW_IDENTITY app{};
    TW_IDENTITY source{};
    int flags = 0;
    TwainPageCallback callback = nullptr;
    void* userData = nullptr;

    // A triplet to the manager (toSource false) or the open source.
    TW_UINT16 Call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, void* data, bool toSource = true) {
        return entry(&app, toSource ? &source : nullptr, group, dat, msg, data);
    }
};

// The process-wide defaults that every acquisition starts from.
TwainProperties& TwainDefaults();

// The library's code for the condition of the last failure: -80 when the
// status cannot be read, else -81..-89 by condition code.
int TranslateTwainError(TwainConnection* c, bool fromSource);

// Capabilities as one value: set with an item type, read as the current
// value (FIX32 values as their whole part). Reading gives 1 and the value,
// or a failure code.
TW_UINT16 SetCapability(TwainConnection* c, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value);
int GetCurrentCapability(TwainConnection* c, TW_UINT16 cap, long* value);
void NegotiateCaps(TwainConnection* c, TwainProperties* properties, bool readBack);
void LogTwainProperties(const TwainProperties* properties);

// Transfers the pages into the bitmap once the source is ready; 1, or the
// code that ended the transfer.
int TransferImage(TwainConnection* c, BitmapRecord* bitmap);
