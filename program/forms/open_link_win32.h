// Opens the link of a link file in the Resource folder with the shell.
#pragma once

#include <string>

// ProgramFolder + "Resource\" + fileName; false when it holds no link.
bool OpenLink(const std::string& fileName);
