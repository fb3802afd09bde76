// The built trust-installer as a user's logon script runs it (InstallerProgram.h).

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GoldenFile.h"
#include "InstallerProgram.h"
#include "PemText.h"
#include "StoreFiles.h"
#include "installer/AddressBookReader.h"
#include "pdf/io/Hexadecimal.h"

namespace fs = std::filesystem;

namespace {

using InstallerEndToEndTest = InstallerProgramTest;

TEST_F(InstallerEndToEndTest, NoStoreGivesNoOutput)
{
    EXPECT_EQ(RunInstallerProgram(), "");
}

TEST_F(InstallerEndToEndTest, StoresFoundUnderNonAsciiProfileAreNamedInVersionOrder)
{
    CopyExampleStore("11.0");
    CopyExampleStore("DC");
    EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + InstalledLines() +
                                         Line(StorePath("11.0")) + InstalledLines());
}

// The folder of every product line that keeps a store, beside a folder without one and a file.
TEST_F(InstallerEndToEndTest, StoresOfEveryProductLineAreInstalledInOrder)
{
    std::string firstRun;
    std::string secondRun;
    for (const char* version : CopyStoresOfFourProductLines()) {
        firstRun += Line(StorePath(version)) + InstalledLines();
        secondRun += Line(StorePath(version)) + Line("Certificates are already trusted");
    }
    EXPECT_EQ(RunInstallerProgram(), firstRun);
    EXPECT_EQ(RunInstallerProgram(), secondRun);
}

// Started by a program named explorer.exe, as a double-click is, but with its output on a pipe:
// no line asks for a key, and the run ends by itself.
TEST_F(InstallerEndToEndTest, OutputOnAPipeIsNeverHeldEvenFromExplorer)
{
    CopyExampleStore("DC");
    const std::string explorer = mFolder.PathOf("explorer.exe");
    fs::copy_file(Utf8ToPath(PROCESS_FACTS_EXE), Utf8ToPath(explorer));
    const ProcessResult result =
        RunProcess(explorer, {{"APPDATA", mAppData}, {"PROCESS_FACTS_RUN", mExe}});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, Line(StorePath("DC")) + InstalledLines());
}

TEST_F(InstallerEndToEndTest, FirstRunInstallsAndSecondRunChangesNothing)
{
    CopyExampleStore("DC");
    const std::string before = TempFolder::ReadFile(StorePath("DC"));
    EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + InstalledLines());
    const std::string after = TempFolder::ReadFile(StorePath("DC"));
    EXPECT_GT(after.size(), before.size());
    EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-new"));
    EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-backup"));

    EXPECT_EQ(RunInstallerProgram(),
              Line(StorePath("DC")) + Line("Certificates are already trusted"));
    EXPECT_EQ(TempFolder::ReadFile(StorePath("DC")), after);
}

TEST_F(InstallerEndToEndTest, UnreadableStoreIsLeftAlone)
{
    CopyExampleStore("DC");
    const std::string damaged = "%PPKLITE-2.1\r\nnot a store";
    TempFolder::WriteFile(StorePath("DC"), damaged);
    EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + Line("Can't parse addressbook"));
    EXPECT_EQ(TempFolder::ReadFile(StorePath("DC")), damaged);
    EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-new"));
}

