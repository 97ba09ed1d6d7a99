#pragma once
// The --db value: a postgresql:// URI as given, a file path made full.

#include <string>

#include "bans/BanStore.h"
#include "cli/AbsolutePath.h"

namespace th::cli {

inline std::string databaseOption(const std::string& value) {
    return isPostgresUri(value) ? value : absolutePath(value);
}

}  // namespace th::cli
