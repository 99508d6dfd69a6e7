// A picture of any registered class, chosen by file extension on load
// (bmp, jpg, jpeg and wmf from the start).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "graphic.h"

class TBitmap;
class TStream;

using TGraphicFactory = std::function<TGraphic*()>;

class TPicture : public TPersistent {
public:
    TPicture() = default;
    ~TPicture() override;

    // The picture held, or null.
    TGraphic* Graphic() const { return graphic_.get(); }
    // Takes a copy of the graphic (null clears).
    void SetGraphic(TGraphic* graphic);
    // The picture as a bitmap: a non-bitmap picture is replaced by an empty bitmap.
    TBitmap* Bitmap();
    int Width() const;
    int Height() const;

    // Chooses the class by the extension (case-insensitive); an unknown one
    // raises EInvalidGraphic "Unknown picture file extension (.xxx)".
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // The stream form: the graphic's class name (a length byte and the name,
    // empty for no picture), the size of its data (4 bytes) and the data.
    // An unregistered class raises EInvalidGraphic.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream);
    void Assign(TPersistent* source) override;

    TNotifyEvent OnChange;

    // The registry of picture classes by extension (without the dot). The
    // bitmap class serves "bmp" and the JPEG class "jpg" and "jpeg" from the
    // start; a later registration of an extension takes precedence.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   TGraphicFactory factory);
    static TGraphicFactory FindFileFormat(const std::string& extension);
    static std::string FileFormatDescription(const std::string& extension);

    // Streamable graphic classes by name (case-insensitive): the stream form
    // names them, and a copy of a graphic keeps its class. TBitmap, TJPEGImage
    // and TMetafile are registered from the start.
    template <class T>
    static void RegisterGraphicClass(const std::string& name) {
        RegisterGraphicClass(name, typeid(T), [] { return static_cast<TGraphic*>(new T); });
    }
    static void RegisterGraphicClass(const std::string& name, const std::type_info& type, TGraphicFactory factory);
    static TGraphicFactory FindGraphicClass(const std::string& name);
    // The registered name of the graphic's class, or "" when it has none.
    static std::string GraphicClassName(const TGraphic* graphic);

private:
    void Changed(TObject*);
    void Take(TGraphic* graphic);
    std::unique_ptr<TGraphic> graphic_;
};
