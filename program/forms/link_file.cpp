#include "forms/link_file.h"

#include <fstream>
#include <sstream>

std::string LinkTarget(const std::string& fileText) {
    std::istringstream in(fileText);
    std::string line;
    if (!std::getline(in, line) || !std::getline(in, line)) return "";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() <= 4) return "";
    line.erase(0, 4);
    if (line.find("http:") == std::string::npos && line.find("mailto:") == std::string::npos) return "";
    return line;
}

bool OpenLinkFile(const std::string& path, const LinkLauncher& launch) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    const std::string target = LinkTarget(text.str());
    if (target.empty()) return false;
    launch(target, LinkShowCommand);
    return true;
}
