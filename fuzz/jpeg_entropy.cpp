// The JPEG entropy decoder: a valid head (standard tables, a small frame
// whose sampling layout and restart interval the first bytes pick) before
// arbitrary scan data, decoded from memory.
#include <string>

#include "fuzz_load.h"
#include "jpeg/jpeg_tables.h"

namespace {

int KAPI DropRows(BitmapRecord*, unsigned char*, int, void*) { return 1; }

void Put16(std::string& s, int v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v & 0xFF);
}

void PutHuffman(std::string& s, int kind, const uint8_t* table) {
    s += static_cast<char>(kind);
    s.append(reinterpret_cast<const char*>(table), static_cast<size_t>(HuffmanTableLength(table)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > fuzz::kMaxInput) return 0;
    static const uint8_t kSampling[] = {0x11, 0x21, 0x22, 0x41, 0x12, 0x11};
    const int layout = data[0] % 6;  // the last: one grey component
    const int components = layout == 5 ? 1 : 3;
    std::string file("\xFF\xD8", 2);
    file += "\xFF\xDB";
    Put16(file, 2 + 65 * 2);
    for (int t = 0; t < 2; ++t) {
        file += static_cast<char>(t);
        for (int i = 0; i < 64; ++i) file += static_cast<char>(t ? kChrominanceQuant[i] : kLuminanceQuant[i]);
    }
    file += "\xFF\xC4";
    Put16(file, 2 + 4 + HuffmanTableLength(kLuminanceDc) + HuffmanTableLength(kChrominanceDc) +
                    HuffmanTableLength(kLuminanceAc) + HuffmanTableLength(kChrominanceAc));
    PutHuffman(file, 0x00, kLuminanceDc);
    PutHuffman(file, 0x01, kChrominanceDc);
    PutHuffman(file, 0x10, kLuminanceAc);
    PutHuffman(file, 0x11, kChrominanceAc);
    if (data[1] & 0x80) {
        file += "\xFF\xDD";
        Put16(file, 4);
        Put16(file, 1 + (data[1] & 7));
    }
    file += "\xFF\xC0";
    Put16(file, 8 + 3 * components);
    file += '\x08';
    Put16(file, 13 + (data[2] & 31));  // height
    Put16(file, 19 + (data[2] >> 5));  // width
    file += static_cast<char>(components);
    for (int c = 0; c < components; ++c) {
        file += static_cast<char>(c + 1);
        file += static_cast<char>(c == 0 ? kSampling[layout] : 0x11);
        file += static_cast<char>(c == 0 ? 0 : 1);
    }
    file += "\xFF\xDA";
    Put16(file, 6 + 2 * components);
    file += static_cast<char>(components);
    for (int c = 0; c < components; ++c) {
        file += static_cast<char>(c + 1);
        file += static_cast<char>(c == 0 ? 0x00 : 0x11);
    }
    file.append("\x00\x3F\x00", 3);
    file.append(reinterpret_cast<const char*>(data + 3), size - 3);
    fuzz::Bitmap b;
    K_InitBitmap(&b.r, 19 + (data[2] >> 5), 13 + (data[2] & 31), 24);
    K_DecompressMemory(file.data(), &b.r, DropRows, 24, nullptr, 4, static_cast<int>(file.size()));
    return 0;
}
