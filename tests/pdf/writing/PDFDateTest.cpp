#include "pdf/writing/PDFDate.h"

#include <ctime>
#include <optional>

#include <gtest/gtest.h>

#include "WritingTestDoubles.h"

namespace {

std::tm LocalTimeOf(int year, int month, int day, int hour, int minute, int second)
{
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(PDFDateTest, CurrentTimeTextCarriesTheZoneOffset)
{
    const struct
    {
        const char* what;
        std::optional<long> offset;
        const char* text;
    } cases[] = {
        {"four hours ahead", 4 * 3600L, "D:20240305070809+04'00'"},
        {"five and a half hours ahead", 5 * 3600L + 1800, "D:20240305070809+05'30'"},
        {"three hours behind", -3 * 3600L, "D:20240305070809-03'00'"},
        {"universal time", 0L, "D:20240305070809Z"},
        {"offset out of range is unknown", 90000L, "D:20240305070809"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PDFDate date;
        date.SetToLocalTime(LocalTimeOf(2024, 3, 5, 7, 8, 9), c.offset);
        EXPECT_EQ(date.ToString(), c.text);
    }
}

TEST(PDFDateTest, UnknownZoneGivesNoSuffixAndATraceLine)
{
    TraceCapture trace;
    PDFDate date;
    date.SetToLocalTime(LocalTimeOf(1999, 12, 31, 23, 59, 58), std::nullopt);
    EXPECT_EQ(date.ToString(), "D:19991231235958");
    EXPECT_EQ(trace.Messages(), "PDFDate::SetToCurrentTime, Couldn't get UTC.\n");
}

TEST(PDFDateTest, TextEndsAfterTheLastSetComponent)
{
    PDFDate unset;
    EXPECT_EQ(unset.ToString(), "");

    PDFDate yearOnly;
    yearOnly.Year = 2021;
    EXPECT_EQ(yearOnly.ToString(), "D:2021");

    PDFDate gap; // day unset before a set hour: written as 01
    gap.Year = 2021;
    gap.Month = 7;
    gap.Hour = 5;
    EXPECT_EQ(gap.ToString(), "D:2021070105");

    PDFDate relation; // a relation needs every component before it
    relation.Year = 2021;
    relation.UTC = PDFDate::eEarlier;
    relation.HourFromUTC = 2;
    EXPECT_EQ(relation.ToString(), "D:20210101000000-02'00'");
}

TEST(PDFDateTest, SetToCurrentTimeGivesAFullDate)
{
    PDFDate date;
    date.SetToCurrentTime();
    const std::string text = date.ToString();
    ASSERT_GE(text.size(), 16u);
    EXPECT_EQ(text.substr(0, 2), "D:");
    EXPECT_GE(date.Year, 2000);
}

} // namespace
