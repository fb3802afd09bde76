// The built trust-installer on hostile layouts of the names beside a store ("-new", "-backup",
// "-lock"): links planted there, folders, an old backup that may be the only copy of entries.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "InstallerProgram.h"
#include "RunProcess.h"
#include "StoreFiles.h"
#include "SymbolicLinks.h"

namespace fs = std::filesystem;

namespace {

enum class Planted
{
    LinkLeadingNowhere,
    LinkToAFileElsewhere,
    Folder
};

// What a run does with what was planted: removes it (a link itself) and installs, leaves it
// where it is and installs (a name this system does not use), or leaves the store alone on a
// line naming it.
enum class Outcome
{
    RemovedAndInstalled,
    KeptAndInstalled,
    StoreLeftAlone
};

struct HostileCase
{
    const char* suffix;
    Planted planted;
    Outcome posix;
    Outcome windows;
    // Wine shows a Unix link as what it leads to (or as nothing) and can only reach that: it
    // cannot remove such a link, and the store is left alone with a line instead.
    Outcome wine;
};

class SideFilesEndToEndTest : public InstallerProgramTest
{
protected:
    SideFilesEndToEndTest()
        : mStore(StorePath("DC")), mOutside(mFolder.PathOf("outside")),
          mNowhere(mFolder.PathOf("nowhere"))
    {
    }

    // The line a run gives when it leaves the store alone because of what is at its name.
    std::string RefusalLines(const std::string& suffix) const
    {
        const std::string path = mStore + suffix;
        if (suffix == "-lock") {
            return Line("Can't lock " + mStore + " for the install: something other than a file " +
                        "is at " + path + "; it was left alone");
        }
        return Line(mStore) +
               Line("Something other than a file is at " + path + "; the store was left unchanged");
    }

    bool Plant(const std::string& path, Planted planted) const
    {
        switch (planted) {
        case Planted::LinkLeadingNowhere:
            return MakeSymbolicLink(mNowhere, path);
        case Planted::LinkToAFileElsewhere:
            return MakeSymbolicLink(mOutside, path);
        case Planted::Folder:
            break;
        }
        return fs::create_directories(Utf8ToPath(path) / "content");
    }

    static bool IsStillThere(const std::string& path, Planted planted)
    {
        return planted == Planted::Folder ? fs::is_directory(Utf8ToPath(path) / "content")
                                          : IsSymbolicLink(path);
    }

    static void RemovePlanted(const std::string& path, Planted planted)
    {
        if (planted == Planted::Folder) {
            fs::remove_all(Utf8ToPath(path));
        } else {
            (void)RemoveSymbolicLink(path);
        }
    }

    // The last line of a run that left the store alone.
    static bool EndsWithRefusal(const std::string& lines)
    {
        for (const char* end : {"; the store was left unchanged", "; it was left alone"}) {
            const std::string tail = Line(end);
            if (lines.size() >= tail.size() &&
                lines.compare(lines.size() - tail.size(), tail.size(), tail) == 0) {
                return true;
            }
        }
        return false;
    }

    // The example store as a run installs it on a clean layout, its identifier masked.
    std::string CleanInstall() const
    {
        CopyExampleStore("DC");
        EXPECT_EQ(RunInstallerProgram(), Line(mStore) + InstalledLines());
        return MaskDocumentID(TempFolder::ReadFile(mStore));
    }

