#pragma once

// A trust store in a temporary folder, its "-new" and "-backup" paths, and an install on it
// with captured console output, for the tests of one store's install and of the swap.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GoldenFile.h"
#include "StoreFiles.h"
#include "TempFolder.h"
#include "installer/InstallCertificates.h"
#include "platform/Platform.h"

// One store in a temporary folder and an install on it with captured console output.
class StoreInFolderTest : public ::testing::Test
{
protected:
    StoreInFolderTest()
        : mStore(mFolder.PathOf("addressbook.acrodata")), mNewStore(mStore + "-new"),
          mBackup(mStore + "-backup")
    {
    }

    void WriteStore(const std::string& bytes)
    {
        mOriginal = bytes;
        TempFolder::WriteFile(mStore, bytes);
    }

    std::string Install(std::vector<CertificateRecord>& records)
    {
        std::ostringstream out;
        mErr.str("");
        InstallCertificatesTo(mStore, mNewStore, records, out, mErr);
        return out.str();
    }

    std::string Install(const std::vector<std::string>& certs)
    {
        std::vector<CertificateRecord> records = Records(certs);
        return Install(records);
    }

    std::string StoreBytes() const { return TempFolder::ReadFile(mStore); }

    // The store as it was, and nothing left beside it.
    void ExpectUntouched() const
    {
        EXPECT_EQ(StoreBytes(), mOriginal);
        EXPECT_FALSE(platform::PathExists(mNewStore));
        EXPECT_FALSE(platform::PathExists(mBackup));
    }

    void ExpectInstalled(const std::string& goldenName) const
    {
        EXPECT_FALSE(platform::PathExists(mNewStore));
        EXPECT_FALSE(platform::PathExists(mBackup));
        EXPECT_TRUE(MatchesGoldenFile(std::string(INSTALLER_GOLDEN_DIR) + "/" + goldenName,
                                      MaskDocumentID(StoreBytes())));
    }

    TempFolder mFolder;
    std::string mStore;
    std::string mNewStore;
    std::string mBackup;
    std::string mOriginal;
    std::ostringstream mErr;
};

inline const std::string kInstalledLines =
    "adding certificates\n"
    "File successfully renamed\n"
    "File successfully renamed\n"
    "New certificates are succesfully installed Adobe's Trusted "
    "Certificates store.\n"
    "Newly added certificates are issued by Velmora.\n";
