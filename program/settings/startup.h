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
// The main block; returns the exit code.
int RunProgram();
