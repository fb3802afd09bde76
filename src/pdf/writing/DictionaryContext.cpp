#include "pdf/writing/DictionaryContext.h"

#include "pdf/io/TraceLog.h"
#include "pdf/writing/ObjectsContext.h"

DictionaryContext::DictionaryContext(ObjectsContext* objectsContext, std::size_t indentLevel)
    : mObjectsContext(objectsContext), mIndentLevel(indentLevel)
{
}

void DictionaryContext::WriteTabs(std::size_t count)
{
    static constexpr char kTabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    constexpr std::size_t kTabCount = sizeof(kTabs) - 1;
    TokenWriter& tokens = mObjectsContext->GetTokenWriter();
    while (count > 0) {
        const std::size_t chunk = count < kTabCount ? count : kTabCount;
        tokens.WriteBytes(kTabs, chunk);
        count -= chunk;
    }
}

StatusCode DictionaryContext::WriteKey(std::string_view key)
{
    if (HasKey(key)) {
        // The key is printed as text; a zero byte in it only shortens the trace line.
        const std::string keyText(key);
        TRACE_LOG("DictionaryContext::WriteKey, Duplicate key error. Cannot write multiple keys in "
                  "the same dictionary. key reused - %s",
                  keyText.c_str());
        return Failure;
    }
    WriteTabs(mIndentLevel + 1);
    mObjectsContext->WriteName(key, SeparatorSpace);
    mKeys.emplace(key);
    return Success;
}

void DictionaryContext::WriteNameValue(std::string_view name)
{
    mObjectsContext->WriteName(name, SeparatorEndLine);
}

void DictionaryContext::WriteIntegerValue(long long value)
{
    mObjectsContext->WriteInteger(value, SeparatorEndLine);
}

void DictionaryContext::WriteRealValue(double value)
{
    mObjectsContext->WriteReal(value, SeparatorEndLine);
}

void DictionaryContext::WriteBooleanValue(bool value)
{
    mObjectsContext->WriteBoolean(value, SeparatorEndLine);
}

void DictionaryContext::WriteNullValue()
{
    mObjectsContext->WriteNull(SeparatorEndLine);
}

void DictionaryContext::WriteLiteralStringValue(std::string_view content)
{
    mObjectsContext->WriteLiteralString(content, SeparatorEndLine);
}

void DictionaryContext::WriteHexStringValue(std::string_view hexDigits)
{
    mObjectsContext->WriteHexString(hexDigits, SeparatorEndLine);
}

void DictionaryContext::WriteObjectReferenceValue(ObjectNumber objectID)
{
    mObjectsContext->WriteIndirectObjectReference(objectID, 0, SeparatorEndLine);
}

void DictionaryContext::WriteObjectReferenceValue(ObjectNumber objectID,
                                                  std::uint32_t generationNumber)
{
    mObjectsContext->WriteIndirectObjectReference(objectID, generationNumber, SeparatorEndLine);
}

void DictionaryContext::WriteObjectReferenceValue(const ObjectReference& reference)
{
    mObjectsContext->WriteIndirectObjectReference(reference, SeparatorEndLine);
}

void DictionaryContext::WriteRectangleValue(double left, double bottom, double right, double top)
{
    mObjectsContext->StartArray();
    mObjectsContext->WriteReal(left, SeparatorSpace);
    mObjectsContext->WriteReal(bottom, SeparatorSpace);
    mObjectsContext->WriteReal(right, SeparatorSpace);
    mObjectsContext->WriteReal(top, SeparatorSpace);
    mObjectsContext->EndArray(SeparatorEndLine);
}

void DictionaryContext::WriteKeywordValue(std::string_view keyword)
{
    mObjectsContext->WriteKeyword(keyword);
}

void DictionaryContext::WriteClosingLine()
{
    WriteTabs(mIndentLevel);
    mObjectsContext->WriteKeyword(">>");
}
