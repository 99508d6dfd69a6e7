#include "picture.h"

#include <typeindex>
#include <vector>

#include "bitmap.h"
#include "jpeg.h"
#include "metafile.h"
#include "streams.h"

namespace {

struct FileFormat {
    std::string extension;  // lower case, no dot
    std::string description;
    TGraphicFactory factory;
};

std::vector<FileFormat>& Formats() {
    static std::vector<FileFormat> formats = {
        {"bmp", "Bitmaps", [] { return static_cast<TGraphic*>(new TBitmap); }},
        {"jpg", "JPEG Image File", [] { return static_cast<TGraphic*>(new TJPEGImage); }},
        {"jpeg", "JPEG Image File", [] { return static_cast<TGraphic*>(new TJPEGImage); }},
        {"wmf", "Metafiles", [] { return static_cast<TGraphic*>(new TMetafile); }},
    };
    return formats;
}

struct GraphicClass {
    std::string name;
    std::type_index type;
    TGraphicFactory factory;
};

std::vector<GraphicClass>& GraphicClasses() {
    static std::vector<GraphicClass> classes = {
        {"TBitmap", typeid(TBitmap), [] { return static_cast<TGraphic*>(new TBitmap); }},
        {"TJPEGImage", typeid(TJPEGImage), [] { return static_cast<TGraphic*>(new TJPEGImage); }},
        {"TMetafile", typeid(TMetafile), [] { return static_cast<TGraphic*>(new TMetafile); }},
    };
    return classes;
}

std::string Normalise(std::string extension) {
    if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
    return LowerCase(extension);
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicFactory factory) {
    // The latest registration wins, so it goes first.
    auto& formats = Formats();
    formats.insert(formats.begin(), FileFormat{Normalise(extension), description, std::move(factory)});
}

TGraphicFactory TPicture::FindFileFormat(const std::string& extension) {
    std::string wanted = Normalise(extension);
    for (auto& f : Formats())
        if (f.extension == wanted) return f.factory;
    return nullptr;
}

std::string TPicture::FileFormatDescription(const std::string& extension) {
    std::string wanted = Normalise(extension);
    for (auto& f : Formats())
        if (f.extension == wanted) return f.description;
    return std::string();
}

void TPicture::RegisterGraphicClass(const std::string& name, const std::type_info& type, TGraphicFactory factory) {
    auto& classes = GraphicClasses();
    for (auto& c : classes)
        if (SameText(c.name, name) || c.type == type) {
            c = GraphicClass{name, type, std::move(factory)};
            return;
        }
    classes.push_back(GraphicClass{name, type, std::move(factory)});
}

TGraphicFactory TPicture::FindGraphicClass(const std::string& name) {
    for (auto& c : GraphicClasses())
        if (SameText(c.name, name)) return c.factory;
    return nullptr;
}

std::string TPicture::GraphicClassName(const TGraphic* graphic) {
    if (!graphic) return std::string();
    std::type_index type(typeid(*graphic));
    for (auto& c : GraphicClasses())
        if (c.type == type) return c.name;
    return std::string();
}

TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
    if (OnChange) OnChange(this);
}

void TPicture::Take(TGraphic* graphic) {
    graphic_.reset(graphic);
    if (graphic_) graphic_->OnChange = [this](TObject* s) { Changed(s); };
    Changed(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
    if (!graphic) {
        Take(nullptr);
        return;
    }
    if (graphic == graphic_.get()) return;
    // A copy of the same class; an unregistered class is kept as its bitmap form.
    TGraphicFactory factory = FindGraphicClass(GraphicClassName(graphic));
    TGraphic* copy = factory ? factory() : new TBitmap;
    std::unique_ptr<TGraphic> holder(copy);
    copy->Assign(graphic);
    Take(holder.release());
}

TBitmap* TPicture::Bitmap() {
    auto* b = dynamic_cast<TBitmap*>(graphic_.get());
    if (!b) {
        b = new TBitmap;
        Take(b);
    }
    return b;
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const std::string& fileName) {
    std::string ext = ExtractFileExt(fileName);
    TGraphicFactory factory = FindFileFormat(ext);
    if (!factory) throw EInvalidGraphic("Unknown picture file extension (" + LowerCase(ext) + ")");
    std::unique_ptr<TGraphic> graphic(factory());
    graphic->LoadFromFile(fileName);
    Take(graphic.release());
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::SaveToStream(TStream* stream) {
    std::string name = GraphicClassName(graphic_.get());
    if (graphic_ && name.empty()) throw EInvalidGraphic("The picture's class is not registered");
    if (name.size() > 255) throw EInvalidGraphic("Class name too long");
    unsigned char length = static_cast<unsigned char>(name.size());
    stream->WriteBuffer(&length, 1);
    if (!graphic_) return;
    stream->WriteBuffer(name.data(), length);
    TMemoryStream data;
    graphic_->SaveToStream(&data);
    DWORD size = static_cast<DWORD>(data.Size());
    stream->WriteBuffer(&size, 4);
    stream->WriteBuffer(data.Memory(), static_cast<int>(size));
}

void TPicture::LoadFromStream(TStream* stream) {
    unsigned char length = 0;
    stream->ReadBuffer(&length, 1);
    if (length == 0) return SetGraphic(nullptr);
    std::string name(length, '\0');
    stream->ReadBuffer(name.data(), length);
    TGraphicFactory factory = FindGraphicClass(name);
    if (!factory) throw EInvalidGraphic("Unknown picture class " + name);
    DWORD size = 0;
    stream->ReadBuffer(&size, 4);
    if (size > stream->Size() - stream->Position()) throw EReadError("Stream read error");
    TMemoryStream data;
    data.SetSize(size);
    if (size > 0) stream->ReadBuffer(data.Memory(), static_cast<int>(size));
    std::unique_ptr<TGraphic> graphic(factory());
    graphic->LoadFromStream(&data);
    Take(graphic.release());
}

void TPicture::Assign(TPersistent* source) {
    if (!source) return SetGraphic(nullptr);
    if (auto* p = dynamic_cast<TPicture*>(source)) return SetGraphic(p->Graphic());
    if (auto* g = dynamic_cast<TGraphic*>(source)) return SetGraphic(g);
    TPersistent::Assign(source);
}
