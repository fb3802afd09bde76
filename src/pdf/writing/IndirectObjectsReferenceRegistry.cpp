#include "pdf/writing/IndirectObjectsReferenceRegistry.h"

#include <algorithm>

#include "pdf/io/TraceLog.h"

IndirectObjectsReferenceRegistry::IndirectObjectsReferenceRegistry()
{
    Reset();
}

void IndirectObjectsReferenceRegistry::Reset()
{
    mObjectsWritesRegistry.clear();
    ObjectWriteInformation head;
    head.mObjectWritten = false;
    head.mIsDirty = true;
    head.mWritePosition = 0;
    head.mObjectReferenceType = Free;
    head.mGenerationNumber = kMaxGenerationNumber;
    mObjectsWritesRegistry.push_back(head);
}

ObjectNumber IndirectObjectsReferenceRegistry::AllocateObjectID()
{
    if (mObjectsWritesRegistry.size() > kMaxObjectCount) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::AllocateObjectID, Too many objects. Cannot "
                  "allocate more than %lld object numbers",
                  static_cast<long long>(kMaxObjectCount));
        return 0;
    }
    mObjectsWritesRegistry.push_back(ObjectWriteInformation());
    return static_cast<ObjectNumber>(mObjectsWritesRegistry.size() - 1);
}

void IndirectObjectsReferenceRegistry::ReserveObjectIDs(std::size_t count)
{
    const std::size_t limit = static_cast<std::size_t>(kMaxObjectCount) + 1;
    const std::size_t size = mObjectsWritesRegistry.size();
    mObjectsWritesRegistry.reserve(size + std::min(count, limit - std::min(size, limit)));
}

StatusCode IndirectObjectsReferenceRegistry::MarkObjectAsWritten(ObjectNumber objectID,
                                                                 FilePosition writePosition)
{
    // Entry 0 heads the free list; an object line "0 0 obj" would contradict it.
    if (objectID == 0 || objectID >= mObjectsWritesRegistry.size()) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Out of range failure. An "
                  "Object ID is marked as written, which was not allocated before. ID = %lld",
                  static_cast<long long>(objectID));
        return Failure;
    }
    ObjectWriteInformation& entry = mObjectsWritesRegistry[objectID];
    if (entry.mObjectWritten) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Object rewrite failure. "
                  "The object %lld was already marked as written at %lld. New position is %lld",
                  static_cast<long long>(objectID), static_cast<long long>(entry.mWritePosition),
                  static_cast<long long>(writePosition));
        return Failure;
    }
    if (writePosition < 0 || writePosition > kMaxWritePosition) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::MarkObjectAsWritten, Write position out of "
                  "bounds. Trying to write an object at position that cannot be represented in "
                  "Xref = %lld. probably means file got too long",
                  static_cast<long long>(writePosition));
        return Failure;
    }
    entry.mIsDirty = true;
    entry.mWritePosition = writePosition;
    entry.mObjectWritten = true;
    return Success;
}

StatusCode IndirectObjectsReferenceRegistry::MarkObjectAsUpdated(ObjectNumber objectID,
                                                                 FilePosition newWritePosition)
{
    if (objectID == 0 || objectID >= mObjectsWritesRegistry.size()) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::MarkObjectAsUpdated, Out of range failure. An "
                  "Object ID is marked for update,but there's no such object. ID = %lld",
                  static_cast<long long>(objectID));
        return Failure;
    }
    if (newWritePosition < 0 || newWritePosition > kMaxWritePosition) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::MarkObjectAsUpdated, Write position out of "
                  "bounds. Trying to write an object at position that cannot be represented in "
                  "Xref = %lld. probably means file got too long",
                  static_cast<long long>(newWritePosition));
        return Failure;
    }
    ObjectWriteInformation& entry = mObjectsWritesRegistry[objectID];
    entry.mIsDirty = true;
    entry.mWritePosition = newWritePosition;
    entry.mObjectReferenceType = Used;
    return Success;
}

StatusCode IndirectObjectsReferenceRegistry::DeleteObject(ObjectNumber objectID)
{
    if (objectID >= mObjectsWritesRegistry.size()) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::DeleteObject, Out of range failure. An Object "
                  "ID is marked for delete,but there's no such object. ID = %lld",
                  static_cast<long long>(objectID));
        return Failure;
    }
    ObjectWriteInformation& entry = mObjectsWritesRegistry[objectID];
    if (entry.mGenerationNumber >= kMaxGenerationNumber) {
        TRACE_LOG("IndirectObjectsReferenceRegistry::DeleteObject, object ID generation number "
                  "reached maximum value and cannot be increased. ID = %lld",
                  static_cast<long long>(objectID));
        return Failure;
    }
    entry.mIsDirty = true;
    ++entry.mGenerationNumber;
    entry.mWritePosition = 0;
    entry.mObjectReferenceType = Free;
    return Success;
}
