#include "rtf_scale.h"

#include <cstdio>
#include <filesystem>

#include "settings/paths.h"

std::string ScaleMarkedText(const std::string& text, long double scaleX, long double scaleY) {
    if (text.size() <= 2 || text[0] != '!') return text;
    long double factor;
    int offset;
    switch (text[1]) {
        case 'X':
            factor = scaleX, offset = 0;
            break;
        case 'Y':
            factor = scaleY, offset = 0;
            break;
        case 'x':
            factor = scaleX, offset = 1;
            break;
        case 'y':
            factor = scaleY, offset = 1;
            break;
        default:
            return text;
    }
    std::string number = text.substr(2);
    if (factor == 1) return number;
    // A rest that is not a number reads as 0.
    long double value = 0;
    try {
        size_t used = 0;
        value = std::stold(number, &used);
    } catch (...) {
        value = 0;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f", double(value * factor + offset));
    std::string out = buffer;
    out.erase(0, out.find_first_not_of(' '));
    if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0) out.resize(out.size() - 2);
    return out;
}

void TRtfViewScale::LoadDescription(const std::string& name, const std::string& fontName, int marginMm) {
    std::string path = ResolveProgramPath(name);
    host_.BeginWait();
    if (!LoadDocument(path + ".rtf", path + ".rtc")) {
        std::string fallback = ResolveProgramPath("resource\\describe");
        LoadDocument(fallback + ".rtf", fallback + ".rtc");
    }
    ReplaceFontName("", fontName);
    GoContents();
    host_.EndWait();
    for (const auto& e : Elements()) {
        auto* text = dynamic_cast<TRTFText*>(e.get());
        if (!text) continue;
        long double sx = text->text.size() > 2 && text->text[0] == '!' && ScaleX ? ScaleX() : 1;
        long double sy = text->text.size() > 2 && text->text[0] == '!' && ScaleY ? ScaleY() : 1;
        text->text = ScaleMarkedText(text->text, sx, sy);
    }
    MarginLeft = MarginRight = marginMm;
    Relayout();
}
