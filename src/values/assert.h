#pragma once

// Programming-error checks. User input must never reach one of these: every
// condition a user can cause is an error code reported through OutputList.
[[noreturn]] void numlyraAssertFailed(const char *file, int line, const char *expression);

#define NUMLYRA_ASSERT(expr) \
    ((expr) ? static_cast<void>(0) : numlyraAssertFailed(__FILE__, __LINE__, #expr))

// The same check with the expression text that the container invariants are
// known by, where the code tests them under another form.
#define NUMLYRA_ASSERT_TEXT(expr, text) \
    ((expr) ? static_cast<void>(0) : numlyraAssertFailed(__FILE__, __LINE__, text))
