#pragma once
// The 64-bit hash of a token (kind and text) that the store keeps: changing it loses every
// trained database. Bytes are read as little-endian words. The kind's part is worked out once
// per kind (at compile time for the fixed ones): scoring hashes some 150 tokens a message.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace token_hash {

constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;

constexpr uint64_t LittleEndian(const char* p, size_t n)
{
    uint64_t word = 0;
    for (size_t i = 0; i < n; ++i) word |= static_cast<uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return word;
}

// The last 0-7 bytes, from overlapping loads instead of a memcpy call of unknown size.
constexpr uint64_t Tail(const char* p, size_t n)
{
    if (std::is_constant_evaluated() || std::endian::native != std::endian::little) return LittleEndian(p, n);
    if (n >= 4) {
        uint32_t low = 0, high = 0;  // overlapping when n < 8: the shared bytes land in the same place
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + n - 4, 4);
        return low | (static_cast<uint64_t>(high) << (8 * (n - 4)));
    }
    if (n == 0) return 0;
    return LittleEndian(p, 1) | (LittleEndian(p + n / 2, 1) << (8 * (n / 2))) | (LittleEndian(p + n - 1, 1) << (8 * (n - 1)));
}

constexpr uint64_t Word(const char* p)
{
    if (std::is_constant_evaluated() || std::endian::native != std::endian::little) return LittleEndian(p, 8);
    uint64_t word = 0;
    std::memcpy(&word, p, 8);
    return word;
}

// Multiply-rotate rounds, eight bytes at a time.
constexpr uint64_t HashBytes(uint64_t h, std::string_view bytes)
{
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) h = std::rotl((h ^ Word(bytes.data() + i)) * kMul, 29);
    uint64_t tail = Tail(bytes.data() + i, bytes.size() - i);
    return std::rotl((h ^ tail ^ (static_cast<uint64_t>(bytes.size()) << 56)) * kMul, 29);
}

}  // namespace token_hash

// A token's kind with its part of the hash.
struct TTokenKind {
    std::string_view name;
    uint64_t seed = 0;
};

constexpr TTokenKind TokenKind(std::string_view name) { return {name, token_hash::HashBytes(0x243F6A8885A308D3ull, name)}; }

// A final avalanche, as the token table uses the low bits.
constexpr uint64_t TokenHash(const TTokenKind& kind, std::string_view text)
{
    uint64_t h = token_hash::HashBytes(kind.seed, text);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h ? h : 1;  // 0 marks an empty slot of the token table
}

constexpr uint64_t TokenHash(std::string_view kind, std::string_view text) { return TokenHash(TokenKind(kind), text); }
