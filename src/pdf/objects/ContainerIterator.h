#pragma once

// The walk shared by the array and dictionary iterators: the end of the container, a
// first-move flag and the current position. The container is borrowed; it must outlive the
// iterator and must not change while the iterator is in use.
template <typename ConstIterator> class ContainerIterator
{
public:
    ContainerIterator(ConstIterator begin, ConstIterator end)
        : mEnd(end), mFirstMove(true), mCurrent(begin)
    {
    }

    // False at once on an empty container; the first true makes the first element current,
    // each later true the next one.
    bool MoveNext()
    {
        if (mCurrent == mEnd) {
            return false;
        }
        if (mFirstMove) {
            mFirstMove = false;
            return true;
        }
        ++mCurrent;
        return mCurrent != mEnd;
    }

protected:
    // Valid only after MoveNext returned true.
    const ConstIterator& Current() const { return mCurrent; }

private:
    ConstIterator mEnd;
    bool mFirstMove;
    ConstIterator mCurrent;
};
