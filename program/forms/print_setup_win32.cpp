#include "forms/print_setup_win32.h"

#include <memory>

TPrinterSetupDialog& SharedPrintDialog() {
    static std::unique_ptr<TPrinterSetupDialog> dialog = std::make_unique<TPrinterSetupDialog>(nullptr);
    return *dialog;
}
