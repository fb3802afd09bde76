#include "pdf/objects/PDFObjectCast.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "ObjectProbe.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFBoolean.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFNull.h"
#include "pdf/objects/PDFReal.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"

namespace {

struct TypeCase
{
    PDFObject* (*make)();
    PDFObject::PDFObjectType type;
    const char* label;
};

const TypeCase kTypeCases[] = {
    {[]() -> PDFObject* { return new PDFBoolean(true); }, PDFObject::ePDFObjectBoolean, "Boolean"},
    {[]() -> PDFObject* { return new PDFLiteralString("a"); }, PDFObject::ePDFObjectLiteralString,
     "LiteralString"},
    {[]() -> PDFObject* { return new PDFHexString("41"); }, PDFObject::ePDFObjectHexString,
     "HexString"},
    {[]() -> PDFObject* { return new PDFNull(); }, PDFObject::ePDFObjectNull, "Null"},
    {[]() -> PDFObject* { return new PDFName("N"); }, PDFObject::ePDFObjectName, "Name"},
    {[]() -> PDFObject* { return new PDFInteger(1); }, PDFObject::ePDFObjectInteger, "Integer"},
    {[]() -> PDFObject* { return new PDFReal(1.5); }, PDFObject::ePDFObjectReal, "Real"},
    {[]() -> PDFObject* { return new PDFArray(); }, PDFObject::ePDFObjectArray, "Array"},
    {[]() -> PDFObject* { return new PDFDictionary(); }, PDFObject::ePDFObjectDictionary,
     "Dictionary"},
    {[]() -> PDFObject* { return new PDFIndirectObjectReference(1, 0); },
     PDFObject::ePDFObjectIndirectObjectReference, "IndirectObjectReference"},
    {[]() -> PDFObject* { return new PDFStreamInput(new PDFDictionary(), 10); },
     PDFObject::ePDFObjectStream, "Stream"},
    {[]() -> PDFObject* { return new PDFSymbol("obj"); }, PDFObject::ePDFObjectSymbol, "Symbol"},
};

// True when a PDFObjectCastPtr<T> accepts the object; the object's reference is consumed.
template <typename T> bool Casts(PDFObject* object)
{
    PDFObjectCastPtr<T> cast(object);
    return !cast.IsNull();
}

} // namespace

TEST(PDFObjectCastTest, EachClassHasItsFixedTypeAndLabel)
{
    for (int index = 0; index < 12; ++index) {
        const TypeCase& c = kTypeCases[index];
        SCOPED_TRACE(c.label);
        RefCountPtr<PDFObject> object(c.make());
        EXPECT_EQ(object->GetType(), c.type);
        EXPECT_EQ(static_cast<int>(c.type), index);
        EXPECT_STREQ(PDFObject::PDFObjectTypeLabels[c.type], c.label);
    }
}

TEST(PDFObjectCastTest, CastSucceedsOnlyForTheMatchingClass)
{
    for (const TypeCase& c : kTypeCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Casts<PDFDictionary>(c.make()), c.type == PDFObject::ePDFObjectDictionary);
        EXPECT_EQ(Casts<PDFArray>(c.make()), c.type == PDFObject::ePDFObjectArray);
        EXPECT_EQ(Casts<PDFName>(c.make()), c.type == PDFObject::ePDFObjectName);
        EXPECT_EQ(Casts<PDFStreamInput>(c.make()), c.type == PDFObject::ePDFObjectStream);
        EXPECT_EQ(Casts<PDFIndirectObjectReference>(c.make()),
                  c.type == PDFObject::ePDFObjectIndirectObjectReference);
        EXPECT_EQ(Casts<PDFLiteralString>(c.make()), c.type == PDFObject::ePDFObjectLiteralString);
        EXPECT_EQ(Casts<PDFHexString>(c.make()), c.type == PDFObject::ePDFObjectHexString);
    }
}

TEST(PDFObjectCastTest, FailedCastReleasesTheObject)
{
    bool destroyed = false;
    PDFObjectCastPtr<PDFDictionary> dictionary(new Probe<PDFArray>(&destroyed));
    EXPECT_TRUE(dictionary.IsNull());
    EXPECT_TRUE(destroyed);
}

TEST(PDFObjectCastTest, FailedCastConsumesExactlyOneReference)
{
    bool destroyed = false;
    auto* array = new Probe<PDFArray>(&destroyed);
    array->Retain();
    PDFObjectCastPtr<PDFDictionary> dictionary(array);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(ReleaseAll(array, destroyed), 1);
}

TEST(PDFObjectCastTest, SuccessfulCastKeepsTheHandedOverReference)
{
    bool destroyed = false;
    {
        PDFObjectCastPtr<PDFInteger> integer(new Probe<PDFInteger>(&destroyed, INT64_MIN));
        ASSERT_FALSE(integer.IsNull());
        EXPECT_EQ(integer->GetValue(), INT64_MIN);
    }
    EXPECT_TRUE(destroyed);
}

TEST(PDFObjectCastTest, NullGivesNull)
{
    PDFObjectCastPtr<PDFName> name(nullptr);
    EXPECT_TRUE(name.IsNull());
}

TEST(PDFObjectCastTest, AssignmentRetainsOnMatchAndLeavesMismatchAlone)
{
    bool nameDestroyed = false;
    bool arrayDestroyed = false;
    PDFObject* name = new Probe<PDFName>(&nameDestroyed, "Type");
    PDFObject* array = new Probe<PDFArray>(&arrayDestroyed);
    {
        PDFObjectCastPtr<PDFName> cast;
        cast = name;
        EXPECT_EQ(cast->GetValue(), "Type");
        cast = array;
        EXPECT_TRUE(cast.IsNull());
    }
    EXPECT_EQ(ReleaseAll(name, nameDestroyed), 1);
    EXPECT_EQ(ReleaseAll(array, arrayDestroyed), 1);
}

TEST(PDFObjectValueTest, ValuesAreKeptExactly)
{
    const std::string withNul("a\0b\xff", 4);
    RefCountPtr<PDFLiteralString> literal(new PDFLiteralString(withNul));
    EXPECT_EQ(literal->GetValue(), withNul);
    RefCountPtr<PDFInteger> big(new PDFInteger(INT64_MAX));
    EXPECT_EQ(big->GetValue(), INT64_MAX);
    RefCountPtr<PDFIndirectObjectReference> reference(
        new PDFIndirectObjectReference(UINT32_MAX, 65535));
    EXPECT_EQ(reference->ObjectID, UINT32_MAX);
    EXPECT_EQ(reference->GenerationNumber, 65535u);
    RefCountPtr<PDFBoolean> flag(new PDFBoolean(false));
    EXPECT_FALSE(flag->GetValue());
    RefCountPtr<PDFReal> real(new PDFReal(-0.25));
    EXPECT_EQ(real->GetValue(), -0.25);
}
