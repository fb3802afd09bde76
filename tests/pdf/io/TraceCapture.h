#pragma once

#include <string>
#include <vector>

#include "MemoryStreams.h"
#include "pdf/io/TraceLog.h"

// In a namespace of their own: other test files of this executable define doubles with the
// same names, and two inline classes of one name would silently clash.
namespace bytestreams_test {

// Points the trace log at memory for the life of the object, then restores the program's
// default (off, "Log.txt"). Messages() gives the lines without timestamps and CR LF.
class TraceCapture
{
public:
    TraceCapture() : mWriter(&mText)
    {
        TraceLog::DefaultTraceLog().SetStreamOutput(&mWriter, true);
    }
    ~TraceCapture() { TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    const std::string& Text() const { return mText; }

    // Each line must be "[ dd/mm/yyyy hh:mm:ss ] " + message + "\r\n"; a malformed line is
    // reported as "<bad line> ...".
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        std::size_t start = 0;
        while (start < mText.size()) {
            std::size_t end = mText.find("\r\n", start);
            if (end == std::string::npos) {
                messages.push_back("<bad line> " + mText.substr(start));
                break;
            }
            std::string line = mText.substr(start, end - start);
            messages.push_back(IsStamped(line) ? line.substr(kStampLength) : "<bad line> " + line);
            start = end + 2;
        }
        return messages;
    }

    static constexpr std::size_t kStampLength = 24;

    // "[ 02/03/2024 14:05:09 ] ": digits where the pattern has 'd'.
    static bool IsStamped(const std::string& line)
    {
        const std::string pattern = "[ dd/dd/dddd dd:dd:dd ] ";
        if (line.size() < pattern.size()) {
            return false;
        }
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            bool ok =
                pattern[i] == 'd' ? (line[i] >= '0' && line[i] <= '9') : line[i] == pattern[i];
            if (!ok) {
                return false;
            }
        }
        return true;
    }

private:
    std::string mText;
    MemoryWriter mWriter;
};

} // namespace bytestreams_test
