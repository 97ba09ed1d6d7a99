#include "cli/NewOnly.h"

#include "bans/BanStore.h"
#include "bans/Paths.h"
#include "bans/ServerName.h"
#include "cli/CommandContext.h"
#include "cli/DatabaseOption.h"

namespace th::cli {

void addNewOnlyFlag(CLI::App& command, bool& newOnly) {
    command.add_flag("--new-only", newOnly,
                     "Read only what was appended to the logs since the last such run on the "
                     "same ban database");
}

void addNewOnlyOptions(CLI::App& command, NewOnlyOptions& options) {
    addNewOnlyFlag(command, options.newOnly);
    addDbOption(command, options.db,
                std::string("With --new-only, where the logs were left. ") + kDbOptionHelp);
}

void planFromStore(MainForm& form, GridSources& sources, std::string_view reader,
                   const std::string& server) {
    std::unique_ptr<BanStore> store = openBanStore(form, databasePath());
    planNewOnly(sources, store->logPositions(serverName(server), reader));
}

void storePlan(MainForm& form, const GridSources& sources, std::string_view reader,
               const std::string& server) {
    if (!sources.plan) return;
    std::unique_ptr<BanStore> store = openBanStore(form, databasePath());
    StoreTransaction transaction(*store);
    store->putLogPositions(serverName(server), reader, sources.plan->positions, sources.plan->gone);
    transaction.commit();
}

std::vector<std::string> filesRead(const GridSources& sources, const NewOnlyOptions& options) {
    std::vector<std::string> files = sources.files;
    if (options.newOnly) {
        setDatabasePath(databaseOption(options.db));
        if (!isPostgresUri(databasePath())) files.push_back(databasePath());
    }
    return files;
}

std::string unstoredPlanText(const std::string& why) {
    return "the output is written, but where the logs were left could not be stored (" + why +
           "); the next --new-only run reads the same lines again";
}

}  // namespace th::cli
