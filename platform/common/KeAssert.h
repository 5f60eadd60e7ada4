// SPDX-License-Identifier: MIT
// A broken programming invariant: report it the standard way and stop.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace keassert {

[[noreturn]] inline void Fail(const char* file, unsigned line, const char* expression)
{
    std::fprintf(stderr, "%s:%u: failed assertion `%s'\n", file, line, expression);
    std::fflush(stderr);
    std::abort();
}

}  // namespace keassert

#define KE_ASSERT(expression) ((expression) ? static_cast<void>(0) : ::keassert::Fail(__FILE__, __LINE__, #expression))
