// A garment's description: an RTF view whose marked numbers ("!X10") are
// scaled, when loaded, by the doll's measurements.
#pragma once

#include <functional>

#include "rtf_view.h"

class TRtfViewScale : public TrtfView {
public:
    using TrtfView::TrtfView;
    // The pattern print form's X and Y scale factors, read per marked token.
    std::function<long double()> ScaleX, ScaleY;

    // name: the model's path without extension, relative to the program's folder.
    void LoadDescription(const std::string& name, const std::string& fontName, int marginMm);
};

// The text a marked token becomes, or the token itself when it is not one.
std::string ScaleMarkedText(const std::string& text, long double scaleX, long double scaleY);
