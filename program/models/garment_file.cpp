#include "models/garment_file.h"

#include <algorithm>
#include <cmath>

#include "settings/text_helpers.h"

namespace {

const CharSet BarSet("|");

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

int ReadSize(const std::string& word, const std::string& line) {
    const int value = ReadInteger(word);
    if (value <= 0) throw ConvertError("'" + line + "' has no model size");
    return value;
}

}  // namespace

GarmentTitle ParseGarmentTitle(const std::string& line) {
    GarmentTitle t;
    std::string tokens = WordAt(2, line, BarSet);
    if (!tokens.empty() && tokens[0] == '@') {
        t.OtherDollFrame = true;
        tokens.erase(0, 1);
    }
    for (int i = 1, n = CountWords(tokens, CommaSet); i <= n; ++i)
        t.Incompatible.push_back(WordAt(i, tokens, CommaSet));

    std::string head = WordAt(1, line, BarSet);
    if (head.find('(') == std::string::npos) throw ConvertError("'" + line + "' has no model size");
    t.Title = WordAt(1, head, ParenSet);
    head.erase(0, t.Title.size() + 1);  // the title and its parenthesis
    if (!head.empty() && head.back() == ')') head.pop_back();
    t.ModelWidth = ReadSize(WordAt(1, head, CommaSet), line);
    t.ModelHeight = ReadSize(WordAt(2, head, CommaSet), line);
    return t;
}

SheetFit FitSheet(int viewWidth, int viewHeight, int modelWidth, int modelHeight) {
    modelWidth = std::max(modelWidth, 1);
    modelHeight = std::max(modelHeight, 1);
    SheetFit f;
    f.ScaleX = double(viewWidth) / modelWidth;
    f.ScaleY = double(viewHeight) / modelHeight;
    if (f.ScaleX > f.ScaleY)
        f.ScaleX = f.ScaleY;
    else
        f.ScaleY = f.ScaleX;
    // A view of no size (or a negative one) still gives a usable factor.
    if (f.ScaleX <= 0) f.ScaleX = f.ScaleY = 0.0001;
    f.OffsetX = (viewWidth - MulRound(modelWidth, f.ScaleX)) / 2;
    f.OffsetY = (viewHeight - MulRound(modelHeight, f.ScaleY)) / 2;
    return f;
}

std::string FileNamePart(const std::string& path) {
    const std::size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

bool TitlesCompatible(const std::vector<std::string>& tokensA, const std::string& fileNameA,
                      const std::vector<std::string>& tokensB, const std::string& fileNameB) {
    const std::string a = Upper(FileNamePart(fileNameA)), b = Upper(FileNamePart(fileNameB));
    for (const std::string& t : tokensA)
        if (Upper(t) == b) return false;
    for (const std::string& t : tokensB)
        if (Upper(t) == a) return false;
    return true;
}

std::string FillsValueName(const std::string& fileName) {
    if (fileName.size() >= 7 && Upper(fileName.substr(0, 7)) == "MODELS\\") return fileName.substr(7);
    return fileName;
}

std::vector<std::uint8_t> FitFillBytes(const std::vector<std::uint8_t>& stored, std::size_t pieces) {
    std::vector<std::uint8_t> fills(pieces, 255);
    std::copy_n(stored.begin(), std::min(pieces, stored.size()), fills.begin());
    return fills;
}
