#include "platform/file_locations.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <system_error>

namespace quennit {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSiteFile = "SearchSite.ini";

// Folders are kept with a trailing '/', as the window's callers expect.
fs::path AsFolder(const fs::path& folder) {
    fs::path normal = folder.lexically_normal();
    return normal.has_filename() ? normal / "" : normal;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// XDG_CONFIG_HOME counts only as an absolute path (the XDG rule); then HOME,
// then the password database, for a session started without HOME.
fs::path ConfigHome() {
    if (const fs::path xdg = Env("XDG_CONFIG_HOME"); xdg.is_absolute()) {
        return xdg;
    }
    fs::path home = Env("HOME");
    if (home.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir) {
            home = user->pw_dir;
        }
    }
    return home.is_absolute() ? home / ".config" : fs::path();
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

}  // namespace

fs::path FileLocations::SettingsFile() const {
    return folder.empty() ? fs::path() : folder / "Quennit.ini";
}

fs::path FileLocations::SampleSiteFile() const {
    return dataFolder / kSiteFile;
}

fs::path FileLocations::SiteFile() const {
    if (installed && (folder.empty() || !Exists(folder / kSiteFile))) {
        return SampleSiteFile();
    }
    return folder / kSiteFile;
}

std::string FileLocations::Describe() const {
    if (!installed) {
        return "folder mode: " + folder.string();
    }
    return "installed mode: " +
           (folder.empty() ? std::string("no config folder (neither XDG_CONFIG_HOME nor HOME)")
                           : folder.string());
}

fs::path RunningProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return "./";
    }
    return AsFolder(fs::path(std::string(path, static_cast<std::size_t>(n))).parent_path());
}

FileLocations FolderLocations(const fs::path& programFolder) {
    FileLocations files;
    files.folder = files.dataFolder = AsFolder(programFolder);
    return files;
}

FileLocations LocateFiles(const fs::path& programFolder) {
    FileLocations files = FolderLocations(programFolder);
    if (Exists(files.folder / kSiteFile)) {
        return files;
    }
    files.installed = true;
    // The package's layout: bin/ and share/quennit/ under one prefix.
    files.dataFolder = AsFolder(files.folder / "../share/quennit");
    const fs::path config = ConfigHome();
    files.folder = config.empty() ? fs::path() : AsFolder(config / "quennit");
    return files;
}

bool PrepareUserFolder(const FileLocations& files, std::string& error) {
    if (!files.installed) {
        return true;
    }
    if (files.folder.empty()) {
        error = "neither XDG_CONFIG_HOME nor HOME names a folder";
        return false;
    }
    std::error_code ec;
    fs::create_directories(files.folder, ec);
    if (ec) {
        error = files.folder.string() + ": " + ec.message();
        return false;
    }
    const fs::path target = files.folder / kSiteFile;
    if (Exists(target) || !Exists(files.SampleSiteFile())) {
        return true;  // the user's own file stays; a missing sample the window reports
    }
    // Copied under another name first, so an interrupted copy never leaves a
    // half file that later starts would keep.
    const fs::path part = files.folder / "SearchSite.ini.part";
    if (fs::copy_file(files.SampleSiteFile(), part, fs::copy_options::overwrite_existing, ec)) {
        fs::rename(part, target, ec);
    }
    if (ec) {
        error = target.string() + ": " + ec.message();
        fs::remove(part, ec);
        return false;
    }
    return true;
}

}  // namespace quennit
