#pragma once

// What follows a written token. Any value other than these three appends nothing (the fixed
// underlying type makes such values well defined).
enum TokenSeparator : int
{
    SeparatorSpace = 0,
    SeparatorEndLine = 1,
    SeparatorNone = 2
};
