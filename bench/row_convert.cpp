// Display row conversion between the common depths over the rows of the
// photo, beside memcpy of the same source bytes (the limit).
#include "bench.h"
#include "core/display_mode.h"
#include "core/palette.h"
#include "core/row_converters.h"

int main() {
    const bench::Picture& photo = bench::Photo();
    const int width = photo.width, rows = photo.height;
    // The photo's bytes stand in for rows of every depth: photo-like values.
    const size_t stride = static_cast<size_t>(width) * 3;
    std::vector<unsigned char> target(static_cast<size_t>(width) * 3 + 16);
    std::vector<unsigned char> source(static_cast<size_t>(width) * 4 + 16);
    std::vector<DiffusionErrorCell> errors(width);
    auto sourceRow = [&](int y, int bytes) {
        // 32-bit rows take more than one photo row: wrap around the picture.
        const size_t at = (static_cast<size_t>(y) * stride) % (photo.rgb.size() - bytes);
        std::memcpy(source.data(), &photo.rgb[at], bytes);
    };

    for (int bits : {4, 8, 16, 24, 32}) {
        BitmapRecord r;
        K_InitBitmap(&r, width, 1, bits);
        if (bits <= 8) r.PaletteHandle = CreateFixedPalette(bits);
        const int sourceBytes = r.BytesPerLine;
        // The limit: the source rows fetched and copied once.
        const double copy = bench::Median([&] {
            for (int y = 0; y < rows; ++y) {
                sourceRow(y, sourceBytes);
                std::memcpy(target.data(), source.data(), std::min<size_t>(sourceBytes, target.size()));
            }
            return true;
        });
        for (int depth : {1, 4, 8}) {
            for (bool ordered : {true, false}) {
                DisplayMode = ordered ? (DisplayMode | kOrderedDither) : (DisplayMode & ~kOrderedDither);
                char name[48];
                std::snprintf(name, sizeof name, "display row %d -> %d, %s", bits, depth,
                              ordered ? "ordered" : "diffused");
                bench::Row(name)
                    .Ours(bench::Median([&] {
                        std::fill(errors.begin(), errors.end(), DiffusionErrorCell{});
                        for (int y = 0; y < rows; ++y) {
                            sourceRow(y, sourceBytes);
                            ConvertDisplayRow(target.data(), depth, source.data(), &r, 0, width, 0, y, errors.data());
                        }
                        return true;
                    }))
                    .Limit("memcpy", copy)
                    .Print();
            }
        }
        if (bits == 16 || bits == 32) {
            char name[48];
            std::snprintf(name, sizeof name, "display row %d -> 24, expand", bits);
            bench::Row(name)
                .Ours(bench::Median([&] {
                    for (int y = 0; y < rows; ++y) {
                        sourceRow(y, sourceBytes);
                        (bits == 16 ? ExpandRow16To24 : ExpandRow32To24)(target.data(), source.data(), &r, 0, width);
                    }
                    return true;
                }))
                .Limit("memcpy", copy)
                .Print();
        }
        K_FreeBitmap(&r);
    }
    return 0;
}
