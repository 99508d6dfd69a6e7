// The abstract picture: anything that has a size and can draw itself onto a canvas.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "classes.h"

class TCanvas;
class TStream;

class TGraphic : public TPersistent {
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual HPALETTE Palette() const { return nullptr; }
    virtual void SetPalette(HPALETTE palette) {}
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool on);

    // Raise EInvalidGraphic (or EFOpenError) when the file cannot be read.
    virtual void LoadFromFile(const std::string& fileName) = 0;
    virtual void SaveToFile(const std::string& fileName) = 0;
    // The stream form: the bytes of the graphic's file, from the stream's
    // position to its end.
    virtual void LoadFromStream(TStream* stream) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    // Clipboard forms: a handle of the given format and its palette.
    virtual void LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) = 0;
    virtual void SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) = 0;

    // Draws the picture stretched into the rectangle (the canvas calls this).
    virtual void Draw(TCanvas* canvas, const RECT& rect) = 0;

    // The bytes from the stream's position to its end.
    static std::vector<unsigned char> ReadRest(TStream* stream);

    bool Modified() const { return modified_; }
    void SetModified(bool on) { modified_ = on; }
    TNotifyEvent OnChange;

protected:
    // Marks the picture modified and raises OnChange.
    virtual void Changed();

private:
    bool transparent_ = false;
    bool modified_ = false;
};
