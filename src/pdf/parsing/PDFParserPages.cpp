#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/parsing/PDFParser.h"

bool PDFParser::HasEncryptDictionary()
{
    if (mTrailer.IsNull()) {
        return false;
    }
    PDFObjectCastPtr<PDFDictionary> encrypt(ResolveDictionaryEntry(mTrailer.Get(), "Encrypt"));
    return !encrypt.IsNull();
}

StatusCode PDFParser::ParsePagesObjectIDs()
{
    mPagesCount = 0;
    mPagesReached = 0;
    mPagesObjectIDs.clear();
    if (mTrailer.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesObjectIDs, failed to read catalog reference in trailer");
        return Failure;
    }
    PDFObjectCastPtr<PDFIndirectObjectReference> catalogReference(mTrailer->Lookup("Root"));
    if (catalogReference.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesObjectIDs, failed to read catalog reference in trailer");
        return Failure;
    }
    PDFObjectCastPtr<PDFDictionary> catalog(ParseObjectByReference(*catalogReference.Get()));
    if (catalog.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesObjectIDs, failed to read catalog");
        return Failure;
    }
    PDFObjectCastPtr<PDFIndirectObjectReference> pagesReference(catalog->Lookup("Pages"));
    if (pagesReference.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesObjectIDs, failed to read pages reference in catalog");
        return Failure;
    }
    PDFObjectCastPtr<PDFDictionary> pages(ParseObjectByReference(*pagesReference.Get()));
    if (pages.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesObjectIDs, failed to read pages");
        return Failure;
    }
    PDFObjectCastPtr<PDFInteger> count(ResolveDictionaryEntry(pages.Get(), "Count"));
    if (count.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesObjectIDs, failed to read pages count");
        return Failure;
    }
    // Every page is an object of its own, so a count above the table size is a lie; refusing
    // it keeps a hostile /Count from deciding how much memory is allocated.
    if (count->GetValue() < 0 || count->GetValue() > static_cast<long long>(ObjectCount())) {
        TRACE_LOG("PDFParser::ParsePagesObjectIDs, page count %lld is out of range, the file "
                  "has %u objects",
                  count->GetValue(), ObjectCount());
        return Failure;
    }
    mPagesCount = static_cast<std::uint32_t>(count->GetValue());
    mPagesObjectIDs.assign(mPagesCount, 0);

    std::uint32_t pageIndex = 0;
    std::set<ObjectNumber> visitedNodes;
    const StatusCode status =
        ParsePagesIDs(pages.Get(), pagesReference->ObjectID, pageIndex, visitedNodes, 0);
    mPagesReached = pageIndex;
    return status;
}

StatusCode PDFParser::ParsePagesIDs(PDFDictionary* pageNode, ObjectNumber nodeObjectID,
                                    std::uint32_t& ioPageIndex,
                                    std::set<ObjectNumber>& visitedNodes, int depth)
{
    // A node met twice means /Kids lead back into the tree: stop rather than loop.
    if (!visitedNodes.insert(nodeObjectID).second) {
        TRACE_LOG("PDFParser::ParsePagesIDs, page tree node %u is reached twice, failing",
                  nodeObjectID);
        return Failure;
    }
    if (depth > kMaxPageTreeDepth) {
        TRACE_LOG("PDFParser::ParsePagesIDs, page tree deeper than %d levels, failing",
                  kMaxPageTreeDepth);
        return Failure;
    }
    PDFObjectCastPtr<PDFName> type(pageNode->Lookup("Type"));
    if (type.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesIDs, can't read object type");
        return Failure;
    }
    if (type->GetValue() == "Page") {
        if (ioPageIndex >= mPagesCount) {
            TRACE_LOG("PDFParser::ParsePagesIDs, there are more pages than the page count "
                      "specifies. fail.");
            return Failure;
        }
        mPagesObjectIDs[ioPageIndex] = nodeObjectID;
        ++ioPageIndex;
        return Success;
    }
    if (type->GetValue() != "Pages") {
        TRACE_LOG("PDFParser::ParsePagesIDs, unexpected object type. should be either Page or "
                  "Pages, found %s",
                  type->GetValue().c_str());
        return Failure;
    }
    PDFObjectCastPtr<PDFArray> kids(pageNode->Lookup("Kids"));
    if (kids.IsNull()) {
        TRACE_LOG("PDFParser::ParsePagesIDs, unable to find page kids array");
        return Failure;
    }
    StatusCode status = Success;
    ArrayIterator it = kids->GetItemIterator();
    while (status == Success && it.MoveNext()) {
        PDFObject* kid = it.GetItem();
        if (kid->GetType() != PDFObject::ePDFObjectIndirectObjectReference) {
            TRACE_LOG("PDFParser::ParsePagesIDs, unexpected type for a Kids array object, type = "
                      "%s",
                      PDFObject::PDFObjectTypeLabels[kid->GetType()]);
            return Failure;
        }
        const ObjectNumber kidID = static_cast<PDFIndirectObjectReference*>(kid)->ObjectID;
        PDFObjectCastPtr<PDFDictionary> kidNode(
            ParseObjectByReference(*static_cast<PDFIndirectObjectReference*>(kid)));
        if (kidNode.IsNull()) {
            TRACE_LOG("PDFParser::ParsePagesIDs, unable to parse page node object from kids "
                      "reference");
            return Failure;
        }
        status = ParsePagesIDs(kidNode.Get(), kidID, ioPageIndex, visitedNodes, depth + 1);
    }
    return status;
}

ObjectNumber PDFParser::PageIDAt(std::uint32_t index) const
{
    return index < mPagesReached && index < mPagesCount ? mPagesObjectIDs[index] : 0;
}

PDFDictionary* PDFParser::ParsePage(std::uint32_t index)
{
    if (index >= mPagesCount || index >= mPagesReached) {
        return nullptr;
    }
    PDFObjectCastPtr<PDFDictionary> page(ParseObjectByID(mPagesObjectIDs[index]));
    if (page.IsNull()) {
        TRACE_LOG("PDFParser::ParsePage, couldn't find page object for index %lld",
                  static_cast<long long>(index));
        return nullptr;
    }
    PDFObjectCastPtr<PDFName> type(page->Lookup("Type"));
    if (type.IsNull() || type->GetValue() != "Page") {
        TRACE_LOG("PDFParser::ParsePage, page object listed in page array for %lld is actually "
                  "not a page",
                  static_cast<long long>(index));
        return nullptr;
    }
    PDFDictionary* result = page.Get();
    result->Retain();
    return result;
}
