// Host peers run over pictures in one batch (a host call under Wine costs
// about a second): netpbm, ImageMagick and OpenCV through python3.
#pragma once

#include <string>
#include <vector>

#include "core/stored_image.h"

class PeerBatch {
public:
    explicit PeerBatch(std::string tag) : tag_(std::move(tag)) {}
    // Writes a picture for the peers; returns its path.
    std::string Input(const Picture& p) {
        std::string path = TestTempPath(tag_ + "_in" + std::to_string(inputs_++) + (p.channels == 1 ? ".pgm" : ".ppm"));
        WriteFileBytes(path, ToPnm(p));
        return path;
    }
    // Queues a shell command; "@OUT" in it stands for the result file, a
    // binary PGM or PPM. Returns the index of the result.
    int Add(std::string command) {
        int i = static_cast<int>(outputs_.size());
        std::string out = TestTempPath(tag_ + "_out" + std::to_string(i) + ".pnm");
        std::remove(out.c_str());
        for (size_t at; (at = command.find("@OUT")) != std::string::npos;) command.replace(at, 4, "'" + out + "'");
        script_ += command + " || exit 1\n";
        outputs_.push_back(out);
        return i;
    }
    bool Run() {
        std::string path = TestTempPath(tag_ + "_batch.sh");
        WriteFileBytes(path, script_);
        return RunHost("/bin/sh '" + path + "'") == 0;
    }
    Picture Result(int i) const { return FromPnm(ReadFileBytes(outputs_[i])); }

private:
    std::string tag_, script_;
    std::vector<std::string> outputs_;
    int inputs_ = 0;
};

// Largest difference of any value of two pictures of the same shape, or
// 1000 when the shapes differ.
inline int MaxDifference(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels) return 1000;
    int worst = 0;
    for (size_t i = 0; i < a.data.size(); ++i) worst = std::max(worst, std::abs(int(a.data[i]) - int(b.data[i])));
    return worst;
}
