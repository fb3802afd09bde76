#pragma once

// The result of every PDF-layer operation that can fail. Ignoring one is a build error:
// where a result is dropped on purpose, cast it to void and say why.
// clang-format off
enum [[nodiscard]] StatusCode
{
    Success = 0,
    Failure = -1
};
// clang-format on
