#include "graphic.h"

void TGraphic::SetTransparent(bool on) {
  if (transparent_ == on) return;
  transparent_ = on;
  Changed();
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}
