#include "installer/StoreReplacement.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "StoreInFolderTest.h"
#include "platform/Platform.h"

namespace {

using StoreReplacementTest = StoreInFolderTest;

TEST_F(StoreReplacementTest, OldStoreReturnsWhenNewOneCannotMoveIn)
{
    WriteStore("old");
    std::ostringstream out;
    EXPECT_EQ(ReplaceStore(mStore, mNewStore, *platform::IdentityOf(mStore), out, mErr),
              ReplaceOutcome::LeftUnchanged);
    EXPECT_EQ(out.str(), "File successfully renamed\n");
    EXPECT_EQ(mErr.str().rfind("Error renaming file 2: ", 0), 0u);
    ExpectUntouched();
}

} // namespace
