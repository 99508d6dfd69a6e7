#include "forms/open_link_win32.h"

#include <windows.h>
#include <shellapi.h>

#include "forms/link_file.h"
#include "settings/paths.h"

bool OpenLink(const std::string& fileName) {
    return OpenLinkFile(ProgramFilePath("Resource\\" + fileName), [](const std::string& target, int show) {
        ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, show);
    });
}
