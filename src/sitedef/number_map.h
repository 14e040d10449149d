#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quennit {

// A map keyed by site number whose enumeration order is that of the hashed
// map the tables have always used: 17 buckets, number n in bucket
// (n >> 4) % 17, buckets in ascending order, and within a bucket the most
// recently inserted entry first. Users (the settings dialog's site list)
// show sites in this order, so it is part of the behaviour.
//
// Entries are never removed one by one; RemoveAll empties the map. Not
// thread-safe by itself; the owning table guards it.
template <typename T>
class NumberMap {
  public:
    static constexpr std::uint32_t kBuckets = 17;

    static constexpr std::uint32_t BucketOf(std::uint32_t n) { return (n >> 4) % kBuckets; }

    // A position in the enumeration: bucket and index from the head.
    struct Position {
        std::uint32_t bucket = 0;
        std::size_t index = 0;
    };

    const T* Find(std::uint32_t n) const {
        const auto it = m_values.find(n);
        return it == m_values.end() ? nullptr : &it->second;
    }
    T* Find(std::uint32_t n) {
        const auto it = m_values.find(n);
        return it == m_values.end() ? nullptr : &it->second;
    }

    // Inserts or overwrites the entry of n.
    void Set(std::uint32_t n, T value) {
        auto [it, inserted] = m_values.insert_or_assign(n, std::move(value));
        if (inserted) {
            m_buckets[BucketOf(n)].push_back(n);
        }
    }

    // The entry of n, created from a default T when missing.
    T& At(std::uint32_t n) {
        auto [it, inserted] = m_values.try_emplace(n);
        if (inserted) {
            m_buckets[BucketOf(n)].push_back(n);
        }
        return it->second;
    }

    std::size_t Size() const { return m_values.size(); }
    bool Empty() const { return m_values.empty(); }

    void RemoveAll() {
        m_values.clear();
        for (auto& b : m_buckets) {
            b.clear();
            b.shrink_to_fit();
        }
    }

    // The first position, or nullopt for an empty map.
    std::optional<Position> Start() const { return Normalise(Position{0, 0}); }

    // The number at pos, and pos moved to the next entry (nullopt after the last).
    std::uint32_t Next(std::optional<Position>& pos) const {
        const auto& chain = m_buckets[pos->bucket];
        // Chains are stored in insertion order; the head is the newest entry.
        const std::uint32_t n = chain[chain.size() - 1 - pos->index];
        pos = Normalise(Position{pos->bucket, pos->index + 1});
        return n;
    }

  private:
    std::optional<Position> Normalise(Position p) const {
        while (p.bucket < kBuckets) {
            if (p.index < m_buckets[p.bucket].size()) {
                return p;
            }
            ++p.bucket;
            p.index = 0;
        }
        return std::nullopt;
    }

    std::unordered_map<std::uint32_t, T> m_values;
    std::array<std::vector<std::uint32_t>, kBuckets> m_buckets;
};

}  // namespace quennit
