#pragma once

// A small deterministic generator (SplitMix64). Its output is fixed by the seed on every
// platform and library, unlike the standard distributions, so generated catalogues are
// the same everywhere.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvara::dbtool {

class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, n); n > 0. The modulo bias is far below anything that matters here.
    std::uint64_t below(std::uint64_t n) { return next() % n; }

    // Uniform in [low, high].
    long long between(long long low, long long high)
    {
        return low + static_cast<long long>(below(static_cast<std::uint64_t>(high - low) + 1));
    }

    template <typename T>
    const T& pick(const std::vector<T>& items)
    {
        return items[static_cast<std::size_t>(below(items.size()))];
    }

    template <typename T>
    void shuffle(std::vector<T>& items)
    {
        for (std::size_t i = items.size(); i > 1; --i) {
            const auto j = static_cast<std::size_t>(below(i));
            std::swap(items[i - 1], items[j]);
        }
    }

private:
    std::uint64_t m_state;
};

}  // namespace kelvara::dbtool
