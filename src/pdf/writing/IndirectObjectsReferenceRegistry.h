#pragma once

#include <cstdint>
#include <vector>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"
#include "pdf/writing/ObjectReference.h"
#include "pdf/writing/ObjectWriteInformation.h"

// Hands out object numbers and records where each object was written, for the
// cross-reference section. Entry 0 always exists (free, generation 65535).
class IndirectObjectsReferenceRegistry
{
public:
    // Offsets must fit the ten digits of a cross-reference line.
    static constexpr FilePosition kMaxWritePosition = 9999999999LL;
    static constexpr std::uint32_t kMaxGenerationNumber = 65535;
    // Object numbers beyond this are refused: no reader accepts them, and the table that
    // would list them could not be written with ten-digit offsets anyway.
    static constexpr ObjectNumber kMaxObjectCount = 8388607;

    IndirectObjectsReferenceRegistry();

    // Back to entry 0 only.
    void Reset();

    // A new number (used, dirty, not written yet); 0 with a trace when the count limit is
    // reached.
    ObjectNumber AllocateObjectID();
    // Makes room for count more numbers at once, so that allocating them one by one does not
    // hold the records twice while they move; counts beyond the limit reserve up to it.
    void ReserveObjectIDs(std::size_t count);

    // Records the position of an object's first byte. Refuses a number that was never
    // allocated (0 included), a second write of the same number and a position that does
    // not fit ten digits; on refusal the entry is unchanged.
    StatusCode MarkObjectAsWritten(ObjectNumber objectID, FilePosition writePosition);
    // Records a new position for an object rewritten in place of an older one.
    StatusCode MarkObjectAsUpdated(ObjectNumber objectID, FilePosition newWritePosition);
    // Frees a number: its generation goes up by one, up to 65535.
    StatusCode DeleteObject(ObjectNumber objectID);

    // No range check: callers stay below GetObjectsCount.
    const ObjectWriteInformation& GetWriteRecord(ObjectNumber objectID) const
    {
        return mObjectsWritesRegistry[objectID];
    }
    // Number of entries, entry 0 included: the document's /Size.
    ObjectNumber GetObjectsCount() const
    {
        return static_cast<ObjectNumber>(mObjectsWritesRegistry.size());
    }

private:
    std::vector<ObjectWriteInformation> mObjectsWritesRegistry;
};
