// Where a description's scale factors come from: the pattern print form's
// measurements, seen by the view through this interface alone.
#pragma once

class RtfScaleSource {
public:
    virtual long double ScaleX() = 0;
    virtual long double ScaleY() = 0;

protected:
    ~RtfScaleSource() = default;
};
