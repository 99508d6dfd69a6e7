// Conversions of layout values shared by the framework's classes.
#pragma once

#include "graphics.h"
#include "layout.h"

// A colour: a number or a colour name (clRed, clBtnFace...).
TColor LayoutColor(const TLayoutValue& value);
// A cursor: a number or a cursor name (crDefault, crHourGlass...).
TCursor LayoutCursor(const TLayoutValue& value);
// Font.Name, Font.Size, Font.Height, Font.Color, Font.Style, Font.Charset.
void SetFontProperty(TFont& font, const std::string& name, const TLayoutValue& value);
