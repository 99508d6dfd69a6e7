// Gives a form and every owned component with a font one face name.
#pragma once

#include <string>

class TForm;

void SetFormFont(TForm& form, const std::string& faceName);
