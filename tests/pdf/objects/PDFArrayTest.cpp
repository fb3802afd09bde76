#include "pdf/objects/PDFArray.h"

#include <vector>

#include <gtest/gtest.h>

#include "ObjectProbe.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/RefCountPtr.h"

namespace {

void AppendInteger(PDFArray& array, long long value)
{
    auto* integer = new PDFInteger(value);
    array.Append(integer);
    integer->Release();
}

std::vector<long long> ItemsInOrder(const PDFArray& array)
{
    std::vector<long long> items;
    ArrayIterator it = array.GetItemIterator();
    while (it.MoveNext()) {
        items.push_back(static_cast<PDFInteger*>(it.GetItem())->GetValue());
    }
    return items;
}

} // namespace

TEST(PDFArrayTest, GetItemOutOfRangeGivesNull)
{
    RefCountPtr<PDFArray> array(new PDFArray());
    EXPECT_EQ(array->GetItem(0), nullptr);
    AppendInteger(*array, 1);
    AppendInteger(*array, 2);
    EXPECT_EQ(array->GetLength(), 2u);
    EXPECT_EQ(array->GetItem(2), nullptr);
    EXPECT_EQ(array->GetItem(UINT32_MAX), nullptr);
    PDFObjectCastPtr<PDFInteger> last(array->GetItem(1));
    ASSERT_FALSE(last.IsNull());
    EXPECT_EQ(last->GetValue(), 2);
}

TEST(PDFArrayTest, ItemsFollowInsertionOrderAndRepeatsAreKept)
{
    RefCountPtr<PDFArray> array(new PDFArray());
    for (long long value : {3, 1, 2, 1}) {
        AppendInteger(*array, value);
    }
    EXPECT_EQ(ItemsInOrder(*array), (std::vector<long long>{3, 1, 2, 1}));
}

TEST(PDFArrayTest, AppendAndGetItemEachAddAReference)
{
    bool destroyed = false;
    auto* array = new PDFArray();
    auto* item = new Probe<PDFInteger>(&destroyed, 4);
    array->Append(item);
    array->Append(item); // the same object twice holds two references
    PDFObject* fetched = array->GetItem(0);
    item->Release();
    fetched->Release();
    EXPECT_FALSE(destroyed);
    array->Release();
    EXPECT_TRUE(destroyed);
}

TEST(PDFArrayTest, AppendNullIsIgnored)
{
    RefCountPtr<PDFArray> array(new PDFArray());
    array->Append(nullptr);
    EXPECT_EQ(array->GetLength(), 0u);
}

TEST(PDFArrayTest, IteratorOnEmptyAndSingleItem)
{
    RefCountPtr<PDFArray> array(new PDFArray());
    ArrayIterator empty = array->GetItemIterator();
    EXPECT_FALSE(empty.MoveNext());

    AppendInteger(*array, 8);
    ArrayIterator single = array->GetItemIterator();
    EXPECT_TRUE(single.MoveNext());
    EXPECT_EQ(static_cast<PDFInteger*>(single.GetItem())->GetValue(), 8);
    EXPECT_FALSE(single.MoveNext());
    EXPECT_FALSE(single.MoveNext());
}
