#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "pdf/io/IByteReader.h"

// Row handling shared by the predictor readers, which decode whole rows and hand them out in
// whatever pieces their callers ask for.

// How much of a row the source gave.
enum class PredictorRowFill
{
    Whole,
    Empty, // the source had nothing left: the rows simply ended
    Short  // the source ended inside the row, which cannot be decoded
};

// Fills the whole row from the source. Sources may hand over a row in pieces; only the end of
// the source makes a row short.
inline PredictorRowFill FillPredictorRow(IByteReader* source, std::vector<Byte>& row)
{
    std::size_t got = 0;
    while (got < row.size()) {
        IOByteCount wanted = static_cast<IOByteCount>(row.size() - got);
        IOByteCount readCount = source->Read(row.data() + got, wanted);
        got += readCount;
        if (readCount == 0 || (got < row.size() && !source->HasMore())) {
            break;
        }
    }
    if (got == row.size()) {
        return PredictorRowFill::Whole;
    }
    return got == 0 ? PredictorRowFill::Empty : PredictorRowFill::Short;
}

// Copies decoded bytes from row[readIndex] on into buffer until count bytes are delivered,
// calling loadNextRow whenever the row is used up. loadNextRow refills row and readIndex, or
// returns false when no further row comes. Returns the bytes delivered.
template <typename LoadNextRow>
IOByteCount DeliverPredictorRows(const std::vector<Byte>& row, std::size_t& readIndex, Byte* buffer,
                                 IOByteCount count, LoadNextRow loadNextRow)
{
    IOByteCount delivered = 0;
    while (delivered < count) {
        if (readIndex < row.size()) {
            std::size_t available = row.size() - readIndex;
            IOByteCount chunk =
                static_cast<IOByteCount>(std::min<std::size_t>(available, count - delivered));
            std::memcpy(buffer + delivered, row.data() + readIndex, chunk);
            delivered += chunk;
            readIndex += chunk;
            continue;
        }
        if (!loadNextRow()) {
            break;
        }
    }
    return delivered;
}
