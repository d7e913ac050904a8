#include "library/random_generator.h"

namespace {

constexpr uint32_t kC1[4] = {0xbaa96887u, 0x1e17d32cu, 0x03bcdc3cu, 0x0f33d1b2u};
constexpr uint32_t kC2[4] = {0x4b0f3b58u, 0xe874f0c3u, 0x6955c5a6u, 0x55a7ca46u};

} // namespace

RandomGenerator &RandomGenerator::instance()
{
    static RandomGenerator generator;
    return generator;
}

RandomGenerator::Words RandomGenerator::hash(Words words)
{
    uint32_t left = words.left;
    uint32_t right = words.right;
    for (int i = 0; i < 4; ++i) {
        const uint32_t t = right ^ kC1[i];
        const uint32_t lo = t & 0xffffu;
        const uint32_t hi = t >> 16;
        const uint32_t u = lo * lo + ~(hi * hi);
        const uint32_t rotated = (u >> 16) | (u << 16);
        const uint32_t mixed = left ^ ((rotated ^ kC2[i]) + lo * hi);
        left = right;
        right = mixed;
    }
    return {left, right};
}

double RandomGenerator::next()
{
    return double(hash({0, _counter++}).right) / 4294967295.0;
}
