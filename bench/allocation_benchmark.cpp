// Copies of values and operand-stack traffic, timed and counted: every heap
// block taken is counted, so a figure of 0 allocations per operation is
// measured rather than assumed.
// Usage: allocation_benchmark [operations]   (default 10 million)

#include "values/list.h"
#include "values/string.h"
#include "values/variable.h"
#include "values/vector.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

// Every heap block goes through malloc, calloc or realloc (operator new
// included), so interposing those three counts them all. Sanitizer builds
// own malloc themselves and report no counts.
namespace {
std::atomic<long long> g_allocations{0};
}
#if !defined(__SANITIZE_ADDRESS__)
extern "C" {
extern void *__libc_malloc(size_t);
extern void *__libc_calloc(size_t, size_t);
extern void *__libc_realloc(void *, size_t);
void *malloc(size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
void *calloc(size_t n, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
void *realloc(void *p, size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}
}
#endif

namespace {

struct Measurement {
    double nanoseconds;
    long long allocations;
};

// The volatile sink keeps the optimiser from dropping the copies.
volatile double g_sink;

template <typename Body>
Measurement measure(long long operations, Body body)
{
    const long long before = g_allocations.load();
    const auto t0 = std::chrono::steady_clock::now();
    body(operations);
    const auto t1 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::nano>(t1 - t0).count() / double(operations),
            g_allocations.load() - before};
}

void report(const char *what, long long operations, const Measurement &m)
{
    std::printf("%-36s %8.2f ns/op %12lld allocations (%.6f per op)\n", what, m.nanoseconds, m.allocations,
                double(m.allocations) / double(operations));
}

} // namespace

int main(int argc, char **argv)
{
    const long long n = argc > 1 ? std::atoll(argv[1]) : 10'000'000;
    if (n <= 0) {
        std::fprintf(stderr, "usage: allocation_benchmark [operations > 0]\n");
        return 2;
    }

    // Baseline in the same run: copying a plain double, the floor any value
    // copy is compared against.
    const Measurement plain = measure(n, [](long long count) {
        double source = 1.5, target = 0;
        for (long long i = 0; i < count; ++i) {
            target = source;
            source = target + 1e-9;
        }
        g_sink = target;
    });

    const Measurement copies = measure(n, [](long long count) {
        Variable source(1.5);
        Variable target;
        for (long long i = 0; i < count; ++i) {
            target = source;     // copy assignment
            Variable copy(target); // copy construction
            source.setDouble(copy.getDouble() + 1e-9);
        }
        g_sink = target.getDouble();
    });

    const Measurement stack = measure(n, [](long long count) {
        List stack;
        Variable value(2.5);
        for (long long i = 0; i < count; ++i) {
            stack.push(value);
            stack.push(value);
            g_sink = stack.top().getDouble();
            stack.pop();
            stack.pop();
        }
    });

    const Measurement vectors = measure(n, [](long long count) {
        Vector storage;
        if (!Vector::create(DOUBLE_TYPE, 1, 100, storage))
            std::abort();
        Variable source(storage);
        Variable target;
        for (long long i = 0; i < count; ++i) {
            target = source; // shares the storage: a reference count, no copy
            Variable copy(target);
            g_sink = double(copy.getVector().count());
        }
    });

    const Measurement strings = measure(n, [](long long count) {
        Variable source(String("a string value of some length"));
        Variable target;
        for (long long i = 0; i < count; ++i) {
            target = source;
            Variable copy(target);
            g_sink = double(copy.getString().length());
        }
    });

    std::printf("%lld operations each\n", n);
    report("double copy (baseline)", n, plain);
    report("double Variable: assign + construct", n, copies);
    report("operand stack: 2 push + 2 pop", n, stack);
    report("vector Variable: assign + construct", n, vectors);
    report("string Variable: assign + construct", n, strings);
    std::printf("ratio double Variable / double: %.2f\n", copies.nanoseconds / plain.nanoseconds);
    // The first push reaches the deepest point once and allocates its chunk;
    // every later operation must be allocation-free.
    const bool steady = copies.allocations == 0 && stack.allocations <= 2 && vectors.allocations <= 2
                        && strings.allocations <= 2;
    std::printf("steady state allocation-free: %s\n", steady ? "yes" : "NO");
    return steady ? 0 : 1;
}
