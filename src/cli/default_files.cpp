#include "cli/commands.h"
#include "platform/file_locations.h"

namespace quennit::cli {

FileLocations DefaultFiles() {
    return LocateFiles(RunningProgramFolder());
}

std::string DefaultSiteFile() {
    return DefaultFiles().SiteFile().string();
}

}  // namespace quennit::cli