    std::string mStore;
    std::string mOutside; // a file outside the profile that a link may lead to
    std::string mNowhere; // where a dangling link leads; never to be created
};

// Nothing outside the store's folder is created, changed or deleted through a name the tool
// uses, and each layout either installs soundly or leaves the store as it was with one line.
TEST_F(SideFilesEndToEndTest, NothingPlantedBesideTheStoreIsFollowed)
{
    constexpr Outcome kRemoved = Outcome::RemovedAndInstalled;
    constexpr Outcome kKept = Outcome::KeptAndInstalled;
    constexpr Outcome kAlone = Outcome::StoreLeftAlone;
    // POSIX locks the store's folder itself: nothing at "-lock" is ever looked at.
    const HostileCase cases[] = {
        {"-new", Planted::LinkLeadingNowhere, kRemoved, kRemoved, kAlone},
        {"-new", Planted::LinkToAFileElsewhere, kRemoved, kRemoved, kAlone},
        {"-new", Planted::Folder, kAlone, kAlone, kAlone},
        {"-backup", Planted::LinkLeadingNowhere, kRemoved, kRemoved, kRemoved},
        {"-backup", Planted::LinkToAFileElsewhere, kRemoved, kRemoved, kAlone},
        {"-backup", Planted::Folder, kAlone, kAlone, kAlone},
        {"-lock", Planted::LinkLeadingNowhere, kKept, kRemoved, kAlone},
        {"-lock", Planted::LinkToAFileElsewhere, kKept, kRemoved, kAlone},
        {"-lock", Planted::Folder, kKept, kAlone, kAlone},
    };
    const std::string installed = CleanInstall();
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(std::string(c.suffix) + " " + std::to_string(static_cast<int>(c.planted)));
        CopyExampleStore("DC");
        const std::string before = TempFolder::ReadFile(mStore);
        TempFolder::WriteFile(mOutside, "outside");
        const std::string planted = mStore + c.suffix;
        ASSERT_TRUE(Plant(planted, c.planted));
        const Outcome outcome = platform::kPathSeparator == '/' ? c.posix
                                : RunsUnderWine()               ? c.wine
                                                                : c.windows;

        const std::string lines = RunInstallerProgram();

        EXPECT_EQ(TempFolder::ReadFile(mOutside), "outside");
        EXPECT_FALSE(platform::PathExists(mNowhere));
        if (outcome == Outcome::StoreLeftAlone) {
            // Under Wine a link may be refused by other lines than a link's, which name no path.
            if (RunsUnderWine() && c.planted != Planted::Folder) {
                EXPECT_TRUE(EndsWithRefusal(lines)) << lines;
            } else {
                EXPECT_EQ(lines, RefusalLines(c.suffix));
            }
            EXPECT_EQ(TempFolder::ReadFile(mStore), before);
        } else {
            EXPECT_EQ(lines, Line(mStore) + InstalledLines());
            EXPECT_EQ(MaskDocumentID(TempFolder::ReadFile(mStore)), installed);
        }
        EXPECT_EQ(IsStillThere(planted, c.planted), outcome != Outcome::RemovedAndInstalled);
        for (const char* other : {"-new", "-backup", "-lock"}) {
            if (other != std::string(c.suffix)) {
                EXPECT_EQ(platform::KindOfName(mStore + other), platform::NameKind::Missing);
            }
        }
        RemovePlanted(planted, c.planted);
        fs::remove(Utf8ToPath(mOutside));
    }
}

// The old store of a swap that ended early may be the only copy of entries the store lacks
// (the reader application made a fresh store meanwhile): it is kept under a new name, named on
// one line, and the install goes on. A backup holding nothing more than the store is removed.
TEST_F(SideFilesEndToEndTest, OldBackupIsKeptUnderANewNameUnlessTheStoreHoldsAllOfIt)
{
    const std::string backup = mStore + "-backup";
    const std::string example = ExampleStore();
    WriteStore("DC", BuildStore({{1, Catalog("")}}));
    TempFolder::WriteFile(backup, example);
    EXPECT_EQ(RunInstallerProgram(), Line(mStore) +
                                         Line("Kept " + backup + " as " + backup +
                                              "-1: it holds entries the store lacks") +
                                         InstalledLines());
    EXPECT_EQ(TempFolder::ReadFile(backup + "-1"), example);
    EXPECT_FALSE(platform::PathExists(backup));

    WriteStore("DC", example);
    TempFolder::WriteFile(backup, example);
    EXPECT_EQ(RunInstallerProgram(), Line(mStore) + InstalledLines());
    EXPECT_FALSE(platform::PathExists(backup));
    EXPECT_EQ(TempFolder::ReadFile(backup + "-1"), example);
    EXPECT_FALSE(platform::PathExists(backup + "-2"));
}

} // namespace