TEST_F(InstallerEndToEndTest, StoresWhoseValuesCannotBeKeptAreLeftAloneWithOneLine)
{
    CopyExampleStore("DC");
    CopyExampleStore("11.0");
    const std::string encrypted = BuildStore({{1, Catalog("2 0 R")}, {2, Entry("aa", 1)}},
                                             "/Root 1 0 R /Encrypt << /Filter /Standard >>");
    const std::string hugeInteger =
        BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /N 99999999999999999999 >>"}});
    // Two bytes a value: more values in one object than the memory bound lets a run build.
    std::string items;
    for (int i = 0; i < 200000; ++i) {
        items += "1 ";
    }
    const std::string tooManyValues =
        BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /N [" + items + "] >>"}});
    TempFolder::WriteFile(StorePath("DC"), encrypted);
    WriteStore("10.0", tooManyValues);
    TempFolder::WriteFile(StorePath("11.0"), hugeInteger);
    EXPECT_EQ(RunInstallerProgram(),
              Line(StorePath("DC")) + Line("Can't parse addressbook") + Line(StorePath("10.0")) +
                  Line("Can't parse addressbook") + Line(StorePath("11.0")) +
                  Line("adding certificates") +
                  Line("The store holds a value that can't be copied; the store was left "
                       "unchanged"));
    EXPECT_EQ(TempFolder::ReadFile(StorePath("DC")), encrypted);
    EXPECT_EQ(TempFolder::ReadFile(StorePath("10.0")), tooManyValues);
    EXPECT_EQ(TempFolder::ReadFile(StorePath("11.0")), hugeInteger);
    EXPECT_FALSE(platform::PathExists(StorePath("11.0") + "-new"));
}

TEST_F(InstallerEndToEndTest, StoreLeftAsBackupByAnInterruptedRunIsRestored)
{
    CopyExampleStore("DC");
    const std::string store = StorePath("DC");
    fs::rename(Utf8ToPath(store), Utf8ToPath(store + "-backup"));
    EXPECT_EQ(RunInstallerProgram(), Line("Restored " + store + " from " + store + "-backup") +
                                         Line(store) + InstalledLines());
    EXPECT_FALSE(platform::PathExists(store + "-backup"));
}

TEST_F(InstallerEndToEndTest, MissingMandatoryCertificatesNameOnlyTheFirst)
{
    CopyExampleStore("DC");
    fs::remove(Utf8ToPath(CertPath("NorvSigningCA.crt")));
    fs::remove(Utf8ToPath(CertPath("NorvESealCA.crt")));
    EXPECT_EQ(RunInstallerProgram(), Line("can't find NorvSigningCA certificate"));
}

TEST_F(InstallerEndToEndTest, UnsetOrEmptyAppDataTouchesNothing)
{
    if (platform::RoamingAppDataFolder()) {
        GTEST_SKIP() << "the program would fall back to this user's real profile folder";
    }
    CopyExampleStore("DC");
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        ProcessResult result = RunProcess(mExe, {{"APPDATA", value}});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, Line("APPDATA is not set; no trust store to update"));
    }
}

TEST_F(InstallerEndToEndTest, MissingOptionalCertificateIsSkipped)
{
    fs::remove(Utf8ToPath(CertPath("NorvESealCA_2.crt")));
    EXPECT_EQ(RunInstallerProgram(), Line("can't read NorvESealCA_2 certificate, skipping it"));
}

// Files that hold no single certificate, each as an administrator might put one beside the
// program.
struct NonCertificate
{
    const char* what;
    std::string content;
};

std::vector<NonCertificate> NonCertificates(const std::string& der, const std::string& otherDer)
{
    const std::string pem = PemText(der);
    const std::size_t secondLine = pem.find('\n') + 1;
    std::string brokenBase64 = pem;
    brokenBase64.replace(secondLine + 10, 3, "*?!");
    return {
        {"text", "not a certificate\n"},
        {"empty file", ""},
        {"private key", kTestPrivateKeyPem},
        {"DER cut short", der.substr(0, der.size() - 20)},
        {"two certificates", pem + PemText(otherDer)},
        {"DER followed by other bytes", der + "\r\n"},
        {"PEM with broken base64", brokenBase64},
    };
}

