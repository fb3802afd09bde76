#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pdf/io/IByteWriter.h"
#include "pdf/io/TraceLog.h"
#include "pdf/io/TraceLogSettings.h"

// Points the process-wide trace log at memory for the life of the object, then restores the
// program's default (off, "Log.txt"). Lines are "[ dd/mm/yyyy hh:mm:ss ] " + message + CR LF.
class TraceCapture : public IByteWriter
{
public:
    TraceCapture() { TraceLog::DefaultTraceLog().SetStreamOutput(this, true); }
    ~TraceCapture() override { TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        mText.append(reinterpret_cast<const char*>(buffer), count);
        return count;
    }

    // Everything logged, time stamps and line ends included.
    const std::string& Text() const { return mText; }
    bool Empty() const { return mText.empty(); }
    void Clear() { mText.clear(); }

    // The messages in order, without time stamps and CR LF. A line without a well-formed time
    // stamp, or without its CR LF, comes out as "<bad line> " and what was there.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < mText.size()) {
            const std::size_t end = mText.find("\r\n", start);
            if (end == std::string::npos) {
                lines.push_back("<bad line> " + mText.substr(start));
                break;
            }
            const std::string line = mText.substr(start, end - start);
            lines.push_back(IsStamped(line) ? line.substr(kStampLength) : "<bad line> " + line);
            start = end + 2;
        }
        return lines;
    }

    // The same messages, each followed by "\n", as one text.
    std::string Messages() const
    {
        std::string result;
        for (const std::string& line : Lines()) {
            result += line + "\n";
        }
        return result;
    }

    // True when one message is exactly this one.
    bool Contains(std::string_view message) const
    {
        for (const std::string& line : Lines()) {
            if (line == message) {
                return true;
            }
        }
        return false;
    }

    // True when the text logged holds this anywhere.
    bool HasText(std::string_view text) const { return mText.find(text) != std::string::npos; }

    // For PDFWriter::StartPDF, which applies its own settings to the log: these keep the
    // lines coming here.
    TraceLogSettings Settings()
    {
        TraceLogSettings settings;
        settings.mShouldLog = true;
        settings.mLogStream = this;
        return settings;
    }

    static constexpr std::size_t kStampLength = 24;

    // "[ 02/03/2024 14:05:09 ] ": digits where the pattern has 'd'.
    static bool IsStamped(const std::string& line)
    {
        const std::string_view pattern = "[ dd/dd/dddd dd:dd:dd ] ";
        if (line.size() < pattern.size()) {
            return false;
        }
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            const bool ok =
                pattern[i] == 'd' ? (line[i] >= '0' && line[i] <= '9') : line[i] == pattern[i];
            if (!ok) {
                return false;
            }
        }
        return true;
    }

private:
    std::string mText;
};
