#include "values/assert.h"

#include <cstdio>
#include <cstdlib>

void numlyraAssertFailed(const char *file, int line, const char *expression)
{
    std::fprintf(stderr, "\nASSERTION FAILED: File: %s; Line: %d; Expression: (%s)\n", file, line, expression);
    std::fflush(stderr);
    std::abort();
}
