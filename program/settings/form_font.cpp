#include "settings/form_font.h"

#include "forms.h"

void SetFormFont(TForm& form, const std::string& faceName) {
    form.Font()->SetName(faceName);
    for (int i = 0; i < form.ComponentCount(); ++i)
        if (auto* font = dynamic_cast<TFont*>(form.Components(i)->GetObjectProperty("FONT"))) font->SetName(faceName);
}
