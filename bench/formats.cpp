// Loading and saving BMP, TGA, PCX, GIF, PNG and Photoshop files of the
// photo: giflib and libpng in this process, ImageMagick (one thread, start-up
// subtracted) for the others; uncompressed formats also against reading the
// file into fresh storage and writing the same bytes with write(2); the
// run-length TGA reader on ImageMagick's file; PCX and run-length TGA also
// decoded to a row callback, without storage.
#include <gif_lib.h>
#include <png.h>

#include "bench.h"

namespace {

bool OursLoad(const std::string& path) {
    BitmapRecord b{};
    const int r = K_LoadFile(path.c_str(), &b, 0, -1, K_LOAD_ALLOCATE | K_LOAD_LOCK, nullptr, nullptr);
    K_FreeBitmap(&b);
    return r == K_OK;
}

// Decoding alone: every row handed to a callback that keeps nothing, so no
// storage is allocated or touched.
int KAPI Discard(BitmapRecord*, unsigned char*, int, void*) { return 1; }

bool OursDecode(const std::string& path) {
    BitmapRecord b{};
    K_InitBitmap(&b, 0, 0, 0);
    return K_LoadFile(path.c_str(), &b, 0, -1, 0, Discard, nullptr) == K_OK;
}

bool OursSave(const std::string& path, BitmapRecord* source, int format, int bits) {
    return K_SaveFile(path.c_str(), source, format, bits, 0, 0, nullptr, nullptr) == K_OK;
}

// ---- giflib: the whole file into memory, and the indexed photo written row by row.

bool GiflibLoad(const std::string& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return false;
    const bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1;
    DGifCloseFile(gif, &error);
    return ok;
}

bool GiflibSave(const std::string& path) {
    const bench::IndexedPicture& p = bench::PhotoIndexed();
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return false;
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = GifColorType{p.palette[i].rgbRed, p.palette[i].rgbGreen, p.palette[i].rgbBlue};
    ColorMapObject* map = GifMakeMapObject(256, colors);
    bool ok = map && EGifPutScreenDesc(gif, p.width, p.height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, p.width, p.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < p.height; ++y)
        ok = EGifPutLine(gif, const_cast<GifPixelType*>(&p.index[static_cast<size_t>(y) * p.width]), p.width) == GIF_OK;
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

// ---- libpng at its default settings, as our writer uses it.

bool LibpngLoad(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_read_info(png, info);
        const size_t rowBytes = png_get_rowbytes(png, info), height = png_get_image_height(png, info);
        pixels.resize(rowBytes * height);
        for (size_t y = 0; y < height; ++y) rows.push_back(&pixels[y * rowBytes]);
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return ok;
}

bool LibpngSave(const std::string& path) {
    const bench::Picture& p = bench::Photo();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, p.width, p.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < p.height; ++y) png_write_row(png, &p.rgb[static_cast<size_t>(y) * p.width * 3]);
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 && ok;
}

struct Format {
    const char* name;
    int code, bits;
    const char* ext;
    const char* magick;  // ImageMagick's output prefix, or null where a library is the peer
    bool uncompressed;
};

}  // namespace

int main() {
    BitmapRecord trueColor{}, indexed{};
    if (!bench::PhotoRecord(trueColor, 24) || !bench::PhotoRecord(indexed, 8)) {
        bench::Note("no storage for the photo");
        return 1;
    }
    // ImageMagick saves from its own memory-mapped cache, its read taken off.
    const std::string cache = bench::PhotoCache();
    const double cacheRead = bench::MagickMs(cache + " null:");

    const Format formats[] = {
        {"BMP", K_FORMAT_BMP, 24, "bmp", "BMP3:", true},  {"TGA", K_FORMAT_TGA, 24, "tga", "TGA:", true},
        {"PCX", K_FORMAT_PCX, 24, "pcx", "PCX:", false},  {"GIF", K_FORMAT_GIF, 8, "gif", nullptr, false},
        {"PNG", K_FORMAT_PNG, 24, "png", nullptr, false}, {"PSD", K_FORMAT_PHOTOSHOP, 24, "psd", "PSD:", false},
    };
    for (const Format& f : formats) {
        BitmapRecord* source = f.bits == 8 ? &indexed : &trueColor;
        const std::string ours = bench::ScratchFile(std::string("ours.") + f.ext);
        const std::string peer = bench::ScratchFile(std::string("peer.") + f.ext);
        const bool gif = f.code == K_FORMAT_GIF, png = f.code == K_FORMAT_PNG;

        bench::Row save(std::string(f.name) + " save, " + std::to_string(f.bits) + " bits");
        save.Ours(bench::Median([&] { return OursSave(ours, source, f.code, f.bits); }));
        if (gif) save.Peer("giflib", bench::Median([&] { return GiflibSave(peer); }));
        if (png) save.Peer("libpng", bench::Median([&] { return LibpngSave(peer); }));
        if (f.magick) {
            const std::string args = "-compress " + std::string(f.uncompressed ? "none " : "RLE ");
            const double ms = bench::MagickMs(cache + " " + args + f.magick + peer);
            save.Peer("ImageMagick", ms < 0 || cacheRead < 0 ? -1 : std::max(0.0, ms - cacheRead));
        }
        if (f.uncompressed)
            save.Limit("write(2)", bench::WriteMs(static_cast<size_t>(bench::FileSize(ours))));
        else
            save.Sizes(bench::FileSize(ours), bench::FileSize(peer));
        save.Print();
        // A save writes a new file and renames it over the old one: the
        // same steps as a limit.
        if (f.uncompressed)
            bench::Row(save.operation)
                .Ours(save.ours)
                .Limit("write+rename", bench::WriteRenameMs(static_cast<size_t>(bench::FileSize(ours))))
                .Print();

        bench::Row load(std::string(f.name) + " load, " + std::to_string(f.bits) + " bits");
        load.Ours(bench::Median([&] { return OursLoad(ours); }));
        // Each peer reads its own file, so that it meets the coding it expects.
        if (gif) load.Peer("giflib", bench::Median([&] { return GiflibLoad(ours); }));
        if (png) load.Peer("libpng", bench::Median([&] { return LibpngLoad(ours); }));
        if (f.magick) load.Peer("ImageMagick", bench::MagickMs(ours + " null:"));
        if (f.uncompressed) load.Limit("read", bench::ReadMs(ours));
        load.Print();
        if (f.code == K_FORMAT_PCX)
            bench::Row("PCX decode to a row callback, 24 bits")
                .Ours(bench::Median([&] { return OursDecode(ours); }))
                .Print();
    }
    // Run-length TGA (we write TGA uncompressed): ImageMagick's file, loaded
    // by both.
    const std::string runs = bench::ScratchFile("runs.tga");
    if (bench::Shell(bench::kMagick + " " + cache + " -compress RLE TGA:" + runs)) {
        bench::Row("TGA run-length load, 24 bits")
            .Ours(bench::Median([&] { return OursLoad(runs); }))
            .Peer("ImageMagick", bench::MagickMs(runs + " null:"))
            .Sizes(bench::FileSize(runs))
            .Print();
        bench::Row("TGA run-length decode to a row callback")
            .Ours(bench::Median([&] { return OursDecode(runs); }))
            .Print();
    } else {
        bench::Note("ImageMagick wrote no run-length TGA");
    }
    K_FreeBitmap(&trueColor);
    K_FreeBitmap(&indexed);
    return 0;
}
