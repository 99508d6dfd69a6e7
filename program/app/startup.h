// The program's start: everything before the message loop.
#pragma once

#include <functional>

constexpr const char* HighColourMessage = "Program need High color";

// The screen has 16 bits per pixel or more.
bool ScreenHasHighColour();
// Imports Resource\pupetta.reg when DefaultSlot is missing or negative;
// true when it did.
bool ImportDefaultsOnFirstRun();
// Handles messages, sleeping while none come, until done() holds.
void WaitWhileHandlingMessages(const std::function<bool()>& done);
// Adds WS_CAPTION to the style of the framework's application window, by addition.
void AddCaptionToApplicationWindow();
// The forms through the form factory, the main window first (it becomes
// the application's main form), the slot dialog last.
void CreateProgramForms();
// The main block; returns the exit code. The framework is finalised on every
// way out, so the forms are hidden and destroyed before the program ends.
int RunProgram();
