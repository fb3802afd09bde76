#include "pdf/writing/PDFDate.h"

#include <cstdio>

#include "pdf/io/TraceLog.h"
#include "platform/Platform.h"

void PDFDate::SetToCurrentTime()
{
    SetToLocalTime(platform::LocalTime(std::time(nullptr)),
                   platform::StandardTimeZoneOffsetSeconds());
}

void PDFDate::SetToLocalTime(const std::tm& localTime, std::optional<long> offsetSeconds)
{
    Year = localTime.tm_year + 1900;
    Month = localTime.tm_mon + 1;
    Day = localTime.tm_mday;
    Hour = localTime.tm_hour;
    Minute = localTime.tm_min;
    Second = localTime.tm_sec;
    if (!offsetSeconds) {
        TRACE_LOG("PDFDate::SetToCurrentTime, Couldn't get UTC.");
        UTC = eUndefined;
        HourFromUTC = -1;
        MinuteFromUTC = -1;
        return;
    }
    // Real zones lie within a day of universal time; anything else is not an offset.
    long offset = *offsetSeconds;
    if (offset <= -86400 || offset >= 86400) {
        TRACE_LOG("PDFDate::SetToCurrentTime, Couldn't get UTC.");
        UTC = eUndefined;
        HourFromUTC = -1;
        MinuteFromUTC = -1;
        return;
    }
    if (offset == 0) {
        UTC = eSame;
    } else if (offset > 0) {
        UTC = eLater;
    } else {
        UTC = eEarlier;
        offset = -offset;
    }
    HourFromUTC = static_cast<int>(offset / 3600);
    MinuteFromUTC = static_cast<int>((offset % 3600) / 60);
}

std::string PDFDate::ToString() const
{
    if (IsNull()) {
        return std::string();
    }
    // Components are written up to the last one that is set; an unset one before it takes
    // its neutral value (01 for month and day, 00 for the others).
    const int components[] = {Month, Day, Hour, Minute, Second};
    const int neutral[] = {1, 1, 0, 0, 0};
    int last = -1;
    for (int i = 0; i < 5; ++i) {
        if (components[i] != -1) {
            last = i;
        }
    }
    const bool hasRelation = UTC == eSame || UTC == eLater || UTC == eEarlier;
    if (hasRelation) {
        last = 4;
    }

    char text[64];
    int used = std::snprintf(text, sizeof(text), "D:%04d", Year % 10000 < 0 ? 0 : Year % 10000);
    for (int i = 0; i <= last; ++i) {
        int value = components[i] == -1 ? neutral[i] : components[i];
        if (value < 0 || value > 99) {
            value = neutral[i];
        }
        used += std::snprintf(text + used, sizeof(text) - static_cast<std::size_t>(used), "%02d",
                              value);
    }
    if (UTC == eSame) {
        used += std::snprintf(text + used, sizeof(text) - static_cast<std::size_t>(used), "Z");
    } else if (UTC == eLater || UTC == eEarlier) {
        const int hours = HourFromUTC >= 0 && HourFromUTC <= 99 ? HourFromUTC : 0;
        const int minutes = MinuteFromUTC >= 0 && MinuteFromUTC <= 99 ? MinuteFromUTC : 0;
        used += std::snprintf(text + used, sizeof(text) - static_cast<std::size_t>(used),
                              "%c%02d'%02d'", UTC == eLater ? '+' : '-', hours, minutes);
    }
    return std::string(text, static_cast<std::size_t>(used));
}
