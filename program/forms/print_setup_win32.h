// The one printer set-up dialog of the program: the help form and both
// print forms run it, so a printer chosen in one is the printer of all.
#pragma once

#include "printers.h"

TPrinterSetupDialog& SharedPrintDialog();
