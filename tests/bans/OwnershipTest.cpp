#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>

#include "bans/DatabaseUtilities.h"
#include "bans/Merge.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

constexpr uid_t kGameUser = 1234, kAdmin = 1235;
constexpr gid_t kGameGroup = 5000;

const std::string kBan =
    "[04.16.2017 21:03:11] aaaa1111 \"One\" \"192.0.2.1:1\" \"VIOLATION DETECTED -> (X) #1\"\r\n";

// A file's owner, group and mode, as "uid:gid octal-mode".
std::string ownerOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    char text[64];
    std::snprintf(text, sizeof text, "%u:%u %o", st.st_uid, st.st_gid, st.st_mode & 07777);
    return text;
}

// The type and permissions an archive's only entry unpacks with.
uint32_t entryMode(const std::string& archive) {
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, nullptr);
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (za) zip_file_get_external_attributes(za, 0, 0, &system, &attributes);
    if (za) zip_discard(za);
    return system == ZIP_OPSYS_UNIX ? attributes >> 16 : 0;
}

class Accounts : public BanFolderTest {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "acting as a second account needs root";
        BanFolderTest::SetUp();
        ::chmod(dir.c_str(), 0777);
        ::chmod(db.c_str(), 0666);
        writeBytes(bans, kBan);
    }
    // Merges one new ban; the report, or else the last box shown.
    std::string mergeHere(std::function<void()> beforeCheck = {}) {
        MergeOptions options;
        options.beforeCheck = std::move(beforeCheck);
        return mergeRows(bans, {violationRow("bbbb2222")}, options).said();
    }
    // The same in a child process, as the given account when one is given.
    std::string merge(std::optional<uid_t> uid = {}, std::vector<gid_t> groups = {}) {
        const std::optional<std::string> said = inChild(dir, [&] {
            if (uid && (::setgroups(groups.size(), groups.data()) != 0 ||
                        ::setresgid(*uid, *uid, *uid) != 0 || ::setresuid(*uid, *uid, *uid) != 0))
                ::_exit(3);
            return mergeHere();
        });
        EXPECT_TRUE(said) << "the account could not be taken on";
        return said.value_or("");
    }
    std::string onlyZip() {
        const Rows zips = filesIn(".zip");
        return zips.size() == 1 ? dir + "/" + zips[0] : "";
    }
};

// The game server's file, merged by an administrator in its group: replacing it would
// hand it to the administrator and lock the game server out, so it is refused.
TEST_F(Accounts, AFileOfAnotherOwnerIsNotTakenFromIt) {
    ::chown(bans.c_str(), kGameUser, kGameGroup);
    ::chmod(bans.c_str(), 0664);
    EXPECT_EQ(
        merge(kAdmin, {kGameGroup}),
        "An error has occured during a merge of this log        \r\nNot replaced, since it "
        "would no longer belong to its owner (user 1234); run this as that user or as root: " +
            bans + " 70        " + "\r\n" + std::string(merge_text::kErrorAdvice) + "        ");
    EXPECT_EQ(readBytes(bans), kBan);
    EXPECT_EQ(ownerOf(bans), "1234:5000 664");
    EXPECT_TRUE(sql(db, "SELECT GUID FROM tblVandrel").empty());
    EXPECT_TRUE(filesIn(".tmp").empty());
}

