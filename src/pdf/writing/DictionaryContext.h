#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "pdf/io/StatusCode.h"
#include "pdf/writing/ObjectReference.h"

class ObjectsContext;

// One open dictionary. Created and destroyed only by its ObjectsContext (StartDictionary,
// EndDictionary); callers borrow it in between. Keys stand one tab deeper than the
// dictionary's closing brackets; each key may appear once per dictionary.
class DictionaryContext
{
public:
    DictionaryContext(ObjectsContext* objectsContext, std::size_t indentLevel);
    DictionaryContext(const DictionaryContext&) = delete;
    DictionaryContext& operator=(const DictionaryContext&) = delete;

    // Tabs, "/" and the escaped name, a space. A key already used in this dictionary writes
    // nothing and fails.
    StatusCode WriteKey(std::string_view key);

    // Each value ends its line (CR LF). None checks that a key came first.
    void WriteNameValue(std::string_view name);
    void WriteIntegerValue(long long value);
    void WriteRealValue(double value);
    void WriteBooleanValue(bool value);
    void WriteNullValue();
    void WriteLiteralStringValue(std::string_view content);
    void WriteHexStringValue(std::string_view hexDigits);
    void WriteObjectReferenceValue(ObjectNumber objectID);
    void WriteObjectReferenceValue(ObjectNumber objectID, std::uint32_t generationNumber);
    void WriteObjectReferenceValue(const ObjectReference& reference);
    void WriteRectangleValue(double left, double bottom, double right, double top);
    void WriteKeywordValue(std::string_view keyword);

    bool HasKey(std::string_view key) const { return mKeys.find(key) != mKeys.end(); }

private:
    friend class ObjectsContext;
    // Tabs and ">>", CR LF.
    void WriteClosingLine();
    void WriteTabs(std::size_t count);

    ObjectsContext* mObjectsContext;
    std::set<std::string, std::less<>> mKeys;
    std::size_t mIndentLevel;
};
