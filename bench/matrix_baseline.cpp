// The yardstick for the language's matrix product: a straightforward triple
// loop over the same 500 x 500 operands, compiled -O2.
#include <chrono>
#include <cstdio>
#include <vector>

int main()
{
    const int n = 500;
    std::vector<double> a(size_t(n) * n, 0.5), b(size_t(n) * n, 0.25), c(size_t(n) * n);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double sum = 0.0;
            for (int k = 0; k < n; ++k)
                sum += a[size_t(i) * n + k] * b[size_t(k) * n + j];
            c[size_t(i) * n + j] = sum;
        }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %g\n", seconds, c[0]);
    return 0;
}