// The owner merging keeps the file's group (not the owner's own) and its mode; root keeps
// owner and group. The backup is never readable by more than the file.
TEST_F(Accounts, OwnerGroupAndModeAreKeptAndBackupsAreNoWider) {
    ::chown(bans.c_str(), kAdmin, kGameGroup);
    ::chmod(bans.c_str(), 0640);
    EXPECT_TRUE(merge(kAdmin, {kAdmin, kGameGroup}).starts_with("Merge complete. "));
    EXPECT_EQ(ownerOf(bans), "1235:5000 640");
    EXPECT_EQ(ownerOf(onlyZip()), "1235:5000 640");
    EXPECT_EQ(entryMode(onlyZip()), 0100640u) << "unpacked, the copy is no wider either";
    std::filesystem::remove(onlyZip());

    ::chown(bans.c_str(), kGameUser, kGameGroup);
    ::chmod(bans.c_str(), 0660);
    EXPECT_TRUE(merge().starts_with("Merge complete. "));
    EXPECT_EQ(ownerOf(bans), "1234:5000 660");
    EXPECT_EQ(ownerOf(onlyZip()), "1234:5000 660");
    std::filesystem::remove(onlyZip());

    // With an access list (the game account may read, the group not), the group's bits are
    // the list's mask: the backup takes the list, and its copy unpacks for the owner only.
    const std::string list(
        "\x02\0\0\0"
        "\x01\0\x06\0\xff\xff\xff\xff"  // the owner: rw
        "\x02\0\x04\0\xd2\x04\0\0"      // the game account: r
        "\x04\0\0\0\xff\xff\xff\xff"    // the group: nothing
        "\x10\0\x04\0\xff\xff\xff\xff"  // the mask: r
        "\x20\0\0\0\xff\xff\xff\xff",   // others: nothing
        44);
    const auto listOf = [](const std::string& path) {
        char bytes[64];
        const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", bytes, sizeof bytes);
        return std::string(bytes, n > 0 ? static_cast<size_t>(n) : 0);
    };
    ASSERT_EQ(::setxattr(bans.c_str(), "system.posix_acl_access", list.data(), list.size(), 0), 0);
    EXPECT_TRUE(merge().starts_with("Merge complete. "));
    EXPECT_EQ(listOf(onlyZip()), list);
    EXPECT_EQ(entryMode(onlyZip()), 0100600u);
    std::filesystem::remove(onlyZip());

    // A database's backup, taken through a private copy, unpacks as the database was.
    ::chmod(db.c_str(), 0644);
    TestWindow w;
    std::string archive;
    ASSERT_TRUE(g_blnBackupDatabase(w.form, archive));
    EXPECT_EQ(entryMode(archive), 0100644u);
}

// Root in a folder of the game account: a link planted there to a file of another account
// is not followed, so nothing of that file reaches a backup or is overwritten.
TEST_F(Accounts, RootFollowsNoLinkIntoAnotherAccountsFile) {
    const std::string secret = dir + "-secret";
    writeBytes(secret, "root's own\n");
    ::chmod(secret.c_str(), 0600);
    std::filesystem::remove(bans);
    std::filesystem::create_symlink(secret, bans);
    ::lchown(bans.c_str(), kGameUser, kGameGroup);
    ::chown(dir.c_str(), kGameUser, kGameGroup);
    EXPECT_EQ(merge(),
              "An error has occured during a merge of this log        \r\nRefused: a link owned by "
              "another account than the file it leads to: " +
                  bans + " 70        " + "\r\n" + std::string(merge_text::kErrorAdviceUnzipped) +
                  "        ");
    EXPECT_EQ(readBytes(secret), "root's own\n");
    EXPECT_TRUE(filesIn(".zip").empty());

    // Swapped in after the file was read: the check before replacing sees another file.
    std::filesystem::remove(bans);
    writeBytes(bans, kBan);
    ::chown(bans.c_str(), kGameUser, kGameGroup);
    EXPECT_FALSE(mergeHere([&] {
                     std::filesystem::remove(bans);
                     std::filesystem::create_symlink(secret, bans);
                     ::lchown(bans.c_str(), kGameUser, kGameGroup);
                 }).starts_with("Merge complete."));
    EXPECT_EQ(readBytes(secret), "root's own\n");
    EXPECT_TRUE(std::filesystem::is_symlink(bans));

    // A link to another account's folder, planted in place of a folder of the path.
    const std::string theirs = dir + "-theirs", planted = dir + "/pb";
    std::filesystem::create_directory(theirs);
    writeBytes(theirs + "/pbbans.dat", "theirs\n");
    ::chown(theirs.c_str(), kAdmin, kAdmin);
    ::chown((theirs + "/pbbans.dat").c_str(), kAdmin, kAdmin);
    std::filesystem::create_symlink(theirs, planted);
    ::lchown(planted.c_str(), kGameUser, kGameGroup);
    bans = planted + "/pbbans.dat";
    EXPECT_TRUE(merge().find("Refused: a link owned by another account than the folder it leads "
                             "to: " +
                             bans + " 70") != std::string::npos);
    EXPECT_EQ(readBytes(theirs + "/pbbans.dat"), "theirs\n");
    // Root's own link there is followed.
    ::lchown(planted.c_str(), 0, 0);
    EXPECT_TRUE(merge().starts_with("Merge complete."));
    std::filesystem::remove_all(theirs);
    std::filesystem::remove(secret);
}

}  // namespace
}  // namespace th::test