TEST_F(InstallerEndToEndTest, PemFilesMatchAndInstallTheSameEntriesAsDerFiles)
{
    CopyExampleStore("DC");
    const std::string store = StorePath("DC");
    const std::string original = TempFolder::ReadFile(store);
    EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
    const std::string fromDer = MaskDocumentID(TempFolder::ReadFile(store));

    // Each file in PEM: LF, CR LF, and CR LF after the text that "openssl x509 -text" writes.
    std::size_t index = 0;
    for (const CertificateFile& file : kCertificateFiles) {
        const std::string der = ExampleCertificate(file.fileName);
        const char* lineEnd = index % 3 == 0 ? "\n" : "\r\n";
        const std::string before =
            index % 3 == 2 ? "Certificate:\r\n    Data:\r\n        Version: 3 (0x2)\r\n" : "";
        TempFolder::WriteFile(CertPath(file.fileName), before + PemText(der, lineEnd));
        ++index;
    }
    const std::string installedFromDer = TempFolder::ReadFile(store);
    EXPECT_EQ(RunInstallerProgram(), Line(store) + Line("Certificates are already trusted"));
    EXPECT_EQ(TempFolder::ReadFile(store), installedFromDer);

    TempFolder::WriteFile(store, original);
    EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
    EXPECT_EQ(MaskDocumentID(TempFolder::ReadFile(store)), fromDer);
}

TEST_F(InstallerEndToEndTest, MandatoryFileWithoutACertificateEndsTheRunUntouched)
{
    CopyExampleStore("DC");
    const std::string store = StorePath("DC");
    const std::string before = TempFolder::ReadFile(store);
    for (const NonCertificate& c : NonCertificates(ExampleCertificate("NorvESealCA.crt"),
                                                   ExampleCertificate("NorvSigningCA.crt"))) {
        SCOPED_TRACE(c.what);
        TempFolder::WriteFile(CertPath("NorvESealCA.crt"), c.content);
        EXPECT_EQ(RunInstallerProgram(), Line("can't read NorvESealCA certificate"));
        EXPECT_EQ(TempFolder::ReadFile(store), before);
        EXPECT_FALSE(platform::PathExists(store + "-new"));
    }
}

TEST_F(InstallerEndToEndTest, OptionalFilesWithoutACertificateAreLeftOut)
{
    CopyExampleStore("DC");
    const std::string store = StorePath("DC");
    const std::vector<NonCertificate> kinds = NonCertificates(
        ExampleCertificate("NorvSigningCAG2.crt"), ExampleCertificate("NorvSigningCA.crt"));
    std::string skipped;
    std::size_t kind = 0;
    std::vector<CertificateRecord> records;
    for (const CertificateFile& file : kCertificateFiles) {
        const std::string der = ExampleCertificate(file.fileName);
        records.push_back({Hexadecimal::ToLowerHex(der), false});
        if (!file.isMandatory) {
            TempFolder::WriteFile(CertPath(file.fileName), kinds[kind++].content);
            skipped += Line(std::string("can't read ") + file.label + " certificate, skipping it");
        }
    }
    EXPECT_EQ(RunInstallerProgram(), skipped + Line(store) + InstalledLines());

    AddressBookSummary summary;
    ASSERT_TRUE(ReadAddressBook(store, records, summary));
    EXPECT_EQ(summary.entryCount, 2u + 3u) << "the example's two entries and the three mandatory";
    EXPECT_EQ(Flags(records),
              (std::vector<bool>{true, true, true, false, false, false, false, false}));
}

TEST_F(InstallerEndToEndTest, StoreWithoutIdentifiersNumbersNewEntriesFromOne)
{
    const std::string store = StorePath("DC");
    fs::create_directories(Utf8ToPath(store).parent_path());
    TempFolder::WriteFile(store, BuildStore({{1, "<< /PPK << /AddressBook << /Entries [ ] "
                                                 "/Type /AddressBook >> /Type /PPK /User << "
                                                 "/Type /User >> /V 65537 >> /Type /Catalog >>"}}));
    EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
    EXPECT_TRUE(
        MatchesGoldenFile(std::string(INSTALLER_GOLDEN_DIR) + "/eight-numbered-from-one.acrodata",
                          MaskDocumentID(TempFolder::ReadFile(store))));
}

} // namespace
