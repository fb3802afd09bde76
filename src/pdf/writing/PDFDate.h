#pragma once

#include <ctime>
#include <optional>
#include <string>

// A date in the PDF date-string form "D:YYYYMMDDHHmmSS+HH'mm'". Every component is -1 when
// unset; a date whose Year is unset is unset as a whole.
class PDFDate
{
public:
    enum EUTCRelation
    {
        eEarlier = 0,
        eLater = 1,
        eSame = 2,
        eUndefined = 3
    };

    int Year = -1;
    int Month = -1;
    int Day = -1;
    int Hour = -1;
    int Minute = -1;
    int Second = -1;
    EUTCRelation UTC = eUndefined;
    int HourFromUTC = -1;
    int MinuteFromUTC = -1;

    bool IsNull() const { return Year == -1; }

    // Local time now, with the offset of the system's standard time zone (no daylight
    // saving). Without an offset the relation stays undefined and a trace line says so.
    void SetToCurrentTime();
    // The same from a given local time and offset (seconds east of universal time).
    void SetToLocalTime(const std::tm& localTime, std::optional<long> offsetSeconds);

    // "" when unset; otherwise up to the last component that is set.
    std::string ToString() const;
};
