#pragma once

#include <cstdint>
#include <string>

#include "engine/diagnose.h"
#include "sitedef/site_def.h"

namespace quennit::cli {

struct CheckArgs;

// `quennit-cli check --fetch KEYWORD`: every enabled site asked for its
// first page (several at a time, never two of one server at once), one
// line per site saying why it gives what it gives. 0 when the file loads,
// 1 when it can't.
int RunSiteDoctor(const CheckArgs& args);

// `quennit-cli extract --explain`: the same findings for a saved page, one
// per line (or one JSON object), line end included.
std::string ExplainPage(std::uint32_t number, const SiteDef& site, const PageDiagnosis& diagnosis,
                        bool json);

}  // namespace quennit::cli
