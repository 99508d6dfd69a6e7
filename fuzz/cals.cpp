// The CALS reader through memory: header records from rtype on (the first
// six are given, so that the probe takes the input) and the coded data,
// loaded at the file's depth and at a converted one, and resized.
#include "fuzz_load.h"

namespace {

std::string Signature() {
    std::string s;
    for (const char* r : {"srcdocid: NONE\n", "dstdocid: NONE\n", "txtfilid: NONE\n", "figid: NONE\n", "srcgph: NONE\n",
                          "doccls: NONE\n"}) {
        s += r;
        s.resize(s.size() + 128 - std::char_traits<char>::length(r), '\0');
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string signature = Signature();
    fuzz::LoadMemory(data, size, 50, signature);
    return fuzz::LoadResized(data, size, 50, signature);
}
