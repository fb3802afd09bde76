// Crafted but legal stores, judged by the built trust-installer and trust-check as any PDF
// reader sees them: references that no 32-bit object number can name, hexadecimal strings
// with stray bytes, certificates and identifiers held directly in Entries or in objects of
// their own.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "InstallerProgram.h"
#include "StoreFiles.h"
#include "installer/AddressBookReader.h"
#include "pdf/io/Hexadecimal.h"
#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"

namespace {

// The identifiers of a store as a reader sees them, a value that is a reference resolved
// once: every entry's /ID in Entries order, then NextID.
std::vector<long long> IdentifiersOf(const std::string& path)
{
    OpenedStore store;
    StoreSchema schema;
    std::vector<long long> ids;
    if (!store.Open(path) || !LoadStoreSchema(store.parser, schema)) {
        return ids;
    }
    auto resolve = [&store](RefCountPtr<PDFObject> value) {
        if (!value.IsNull() && value->GetType() == PDFObject::ePDFObjectIndirectObjectReference) {
            return RefCountPtr<PDFObject>(store.parser.ParseObjectByReference(
                *static_cast<PDFIndirectObjectReference*>(value.Get())));
        }
        return value;
    };
    auto addInteger = [&ids](const RefCountPtr<PDFObject>& value) {
        PDFObjectCastPtr<PDFInteger> number;
        number = value.Get();
        ids.push_back(number.IsNull() ? -1 : number->GetValue());
    };
    ArrayIterator it = schema.entries->GetItemIterator();
    while (it.MoveNext()) {
        RefCountPtr<PDFObject> item;
        item = it.GetItem();
        PDFObjectCastPtr<PDFDictionary> entry;
        entry = resolve(item).Get();
        if (!entry.IsNull()) {
            addInteger(resolve(RefCountPtr<PDFObject>(entry->Lookup("ID"))));
        }
    }
    addInteger(resolve(RefCountPtr<PDFObject>(schema.addressBook->Lookup("NextID"))));
    return ids;
}

enum class Outcome
{
    NamesNoObject, // judged as a reader sees it, but neither program can tell or copy it
    Refused,       // read, but the installer cannot copy it
    Installed      // rewritten with the missing certificates
};

struct JudgedStore
{
    const char* what;
    // "CERT" stands for the hexadecimal text of the first example certificate.
    StoreObjects objects;
    Outcome outcome;
    // For a rewrite: every entry's identifier in the new store, in Entries order, NextID last.
    std::vector<long long> newIdentifiers;
};

const JudgedStore kJudgedStores[] = {
    {"a 2^32 wrap in Entries would read as a second copy of object 2",
     {{1, Catalog("2 0 R 4294967298 0 R")}, {2, Entry("CERT", 1)}},
     Outcome::NamesNoObject,
     {}},
    {"a 2^32 wrap in a value would read as object 3",
     {{1, Catalog("2 0 R")}, {2, "<< /Cert <CERT> /Extra 3 4294967296 R /ID 1 >>"}, {3, "(3)"}},
     Outcome::NamesNoObject,
     {}},
    {"a hexadecimal string with stray bytes",
     {{1, Catalog("2 0 R")}, {2, "<< /Cert <CERT> /ID 1 /Odd <41/N 42> >>"}},
     Outcome::Refused,
     {}},
    {"a direct entry holding one of our certificates, and its /ID the largest",
     {{1, Catalog("<< /ABEType 1 /Cert <CERT> /ID 30 >> 2 0 R", "1")}, {2, Entry("aa", 3)}},
     Outcome::Installed,
     {30, 3, 31, 32, 33, 34, 35, 36, 37, 38}},
    {"an indirect /Cert and an indirect /ID",
     {{1, Catalog("2 0 R", "1")}, {2, "<< /Cert 3 0 R /ID 4 0 R >>"}, {3, "<CERT>"}, {4, "40"}},
     Outcome::Installed,
     {40, 41, 42, 43, 44, 45, 46, 47, 48}},
    {"an indirect NextID",
     {{1, Catalog("2 0 R", "3 0 R")}, {2, Entry("aa", 9)}, {3, "5000"}},
     Outcome::Installed,
     {9, 5000, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 5008}},
};

class StoreJudgementEndToEndTest : public InstallerProgramTest
{
protected:
    StoreJudgementEndToEndTest() : mCheck(CopyProgram(TRUST_CHECK_EXE)) {}

    std::string mCheck;
};

TEST_F(StoreJudgementEndToEndTest, StoresAreJudgedAsAnyReaderSeesThem)
{
    const std::string first =
        Hexadecimal::ToLowerHex(ExampleCertificate(kCertificateFiles[0].fileName));
    for (const JudgedStore& c : kJudgedStores) {
        SCOPED_TRACE(c.what);
        StoreObjects objects = c.objects;
        bool present = false;
        for (auto& object : objects) {
            std::string& body = object.second;
            for (std::size_t at = body.find("CERT"); at != std::string::npos;
                 at = body.find("CERT")) {
                body.replace(at, 4, first);
                present = true;
            }
        }
        const std::string original = BuildStore(objects);
        WriteStore("DC", original);
        std::string checkLines = Line(StorePath("DC"));
        for (std::size_t i = present ? 1 : 0; i < kCertificateFiles.size(); ++i) {
            checkLines += Line(std::string("missing: ") + kCertificateFiles[i].label);
        }
        if (c.outcome == Outcome::NamesNoObject) {
            checkLines = Line(StorePath("DC")) + Line("Can't parse addressbook");
        }
        const ProcessResult check = RunProcess(mCheck, {{"APPDATA", mAppData}});
        EXPECT_EQ(check.output, checkLines);
        EXPECT_EQ(check.exitCode, c.outcome == Outcome::NamesNoObject ? 2 : 1);

        std::string lines = Line(StorePath("DC"));
        if (c.outcome == Outcome::NamesNoObject) {
            lines += Line("adding certificates") +
                     Line("The store refers to an object that can't be read; the store was left "
                          "unchanged");
        } else if (c.outcome == Outcome::Refused) {
            lines += Line("adding certificates") +
                     Line("The store holds a value that can't be copied; the store was left "
                          "unchanged");
        } else {
            lines += InstalledLines();
        }
        EXPECT_EQ(RunInstallerProgram(), lines);
        const std::string after = TempFolder::ReadFile(StorePath("DC"));
        if (c.outcome != Outcome::Installed) {
            EXPECT_EQ(after, original);
            continue;
        }
        EXPECT_EQ(IdentifiersOf(StorePath("DC")), c.newIdentifiers);
        // The certificate the store held is not added a second time.
        std::size_t copies = 0;
        for (std::size_t at = after.find(first); at != std::string::npos;
             at = after.find(first, at + 1)) {
            ++copies;
        }
        EXPECT_EQ(copies, 1u);
    }
}

} // namespace
