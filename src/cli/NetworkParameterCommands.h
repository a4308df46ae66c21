#pragma once

#include <cstdint>
#include <string>

namespace zel::cli {

class CommandContext;

// zelctl params upload|download --network: every module of the CAN network behind the ZEL, one
// file per module, with the up/download wizard's CAN page's search, assignment checks and
// per-module steps.

// Searches module IDs 1 to lastId and uploads each module found to path with "_ModuleId_<id>"
// put before its extension.
int NetworkUploadCommand(CommandContext& ctx, const std::string& path, const std::string& visum,
                         const std::string& comment, std::uint16_t lastId);

// mapping is "ID=FILE[,ID=FILE...]". Every pair is checked as the assignment dialog checks it
// before anything is written; dryRun stops after the checks.
int NetworkDownloadCommand(CommandContext& ctx, const std::string& mapping, bool dryRun);

}  // namespace zel::cli
