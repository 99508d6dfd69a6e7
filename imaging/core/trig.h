// Sine and cosine of an angle in hundredths of a degree (0..36000), times
// 16384, from one quarter-wave table.
#pragma once

int SinLookup(int angle);
int CosLookup(int angle);
