#include "forms/doll_measurements.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

const char* const DollMeasurements::Standard[FieldCount] = {"30.0", "6.5", "7.7", "13.8"};
const char* const DollMeasurements::RefuseMessage = "Please enter a size in centimetres greater than 0, such as 6.5";

bool ParseMeasurement(const std::string& text, double& value) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t last = text.find_last_not_of(" \t");
    const std::string number = text.substr(first, last - first + 1);
    // Digits with at most one point; no sign, exponent or locale comma.
    bool digit = false, point = false;
    for (char c : number) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) return false;
    const double v = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(v) || v <= 0) return false;
    value = v;
    return true;
}

std::string FormatMeasurement(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%4.1f", value);
    std::string s(text);
    return s.substr(s.find_first_not_of(" \t"));
}

DollMeasurements::DollMeasurements() { SetStandard(); }

void DollMeasurements::SetStandard() {
    for (int f = 0; f < FieldCount; ++f) text_[f] = Standard[f];
}

double DollMeasurements::Value(Field f) const {
    double v = 0;
    // Every stored text passed ParseMeasurement or is a standard value.
    return ParseMeasurement(text_[f], v) ? v : std::strtod(Standard[f], nullptr);
}

double DollMeasurements::ScaleX() const { return Value(BackWidth) / std::strtod(Standard[BackWidth], nullptr); }

double DollMeasurements::ScaleY() const { return Value(Height) / std::strtod(Standard[Height], nullptr); }

bool DollMeasurements::Leave(Field f, const std::string& text) {
    double v = 0;
    if (!ParseMeasurement(text, v)) return false;
    text_[f] = text;
    if (f != Height) Proportion(f);
    return true;
}

void DollMeasurements::Proportion(Field from) {
    const double given = Value(from);
    for (Field to : {BackWidth, Waist, Hips}) {
        if (to == from) continue;
        text_[to] =
            FormatMeasurement(std::strtod(Standard[to], nullptr) / std::strtod(Standard[from], nullptr) * given);
    }
}

void DollMeasurements::LoadSlot(const std::string* width, const std::string* height) {
    double v = 0;
    text_[BackWidth] = width && ParseMeasurement(*width, v) ? *width : Standard[BackWidth];
    text_[Height] = height && ParseMeasurement(*height, v) ? *height : Standard[Height];
    Proportion(BackWidth);
}
