#include "app/app_settings.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace quennit {

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

int ReadInt(const std::vector<std::string>& lines, const std::string& key, int def) {
    for (const auto& l : lines) {
        if (l.rfind(key + "=", 0) == 0) {
            const std::string v = l.substr(key.size() + 1);
            return v.empty() ? def : std::atoi(v.c_str());
        }
    }
    return def;
}

}  // namespace

bool CAppSettings::Load(const std::string& path) {
    m_path = path;
    if (!std::ifstream(path).good()) {
        std::ofstream out(path, std::ios::binary);
        out << "[WINDOW]\r\nX1=\r\nY1=\r\nX2=\r\nY2=\r\nTYPE=\r\n[SEARCH]\r\nRETRY=1\r\nTIMEOUT="
               "20\r\n";
        if (!out) {
            return false;
        }
    }
    const auto lines = ReadLines(path);
    X1 = ReadInt(lines, "X1", -1);
    X2 = ReadInt(lines, "X2", -1);
    Y1 = ReadInt(lines, "Y1", -1);
    Y2 = ReadInt(lines, "Y2", -1);
    TYPE = ReadInt(lines, "TYPE", 0);
    TIMEOUT = ReadInt(lines, "TIMEOUT", 0);
    RETRY = ReadInt(lines, "RETRY", 0);
    return true;
}

bool CAppSettings::Save() {
    std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
    out << "[WINDOW]\r\nX1=" << X1 << "\r\nY1=" << Y1 << "\r\nX2=" << X2 << "\r\nY2=" << Y2
        << "\r\nTYPE=" << TYPE << "\r\n[SEARCH]\r\nRETRY=" << RETRY << "\r\nTIMEOUT=" << TIMEOUT
        << "\r\n";
    return static_cast<bool>(out);
}

}  // namespace quennit
