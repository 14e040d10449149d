#include "app/settings/app_settings.h"

#include <array>
#include <filesystem>
#include <string_view>
#include <utility>

#include "app/settings/profile_file.h"

namespace quennit {

namespace {

constexpr std::string_view kWindow = "WINDOW";
constexpr std::string_view kSearch = "SEARCH";

constexpr std::array<std::string_view, 13> kTemplate = {
    "######################################",
    "# Quennit - Initialize file.",
    "######################################",
    "[WINDOW]",
    "X1=",
    "Y1=",
    "X2=",
    "Y2=",
    "TYPE=",
    "[SEARCH]",
    "RETRY=1",
    "TIMEOUT=20",
    "MULTI=",
};

std::string TemplateText() {
    std::string text;
    for (std::string_view line : kTemplate) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace

bool CAppSettings::Load(const std::string& path) {
    m_strPath = path;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !CreateDefaultFile(path)) {
        return false;
    }
    Read(ReadWholeFile(path).value_or(std::string()));
    return true;
}

void CAppSettings::LoadDefaults() {
    m_strPath.clear();
    Read(TemplateText());
}

void CAppSettings::Read(std::string text) {
    const ProfileText ini(std::move(text));
    X1 = ini.GetInt(kWindow, "X1", -1);
    X2 = ini.GetInt(kWindow, "X2", -1);
    Y1 = ini.GetInt(kWindow, "Y1", -1);
    Y2 = ini.GetInt(kWindow, "Y2", -1);
    TYPE = ini.GetInt(kWindow, "TYPE", TYPE_NONE);
    TIMEOUT = ini.GetInt(kSearch, "TIMEOUT", 0);
    RETRY = ini.GetInt(kSearch, "RETRY", 0);
    MULTI = m_nMultiRead = ini.GetInt(kSearch, "MULTI", 0);
}

bool CAppSettings::Save() {
    // A file that vanished since Load is written afresh, as the platform's
    // profile functions would; one that can't be read is left alone rather
    // than replaced by the seven values alone.
    std::error_code ec;
    auto content = ReadWholeFile(m_strPath);
    if (!content && std::filesystem::exists(m_strPath, ec)) {
        return false;
    }
    ProfileText ini(std::move(content).value_or(std::string()));
    ini.SetInt(kWindow, "X1", X1);
    ini.SetInt(kWindow, "X2", X2);
    ini.SetInt(kWindow, "Y1", Y1);
    ini.SetInt(kWindow, "Y2", Y2);
    ini.SetInt(kWindow, "TYPE", TYPE);
    ini.SetInt(kSearch, "TIMEOUT", TIMEOUT);
    ini.SetInt(kSearch, "RETRY", RETRY);
    if (MULTI != m_nMultiRead) {
        ini.SetInt(kSearch, "MULTI", MULTI);
    }
    return ReplaceFile(m_strPath, ini.Bytes());
}

bool CAppSettings::CreateDefaultFile(const std::string& path) {
    return ReplaceFile(path, TemplateText());
}

}  // namespace quennit
