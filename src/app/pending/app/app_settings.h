#pragma once

#include <string>

namespace quennit {

// Stand-in: the settings record of Quennit.ini.
class CAppSettings {
  public:
    virtual ~CAppSettings() = default;
    bool Load(const std::string& path);
    bool Save();

    int X1 = -1;
    int Y1 = -1;
    int X2 = -1;
    int Y2 = -1;
    int TYPE = 0;
    int TIMEOUT = 0;
    int RETRY = 0;

  private:
    std::string m_path;
};

}  // namespace quennit
