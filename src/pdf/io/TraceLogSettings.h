#pragma once

#include <string>

class IByteWriter;

// How the trace log is configured by the writer's entry points. With a log stream the
// lines go to that stream; otherwise to the file at the log file path.
struct TraceLogSettings
{
    bool mShouldLog = false;
    bool mStartWithBOM = false;
    std::string mLogFilePath = "PDFWriterLog.txt";
    IByteWriter* mLogStream = nullptr;

    // Logging off, no stream, "PDFWriterLog.txt".
    static const TraceLogSettings& Default();
};
