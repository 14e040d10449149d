#pragma once

#include <filesystem>
#include <string>

namespace quennit {

// Where the site definition file, the settings file and the help page live.
//
// Folder mode: the program's folder holds SearchSite.ini, so everything is
// read (and Quennit.ini written) there, as a self-contained program folder
// always worked. Installed mode (a package under /usr, where the program
// can't write beside itself): the user's files are in
// $XDG_CONFIG_HOME/quennit/ (~/.config/quennit/), the site file copied there
// from the package's sample on first start; the sample and Help/ lie in the
// package's data folder, ../share/quennit/ from the program.
struct FileLocations {
    bool installed = false;
    // The folder of the user's files: the program's folder, or the config
    // folder (empty when neither XDG_CONFIG_HOME nor a home is known).
    std::filesystem::path folder;
    // Where the sample site file and Help/ are: the program's folder, or
    // the package's data folder.
    std::filesystem::path dataFolder;

    std::filesystem::path SettingsFile() const;
    // Installed mode: the user's copy, or the sample while there is none.
    std::filesystem::path SiteFile() const;
    std::filesystem::path SampleSiteFile() const;
    // The mode and the folder, for the about box and --version.
    std::string Describe() const;
};

// The folder of the running program, ending in '/'.
std::filesystem::path RunningProgramFolder();

// The rule above for a program in programFolder; reads XDG_CONFIG_HOME and
// HOME. Touches no file.
FileLocations LocateFiles(const std::filesystem::path& programFolder);

// Folder mode for programFolder, whatever it holds.
FileLocations FolderLocations(const std::filesystem::path& programFolder);

// Installed mode: creates the config folder and copies the sample site file
// into it unless a site file is already there (an existing one is never
// replaced). False, with the reason in error, when the folder can't be made
// or written. Folder mode needs nothing: true.
bool PrepareUserFolder(const FileLocations& files, std::string& error);

}  // namespace quennit
