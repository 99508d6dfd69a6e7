#include "encode_fixture.h"

#include <cstdio>
#include <cstdlib>

int SavePicture(const Rgb& picture, const std::string& path, int format, int quality) {
    BitmapRecord record;
    MakeRecord(picture, &record);
    int result = K_SaveFile(path.c_str(), &record, format, 24, quality, 0, nullptr, nullptr);
    K_FreeBitmap(&record);
    return result;
}

HostRun RunCaptured(const std::string& command, const std::string& name) {
    HostRun run;
    std::string out = TestTempPath(name + ".out"), err = TestTempPath(name + ".err");
    run.status = RunHost("(" + command + ") >" + out + " 2>" + err);
    run.out = ReadFileBytes(out);
    run.err = ReadFileBytes(err);
    return run;
}

double Psnr(const std::string& a, const std::string& b, const std::string& name) {
    HostRun run = RunCaptured(std::string("/usr/bin/compare-im6.q16 -metric PSNR ") + a + " " + b + " null:", name);
    // compare prints the metric on standard error and exits 1 when the pictures differ.
    if (run.err.rfind("inf", 0) == 0) return 999;
    return std::atof(run.err.c_str());
}

bool ParseJpeg(const std::string& bytes, std::vector<Segment>* segments, std::string* scan) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size(), i = 2;
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
    segments->clear();
    while (i + 4 <= n) {
        if (p[i] != 0xFF) return false;
        int marker = p[i + 1];
        size_t length = static_cast<size_t>(p[i + 2]) << 8 | p[i + 3];
        if (length < 2 || i + 2 + length > n) return false;
        segments->push_back({marker, bytes.substr(i + 4, length - 2)});
        i += 2 + length;
        if (marker == 0xDA) {
            if (n < i + 2 || p[n - 2] != 0xFF || p[n - 1] != 0xD9) return false;
            *scan = bytes.substr(i, n - 2 - i);
            return true;
        }
    }
    return false;
}
