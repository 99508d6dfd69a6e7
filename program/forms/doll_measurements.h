// The doll's measurements of the pattern print form without its window:
// the four edits beside the standard doll, validated when an edit is left,
// the widths kept in proportion, the scale factors and what a save slot
// stores.
#pragma once

#include <string>

// A measurement as typed: a decimal number with a point, blanks around it
// allowed; false unless it is a finite number above 0.
bool ParseMeasurement(const std::string& text, double& value);
// One decimal, as the form writes the widths it computes ("15.4").
std::string FormatMeasurement(double value);

class DollMeasurements {
public:
    enum Field { Height, BackWidth, Waist, Hips };
    static constexpr int FieldCount = 4;
    // The standard doll's measurements in centimetres.
    static const char* const Standard[FieldCount];
    // Shown when an edit is left holding no usable measurement.
    static const char* const RefuseMessage;

    DollMeasurements();
    // The text of an edit (the standard labels' texts are Standard).
    const std::string& Text(Field f) const { return text_[f]; }
    // The user leaves an edit holding this text. A usable measurement is
    // kept, and leaving a width sets the two other widths in proportion to
    // the standard widths. Anything else is refused: the edit goes back to
    // its last good value and the result is false (the form shows
    // RefuseMessage).
    bool Leave(Field f, const std::string& text);
    // The standard values into every edit.
    void SetStandard();
    // The user's back width over the standard one, and the heights.
    double ScaleX() const;
    double ScaleY() const;
    // A slot's stored "Width" and "Height" (null when missing): a missing or
    // unusable value is the standard one. Waist and hips follow the width.
    void LoadSlot(const std::string* width, const std::string* height);
    const std::string& SlotWidth() const { return text_[BackWidth]; }
    const std::string& SlotHeight() const { return text_[Height]; }

private:
    void Proportion(Field from);
    double Value(Field f) const;
    std::string text_[FieldCount];
};
