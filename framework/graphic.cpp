#include "graphic.h"

#include "streams.h"

void TGraphic::SetTransparent(bool on) {
    if (transparent_ == on) return;
    transparent_ = on;
    Changed();
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

std::vector<unsigned char> TGraphic::ReadRest(TStream* stream) {
    long long left = stream->Size() - stream->Position();
    if (left < 0 || left > 0x7FFFFFFF) throw EReadError("Stream read error");
    std::vector<unsigned char> bytes(static_cast<size_t>(left));
    if (left > 0) stream->ReadBuffer(bytes.data(), static_cast<int>(left));
    return bytes;
}
