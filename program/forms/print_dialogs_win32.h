// What the two print dialogs share besides their skin: placing themselves
// over the main window, the printer's name, the shared printer set-up, their
// help topic and the notice that flies when a job is done.
#pragma once

#include <string>

class TFlyBitmap;
class TForm;
class TImage;
class TLabel;

// Centred over the main window (halves truncated toward zero); left where
// it is before the main window exists.
void CentreOverMainWindow(TForm& form);
// The current printer's name into the label.
void ShowPrinterName(TLabel* label);
// The printer set-up dialog of both print forms; when confirmed, the label
// shows the printer then selected.
void RunPrinterSetup(TLabel* printerName);
// Hints off, the help form at the topic modally, hints on.
void ShowHelpModal(const std::string& topic);
// The notice flies over a snapshot of the form; its picture is the one
// given, else the main window's "Letters".
void FlyNotice(TFlyBitmap* notice, TForm& form, TImage* picture);
