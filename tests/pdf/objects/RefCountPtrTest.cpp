#include "pdf/objects/RefCountPtr.h"

#include <utility>

#include <gtest/gtest.h>

#include "ObjectProbe.h"
#include "pdf/objects/PDFInteger.h"

using ProbeInteger = Probe<PDFInteger>;

TEST(RefCountObjectTest, NewObjectHoldsOneReference)
{
    bool destroyed = false;
    auto* object = new ProbeInteger(&destroyed, 7);
    object->Retain();
    object->Retain();
    EXPECT_EQ(ReleaseAll(object, destroyed), 3);
}

TEST(RefCountPtrTest, ConstructionTakesOverTheReference)
{
    bool destroyed = false;
    {
        RefCountPtr<PDFInteger> holder(new ProbeInteger(&destroyed, 7));
        EXPECT_FALSE(destroyed);
        EXPECT_EQ(holder->GetValue(), 7);
    }
    EXPECT_TRUE(destroyed);
}

TEST(RefCountPtrTest, AssignmentAddsOneReferenceMoreThanConstruction)
{
    bool destroyed = false;
    auto* object = new ProbeInteger(&destroyed, 7);
    {
        RefCountPtr<PDFInteger> assigned;
        assigned = object;
        RefCountPtr<PDFInteger> constructed(object); // takes over our reference
    }
    // The constructed holder released our reference; the assigned one released its own.
    EXPECT_TRUE(destroyed);

    object = new ProbeInteger(&destroyed, 8);
    {
        RefCountPtr<PDFInteger> assigned;
        assigned = object;
    }
    EXPECT_EQ(ReleaseAll(object, destroyed), 1);
}

TEST(RefCountPtrTest, CopiesEachHoldTheirOwnReference)
{
    bool destroyed = false;
    auto* object = new ProbeInteger(&destroyed, 7);
    object->Retain(); // ours, kept for counting
    {
        RefCountPtr<PDFInteger> first(object);
        RefCountPtr<PDFInteger> copied(first);
        RefCountPtr<PDFInteger> copyAssigned;
        copyAssigned = first;
        RefCountPtr<PDFInteger> moved(std::move(copied));
        EXPECT_TRUE(copied.IsNull());
        EXPECT_EQ(moved.Get(), object);
    }
    EXPECT_EQ(ReleaseAll(object, destroyed), 1);
}

TEST(RefCountPtrTest, AssigningTheHeldObjectAgainKeepsItAlive)
{
    bool destroyed = false;
    RefCountPtr<PDFInteger> holder(new ProbeInteger(&destroyed, 7));
    holder = holder.Get();
    EXPECT_FALSE(destroyed);
    holder = holder;
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(holder->GetValue(), 7);
    holder = nullptr;
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(holder.IsNull());
    EXPECT_TRUE(!holder);
}

TEST(RefCountPtrTest, AssignmentReleasesThePreviousObject)
{
    bool firstDestroyed = false;
    bool secondDestroyed = false;
    RefCountPtr<PDFInteger> holder(new ProbeInteger(&firstDestroyed, 1));
    auto* second = new ProbeInteger(&secondDestroyed, 2);
    holder = second;
    EXPECT_TRUE(firstDestroyed);
    second->Release(); // ours; the holder keeps its own
    EXPECT_FALSE(secondDestroyed);
    RefCountPtr<PDFInteger> other;
    holder = std::move(other);
    EXPECT_TRUE(secondDestroyed);
}

TEST(RefCountPtrTest, DefaultHoldsNull)
{
    RefCountPtr<PDFInteger> holder;
    EXPECT_TRUE(holder.IsNull());
    EXPECT_TRUE(!holder);
    EXPECT_EQ(holder.Get(), nullptr);
}
