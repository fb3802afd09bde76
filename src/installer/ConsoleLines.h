#pragma once

#include <ostream>
#include <string>

// The installer's console output. Every line is flushed at once, so that lines of standard
// output and standard error come out in the order they were written.

// The text and a new-line character (puts-like).
inline void WriteLine(std::ostream& out, const std::string& text)
{
    out << text << '\n' << std::flush;
}

// The text, ": " and the system's reason, as one line (perror-like).
inline void WriteError(std::ostream& err, const std::string& text, const std::string& reason)
{
    WriteLine(err, text + ": " + reason);
}
