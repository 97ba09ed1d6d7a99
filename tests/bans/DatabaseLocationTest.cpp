#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>
#include <tuple>

#include "bans/DatabaseLocation.h"
#include "bans/NewDatabase.h"
#include "bans/SchemaMigration.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/support/Environment.h"

namespace th::test {
namespace {

using DatabaseLocationTest = BanFolderTest;
using Source = DatabaseLocation::Source;

TEST_F(DatabaseLocationTest, TheNamedDatabaseThenTheOneBesideTheProgramThenTheUsersOwn) {
    const std::string program = dir + "/bin", bare = dir + "/bare";
    for (const std::string& folder : {program, bare}) std::filesystem::create_directories(folder);
    writeBytes(program + "/Vandrel.mdb", "");
    // The --db value, the environment, the program's folder, and the path found and why.
    const std::tuple<std::string, std::string, std::string, std::string, Source> cases[] = {
        {"/x/a.mdb", "TALLYHOUND_DB=/y/b.mdb", program, "/x/a.mdb", Source::CommandLine},
        {"", "TALLYHOUND_DB=/y/b.mdb", program, "/y/b.mdb", Source::Environment},
        {"", "TALLYHOUND_DB= HOME=/home/pb", program, program + "/Vandrel.mdb",
         Source::BesideProgram},
        {"", "HOME=/home/pb XDG_DATA_HOME=/data", bare, "/data/tallyhound/Vandrel.mdb",
         Source::UserData},
        // A relative name is taken from the working folder, a shared database's URI as it is.
        {"", "TALLYHOUND_DB=./y/../b.mdb", program,
         std::filesystem::current_path().string() + "/b.mdb", Source::Environment},
        {"c.mdb", "", program, std::filesystem::current_path().string() + "/c.mdb",
         Source::CommandLine},
        {"", "TALLYHOUND_DB=postgresql://pb@host/bans", program, "postgresql://pb@host/bans",
         Source::Environment},
        // A relative XDG_DATA_HOME does not count.
        {"", "HOME=/home/pb XDG_DATA_HOME=data", bare,
         "/home/pb/.local/share/tallyhound/Vandrel.mdb", Source::UserData},
    };
    for (const auto& [commandLine, environment, programFolder, path, source] : cases) {
        const DatabaseLocation found =
            locateDatabase(commandLine, Environment(environment).lookup(), programFolder);
        EXPECT_EQ(found.path, path) << environment << " " << programFolder;
        EXPECT_EQ(found.source, source) << path;
    }
}

TEST_F(DatabaseLocationTest, TheUsersOwnDatabaseIsMadeOnceFromTheSchemaAndNeverReplaced) {
    const std::string own = dir + "/share/tallyhound/Vandrel.mdb";
    prepareDatabase({own, Source::UserData});
    EXPECT_EQ(sql(own, "PRAGMA user_version"), (Rows{std::to_string(latestSchemaVersion())}));
    sql(own, "INSERT INTO tblVandrel (GUID) VALUES ('abc')");
    prepareDatabase({own, Source::UserData});  // a second start keeps the bans
    EXPECT_EQ(sql(own, "SELECT GUID FROM qrySelectAllVandrelOrderByTimeStamp"), (Rows{"abc"}));

    // Only the user's own database is ever made; a named one (or any other source: one
    // branch) that is missing stays missing, and an existing file of any kind stays as it is.
    prepareDatabase({dir + "/named.mdb", Source::CommandLine});
    EXPECT_FALSE(std::filesystem::exists(dir + "/named.mdb"));
    writeBytes(dir + "/text.mdb", "kept as it is");
    EXPECT_FALSE(createDatabase(dir + "/text.mdb"));
    EXPECT_EQ(readBytes(dir + "/text.mdb"), "kept as it is");

    // A schema that fails leaves no file behind, not even a partial one.
    EXPECT_THROW(createDatabase(dir + "/broken.mdb", "CREATE TABLE;"), Error);
    EXPECT_EQ(filesIn("broken.mdb").size() + filesIn(".tmp").size(), 0u);
    // Two makers of one database at once: each builds its own, one of them is made.
    for (int round = 0; round < 5; ++round) {
        const std::string both = dir + "/both" + std::to_string(round) + ".mdb";
        std::future<bool> other =
            std::async(std::launch::async, [&] { return createDatabase(both); });
        const bool mine = createDatabase(both);
        EXPECT_NE(mine, other.get());
        EXPECT_EQ(sql(both, "PRAGMA integrity_check"), (Rows{"ok"}));
    }
    EXPECT_EQ(filesIn(".tmp").size(), 0u);
    // A folder that cannot be made is reported, not ignored.
    writeBytes(dir + "/file", "");
    EXPECT_THROW(prepareDatabase({dir + "/file/sub/Vandrel.mdb", Source::UserData}), Error);
}

// Root with another account's HOME makes that account's database as that account would.
TEST_F(DatabaseLocationTest, RootMakesTheDatabaseInAnotherAccountsHomeForThatAccount) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting for a second account needs root";
    const std::string home = dir + "/home";
    std::filesystem::create_directory(home);
    ASSERT_EQ(::chown(home.c_str(), 1234, 5000), 0);
    prepareDatabase({home + "/.local/share/tallyhound/Vandrel.mdb", Source::UserData});
    for (const char* made : {"/.local", "/.local/share", "/.local/share/tallyhound",
                             "/.local/share/tallyhound/Vandrel.mdb"}) {
        struct stat st {};
        ASSERT_EQ(::stat((home + made).c_str(), &st), 0) << made;
        EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(1234u, 5000u)) << made;
    }
}

}  // namespace
}  // namespace th::test
