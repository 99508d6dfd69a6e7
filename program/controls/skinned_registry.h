// Makes the program's controls nameable in layout resources.
#pragma once

void RegisterProgramControls();
