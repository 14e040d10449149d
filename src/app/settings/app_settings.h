#pragma once

#include <cstdint>
#include <string>

namespace quennit {

// The settings file "Quennit.ini": the main window's placement and the two
// search options. Read once at start-up, written once at exit.
class CAppSettings {
  public:
    CAppSettings() = default;
    virtual ~CAppSettings() = default;

    // Remembers path, creates the file from the template when it doesn't
    // exist, then reads the eight values. False only when the missing file
    // can't be created. Unreadable or malformed content reads as defaults.
    bool Load(const std::string& path);

    // Writes the seven values (and MULTI when it changed) into the file that
    // Load named, each where it stands; every other line is kept. All values are written or none
    // (a read-only file, an unwritable folder): false then.
    bool Save();

    // The template's values, without a file: for a run whose settings file
    // can't be created. Save then fails.
    void LoadDefaults();

    // Writes the template to path, over an existing file too.
    bool CreateDefaultFile(const std::string& path);

    // TYPE's values.
    enum PlacementType : std::int32_t {
        TYPE_NONE = 0,  // no placement saved yet
        TYPE_NORMAL = 1,
        TYPE_MINIMIZED = 2,
        TYPE_MAXIMIZED = 3,
    };

    // Normal (restored) rectangle of the main window, screen pixels.
    std::int32_t X1 = -1;
    std::int32_t Y1 = -1;
    std::int32_t X2 = -1;
    std::int32_t Y2 = -1;
    // Show state at the last close, a PlacementType. Any other number the
    // file holds counts as a saved placement in the normal state.
    std::int32_t TYPE = TYPE_NONE;
    // Seconds; 0 leaves the session's own default.
    std::int32_t TIMEOUT = 0;
    // Attempts per request; 0 leaves the session's own default.
    std::int32_t RETRY = 0;
    // Several sites at a time when not 0. Written back only when changed,
    // so a file nobody touched keeps its "MULTI=" line as it was.
    std::int32_t MULTI = 0;

  private:
    void Read(std::string text);

    std::string m_strPath;
    std::int32_t m_nMultiRead = 0;
};

}  // namespace quennit
