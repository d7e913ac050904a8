#pragma once

#include <cstdint>

// The program's one source of random numbers: a counter hashed by the
// psdes pseudo-DES function. The counter starts at zero and is never
// seeded, so every run draws the same sequence. Only the worker thread
// draws, so the counter needs no lock.
class RandomGenerator {
public:
    static RandomGenerator &instance();

    struct Words {
        uint32_t left;
        uint32_t right;
    };
    // Four rounds of psdes on the pair of words.
    static Words hash(Words words);

    // The right word of the hash of (0, counter), scaled to [0, 1]; the
    // counter advances by one.
    double next();

    uint32_t counter() const { return _counter; }
    // For tests that need a known position in the sequence.
    void setCounter(uint32_t counter) { _counter = counter; }

private:
    RandomGenerator() = default;

    uint32_t _counter = 0;
};
