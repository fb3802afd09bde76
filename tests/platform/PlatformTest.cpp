#include "platform/Platform.h"

#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "RunProcess.h"
#include "SymbolicLinks.h"
#include "TempFolder.h"
#ifdef _WIN32
#include "platform/WideStrings.h"
#endif

namespace {

class PlatformTest : public ::testing::Test
{
protected:
    std::string PathOf(const std::string& name) const { return mFolder.PathOf(name); }
    static void WriteText(const std::string& path, const std::string& text)
    {
        TempFolder::WriteFile(path, text);
    }
    static std::string ReadText(const std::string& path) { return TempFolder::ReadFile(path); }

    TempFolder mFolder;
};

TEST_F(PlatformTest, FileExistsOnlyForReadableFiles)
{
    std::string file = PathOf("store.acrodata");
    WriteText(file, "x");
    EXPECT_TRUE(platform::FileExists(file));
    EXPECT_FALSE(platform::FileExists(PathOf("missing")));
    EXPECT_FALSE(platform::FileExists(mFolder.Path()));
}

TEST_F(PlatformTest, RenameNeverReplacesAnExistingFile)
{
    std::string from = PathOf("from");
    std::string to = PathOf("to");
    WriteText(from, "new");
    WriteText(to, "old");
    std::string reason;
    EXPECT_FALSE(platform::RenameNoReplace(from, to, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(ReadText(to), "old");
    EXPECT_EQ(ReadText(from), "new");
}

TEST_F(PlatformTest, RenameMovesToAFreeName)
{
    std::string from = PathOf("ünïcode-from");
    std::string to = PathOf("ünïcode-to");
    WriteText(from, "content");
    std::string reason;
    EXPECT_TRUE(platform::RenameNoReplace(from, to, reason));
    EXPECT_EQ(ReadText(to), "content");
    EXPECT_FALSE(platform::PathExists(from));
}

TEST_F(PlatformTest, OpenFileRoundTripsNonAsciiPathsWith64BitPositions)
{
    std::string path = PathOf("日本-store");
    std::FILE* file = platform::OpenFile(path, "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fwrite("abcdef", 1, 6, file), 6u);
    EXPECT_TRUE(platform::FlushFileToDisk(file));
    std::fclose(file);

    file = platform::OpenFile(path, "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(platform::SeekFile(file, -2, SEEK_END), 0);
    EXPECT_EQ(platform::TellFile(file), 4);
    char tail[2];
    EXPECT_EQ(std::fread(tail, 1, 2, file), 2u);
    EXPECT_EQ(std::string(tail, 2), "ef");
    std::fclose(file);
    EXPECT_TRUE(platform::RemoveFile(path));
    EXPECT_FALSE(platform::PathExists(path));
}

// Our reading must not stand in the way of the reader application saving over the store.
TEST_F(PlatformTest, FileOpenForReadingCanBeRenamedAndRemovedMeanwhile)
{
    std::string store = PathOf("store");
    WriteText(store, "old");
    std::FILE* file = platform::OpenFile(store, "rb");
    ASSERT_NE(file, nullptr);
    std::string reason;
    EXPECT_TRUE(platform::RenameNoReplace(store, PathOf("moved"), reason)) << reason;
    EXPECT_TRUE(platform::RemoveFile(PathOf("moved")));
    char byte = 0;
    EXPECT_EQ(std::fread(&byte, 1, 1, file), 1u);
    EXPECT_EQ(byte, 'o');
    std::fclose(file);
}

TEST_F(PlatformTest, UnopenableFileGivesTheReason)
{
    std::string reason;
    EXPECT_EQ(platform::OpenFile(PathOf("missing"), "rb", reason), nullptr);
    EXPECT_FALSE(reason.empty());
    reason.clear();
    EXPECT_EQ(platform::OpenFile(mFolder.Path(), "rb", reason), nullptr);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(platform::KindOfPath(mFolder.Path()), platform::PathKind::Other);
    EXPECT_EQ(platform::KindOfPath(PathOf("missing")), platform::PathKind::Missing);
}

TEST_F(PlatformTest, LockIsExclusiveUntilReleasedAndLeavesNothingBehind)
{
    std::string store = PathOf("store");
    WriteText(store, "x");
    std::unique_ptr<platform::ExclusiveLock> first;
    std::unique_ptr<platform::ExclusiveLock> second;
    std::string reason;
    ASSERT_EQ(platform::ExclusiveLock::TryAcquire(store, first, reason),
              platform::ExclusiveLock::Attempt::Acquired);
    EXPECT_EQ(platform::ExclusiveLock::TryAcquire(store, second, reason),
              platform::ExclusiveLock::Attempt::HeldElsewhere);
    EXPECT_EQ(second, nullptr);
    first.reset();
    ASSERT_EQ(platform::ExclusiveLock::TryAcquire(store, second, reason),
              platform::ExclusiveLock::Attempt::Acquired);
    second.reset();
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(Utf8ToPath(mFolder.Path()))) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

// A program that only reads the store (trust-check) takes the lock beside other readers,
// waits while an update holds it, and creates nothing.
TEST_F(PlatformTest, LockForReadingIsSharedWaitsForAnUpdateAndCreatesNothing)
{
    using Lock = platform::ExclusiveLock;
    std::string store = PathOf("store");
    WriteText(store, "x");
    std::unique_ptr<Lock> first;
    std::unique_ptr<Lock> second;
    std::string reason;
    ASSERT_EQ(Lock::TryAcquire(store, first, reason, Lock::Use::Read), Lock::Attempt::Acquired);
    ASSERT_EQ(Lock::TryAcquire(store, second, reason, Lock::Use::Read), Lock::Attempt::Acquired);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(Utf8ToPath(mFolder.Path()))) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    first.reset();
    second.reset();

    std::unique_ptr<Lock> update;
    ASSERT_EQ(Lock::TryAcquire(store, update, reason), Lock::Attempt::Acquired);
    EXPECT_EQ(Lock::TryAcquire(store, first, reason, Lock::Use::Read),
              Lock::Attempt::HeldElsewhere);
    EXPECT_EQ(first, nullptr);
    update.reset();
    EXPECT_EQ(Lock::TryAcquire(store, first, reason, Lock::Use::Read), Lock::Attempt::Acquired);
}

TEST_F(PlatformTest, LockInMissingFolderFailsWithReason)
{
    std::unique_ptr<platform::ExclusiveLock> lock;
    std::string reason;
    std::string store = PathOf("no-such-folder") + platform::kPathSeparator + "store";
    EXPECT_EQ(platform::ExclusiveLock::TryAcquire(store, lock, reason),
              platform::ExclusiveLock::Attempt::Failed);
    EXPECT_EQ(lock, nullptr);
    EXPECT_FALSE(reason.empty());
}

TEST_F(PlatformTest, IdentityTellsAChangedOrReplacedFile)
{
    struct Case
    {
        const char* what;
        void (*change)(const std::string& store, const std::string& other);
        bool same;
    };
    const Case cases[] = {
        {"left alone", [](const std::string&, const std::string&) {}, true},
        {"rewritten longer",
         [](const std::string& store, const std::string&) { WriteText(store, "longer"); }, false},
        {"replaced by another file",
         [](const std::string& store, const std::string& other) {
             WriteText(other, "old");
             std::string reason;
             (void)platform::RemoveFile(store);
             (void)platform::RenameNoReplace(other, store, reason);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string store = PathOf("store");
        WriteText(store, "old");
        std::optional<platform::FileIdentity> before = platform::IdentityOf(store);
        ASSERT_TRUE(before);
        c.change(store, PathOf("other"));
        std::optional<platform::FileIdentity> after = platform::IdentityOf(store);
        ASSERT_TRUE(after);
        EXPECT_EQ(*before == *after, c.same);
    }
    EXPECT_FALSE(platform::IdentityOf(PathOf("missing")));
}

TEST_F(PlatformTest, AccessSettingsAndRemovalFollowTheOldFile)
{
    namespace fs = std::filesystem;
    const fs::perms kCases[] = {fs::perms(0600), fs::perms(0640), fs::perms(0444)};
    for (fs::perms wanted : kCases) {
        SCOPED_TRACE(static_cast<int>(wanted));
        std::string store = PathOf("store");
        std::string fresh = PathOf("store-new");
        WriteText(store, "old");
        WriteText(fresh, "new");
        fs::permissions(Utf8ToPath(store), wanted);
        std::string reason;
        EXPECT_TRUE(platform::CopyAccessSettings(store, fresh, reason)) << reason;
        EXPECT_EQ(fs::status(Utf8ToPath(fresh)).permissions(),
                  fs::status(Utf8ToPath(store)).permissions());
        EXPECT_TRUE(platform::RemoveFile(store));
        EXPECT_TRUE(platform::RemoveFile(fresh));
        EXPECT_FALSE(platform::PathExists(store) || platform::PathExists(fresh));
    }
}

enum class Planted
{
    Nothing,
    File,
    LinkLeadingNowhere,
    LinkToAFileElsewhere,
    Folder
};

struct NameCase
{
    Planted planted;
    platform::NameKind kind;
    bool removed; // by RemoveFile
    // Wine shows a Unix link as what it leads to, and can only reach that: a link leading
    // nowhere looks missing, and no link is removed.
    platform::NameKind kindUnderWine;
    bool removedUnderWine;
};

// The names the installer creates, locks and removes are acted on themselves: a create-new
// open refuses anything there, a remove takes a link away and never what it leads to, and a
// folder is never removed.
TEST_F(PlatformTest, NamesAreActedOnThemselvesNeverThroughALink)
{
    namespace fs = std::filesystem;
    using platform::NameKind;
    const NameCase cases[] = {
        {Planted::Nothing, NameKind::Missing, false, NameKind::Missing, false},
        {Planted::File, NameKind::RegularFile, true, NameKind::RegularFile, true},
        {Planted::LinkLeadingNowhere, NameKind::Link, true, NameKind::Missing, false},
        {Planted::LinkToAFileElsewhere, NameKind::Link, true, NameKind::Link, false},
        {Planted::Folder, NameKind::Folder, false, NameKind::Folder, false},
    };
    const std::string outside = PathOf("outside");
    const std::string nowhere = PathOf("nowhere");
    for (const NameCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.planted));
        const NameKind kind = RunsUnderWine() ? c.kindUnderWine : c.kind;
        const bool removed = RunsUnderWine() ? c.removedUnderWine : c.removed;
        const std::string name = PathOf("store-new-" + std::to_string(static_cast<int>(c.planted)));
        WriteText(outside, "outside");
        switch (c.planted) {
        case Planted::Nothing:
            break;
        case Planted::File:
            WriteText(name, "left over");
            break;
        case Planted::LinkLeadingNowhere:
            ASSERT_TRUE(MakeSymbolicLink(nowhere, name));
            break;
        case Planted::LinkToAFileElsewhere:
            ASSERT_TRUE(MakeSymbolicLink(outside, name));
            break;
        case Planted::Folder:
            fs::create_directory(Utf8ToPath(name));
            break;
        }
        EXPECT_EQ(platform::KindOfName(name), kind);
        std::string reason;
        std::FILE* created = platform::OpenFile(name, "wbx", reason);
        EXPECT_EQ(created != nullptr, c.planted == Planted::Nothing) << reason;
        if (created != nullptr) {
            EXPECT_EQ(std::fwrite("new", 1, 3, created), 3u);
            std::fclose(created);
            EXPECT_EQ(ReadText(name), "new");
        }
        const bool gone = removed || created != nullptr;
        reason.clear();
        EXPECT_EQ(platform::RemoveFile(name, reason), gone);
        EXPECT_EQ(reason.empty(), gone) << reason;
        EXPECT_EQ(platform::KindOfName(name), gone ? NameKind::Missing : kind);
        EXPECT_EQ(ReadText(outside), "outside");
        EXPECT_FALSE(platform::PathExists(nowhere));
        if (c.planted == Planted::LinkLeadingNowhere ||
            c.planted == Planted::LinkToAFileElsewhere) {
            EXPECT_EQ(IsSymbolicLink(name), !gone);
            (void)RemoveSymbolicLink(name);
        }
    }
}

TEST_F(PlatformTest, ExecutableFolderHasNoTrailingSeparator)
{
    std::string folder = platform::ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), platform::kPathSeparator);
    EXPECT_TRUE(platform::PathExists(folder));
}

#ifdef _WIN32
// Names go to the wide Windows API and come back from it through these two conversions.
TEST(WideStringsTest, ConvertsBetweenUtf8AndUtf16)
{
    struct Case
    {
        const char* what;
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"empty", "", L""},
        {"ASCII", "store.acrodata", L"store.acrodata"},
        {"two-byte",
         "Pr\xC3\xBC"
         "fung",
         L"Pr\u00FCfung"},
        {"three-byte", "\xE8\xAF\x81\xE4\xB9\xA6", L"\u8BC1\u4E66"},
        {"outside the BMP", "\xF0\x9F\x94\x92", L"\xD83D\xDD12"},
        {"embedded NUL", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::Utf8ToWide(c.utf8), c.wide);
        EXPECT_EQ(platform::WideToUtf8(c.wide), c.utf8);
        EXPECT_EQ(platform::WideToUtf8(c.wide.data(), c.wide.size()), c.utf8);
    }
}

// Damaged text converts with replacement characters rather than being cut short.
TEST(WideStringsTest, InvalidSequencesBecomeReplacementCharacters)
{
    EXPECT_EQ(platform::Utf8ToWide("a\xFF"
                                   "b"),
              L"a\uFFFDb");
    EXPECT_EQ(platform::Utf8ToWide("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(platform::WideToUtf8(std::wstring(L"a\xD800"
                                                L"b")),
              "a\xEF\xBF\xBD"
              "b");
}
#endif

} // namespace
