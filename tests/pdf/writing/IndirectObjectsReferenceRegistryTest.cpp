#include "pdf/writing/IndirectObjectsReferenceRegistry.h"

#include <gtest/gtest.h>

#include "WritingTestDoubles.h"

namespace {

TEST(IndirectObjectsReferenceRegistryTest, StartsWithTheFreeListHead)
{
    IndirectObjectsReferenceRegistry registry;
    ASSERT_EQ(registry.GetObjectsCount(), 1u);
    const ObjectWriteInformation& head = registry.GetWriteRecord(0);
    EXPECT_EQ(head.mObjectReferenceType, Free);
    EXPECT_EQ(head.mGenerationNumber, 65535u);
    EXPECT_TRUE(head.mIsDirty);
    EXPECT_FALSE(head.mObjectWritten);

    EXPECT_EQ(registry.AllocateObjectID(), 1u);
    EXPECT_EQ(registry.AllocateObjectID(), 2u);
    registry.Reset();
    EXPECT_EQ(registry.GetObjectsCount(), 1u);
    EXPECT_EQ(registry.AllocateObjectID(), 1u);
}

TEST(IndirectObjectsReferenceRegistryTest, ReservingChangesNoNumberAndStopsAtTheLimit)
{
    IndirectObjectsReferenceRegistry registry;
    registry.ReserveObjectIDs(3);
    EXPECT_EQ(registry.GetObjectsCount(), 1u);
    EXPECT_EQ(registry.AllocateObjectID(), 1u);
    // A count no store could need (a hostile entry list) reserves up to the limit, not beyond.
    registry.ReserveObjectIDs(static_cast<std::size_t>(-1));
    EXPECT_EQ(registry.GetObjectsCount(), 2u);
    EXPECT_EQ(registry.AllocateObjectID(), 2u);
}

TEST(IndirectObjectsReferenceRegistryTest, RefusalsTraceTheirMessageAndLeaveTheEntry)
{
    const struct
    {
        const char* what;
        StatusCode (*call)(IndirectObjectsReferenceRegistry&);
        const char* message;
    } cases[] = {
        {"written, never allocated",
         [](IndirectObjectsReferenceRegistry& r) { return r.MarkObjectAsWritten(3, 10); },
         "IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Out of range failure. An Object "
         "ID is marked as written, which was not allocated before. ID = 3"},
        {"written, entry 0",
         [](IndirectObjectsReferenceRegistry& r) { return r.MarkObjectAsWritten(0, 10); },
         "IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Out of range failure. An Object "
         "ID is marked as written, which was not allocated before. ID = 0"},
        {"written twice",
         [](IndirectObjectsReferenceRegistry& r) { return r.MarkObjectAsWritten(1, 99); },
         "IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Object rewrite failure. The "
         "object 1 was already marked as written at 20. New position is 99"},
        {"written past ten digits",
         [](IndirectObjectsReferenceRegistry& r) {
             return r.MarkObjectAsWritten(2, 10000000000LL);
         },
         "IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Write position out of bounds. "
         "Trying to write an object at position that cannot be represented in Xref = "
         "10000000000. probably means file got too long"},
        {"written at a negative position",
         [](IndirectObjectsReferenceRegistry& r) { return r.MarkObjectAsWritten(2, -1); },
         "IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Write position out of bounds. "
         "Trying to write an object at position that cannot be represented in Xref = -1. "
         "probably means file got too long"},
        {"updated, no such object",
         [](IndirectObjectsReferenceRegistry& r) { return r.MarkObjectAsUpdated(7, 10); },
         "IndirectObjectsReferenceRegistry::MarkObjectAsUpdated, Out of range failure. An Object "
         "ID is marked for update,but there's no such object. ID = 7"},
        {"updated past ten digits",
         [](IndirectObjectsReferenceRegistry& r) {
             return r.MarkObjectAsUpdated(2, 10000000000LL);
         },
         "IndirectObjectsReferenceRegistry::MarkObjectAsUpdated, Write position out of bounds. "
         "Trying to write an object at position that cannot be represented in Xref = "
         "10000000000. probably means file got too long"},
        {"deleted, no such object",
         [](IndirectObjectsReferenceRegistry& r) { return r.DeleteObject(3); },
         "IndirectObjectsReferenceRegistry::DeleteObject, Out of range failure. An Object ID is "
         "marked for delete,but there's no such object. ID = 3"},
        {"deleted at the generation limit",
         [](IndirectObjectsReferenceRegistry& r) { return r.DeleteObject(0); },
         "IndirectObjectsReferenceRegistry::DeleteObject, object ID generation number reached "
         "maximum value and cannot be increased. ID = 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IndirectObjectsReferenceRegistry registry;
        (void)registry.AllocateObjectID();
        (void)registry.AllocateObjectID();
        ASSERT_EQ(registry.MarkObjectAsWritten(1, 20), Success);
        TraceCapture trace;
        EXPECT_EQ(c.call(registry), Failure);
        EXPECT_EQ(trace.Messages(), std::string(c.message) + "\n");
        EXPECT_EQ(registry.GetObjectsCount(), 3u);
        EXPECT_EQ(registry.GetWriteRecord(1).mWritePosition, 20);
        EXPECT_FALSE(registry.GetWriteRecord(2).mObjectWritten);
        EXPECT_EQ(registry.GetWriteRecord(2).mObjectReferenceType, Used);
        EXPECT_EQ(registry.GetWriteRecord(0).mGenerationNumber, 65535u);
    }
}

TEST(IndirectObjectsReferenceRegistryTest, LargestTenDigitPositionIsAccepted)
{
    IndirectObjectsReferenceRegistry registry;
    const ObjectNumber id = registry.AllocateObjectID();
    EXPECT_EQ(registry.MarkObjectAsWritten(id, 9999999999LL), Success);
    EXPECT_EQ(registry.GetWriteRecord(id).mWritePosition, 9999999999LL);
    EXPECT_TRUE(registry.GetWriteRecord(id).mObjectWritten);
}

TEST(IndirectObjectsReferenceRegistryTest, UpdateAndDeleteChangeTheEntry)
{
    IndirectObjectsReferenceRegistry registry;
    const ObjectNumber id = registry.AllocateObjectID();
    ASSERT_EQ(registry.MarkObjectAsWritten(id, 20), Success);
    ASSERT_EQ(registry.DeleteObject(id), Success);
    EXPECT_EQ(registry.GetWriteRecord(id).mObjectReferenceType, Free);
    EXPECT_EQ(registry.GetWriteRecord(id).mGenerationNumber, 1u);
    EXPECT_EQ(registry.GetWriteRecord(id).mWritePosition, 0);
    ASSERT_EQ(registry.MarkObjectAsUpdated(id, 300), Success);
    EXPECT_EQ(registry.GetWriteRecord(id).mObjectReferenceType, Used);
    EXPECT_EQ(registry.GetWriteRecord(id).mWritePosition, 300);
}

TEST(IndirectObjectsReferenceRegistryTest, GenerationStopsAt65535)
{
    IndirectObjectsReferenceRegistry registry;
    const ObjectNumber id = registry.AllocateObjectID();
    for (int i = 0; i < 65535; ++i) {
        ASSERT_EQ(registry.DeleteObject(id), Success);
    }
    EXPECT_EQ(registry.GetWriteRecord(id).mGenerationNumber, 65535u);
    TraceCapture trace;
    EXPECT_EQ(registry.DeleteObject(id), Failure);
    EXPECT_EQ(registry.GetWriteRecord(id).mGenerationNumber, 65535u);
}

} // namespace
