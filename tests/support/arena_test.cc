#include "support/arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

TEST(ArenaTest, SmallFirstBlockGrowsAndKeepsEveryPiece) {
  Arena arena(1024);
  arena.Allocate(8);
  EXPECT_LE(arena.BytesReserved(), 1024u + 64u);  // a small arena stays small

  // Pieces of every size, large ones included, each filled with its own
  // byte: none may overlap another or move.
  std::vector<std::pair<unsigned char*, size_t>> pieces;
  size_t total = 0;
  for (int i = 0; i < 20000; ++i) {
    size_t n = i % 97 == 0 ? 3000 + i % 5000 : 1 + i % 200;
    auto* p = static_cast<unsigned char*>(arena.Allocate(n));
    ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
    memset(p, i & 0xFF, n);
    pieces.emplace_back(p, n);
    total += n;
  }
  for (size_t i = 0; i < pieces.size(); ++i)
    for (size_t k = 0; k < pieces[i].second; ++k)
      ASSERT_EQ(pieces[i].first[k], static_cast<unsigned char>(i & 0xFF)) << i;
  EXPECT_GE(arena.BytesUsed(), total);
  // Doubling blocks waste at most the last one's unused part and the block
  // headers: far less than the pieces themselves.
  EXPECT_LT(arena.BytesReserved(), arena.BytesUsed() + (1u << 20) + (1u << 16));
}

TEST(ArenaTest, FullSizeBlocksHoldEveryPieceAndWasteLittle) {
  // A first block that is no power of two still grows to the full size and
  // no further; full blocks (huge pages too, aligned to their size) hand
  // out pieces up to their last byte.
  for (Arena::Pages pages : {Arena::Pages::kSmall, Arena::Pages::kHuge}) {
    Arena arena(3000, pages);
    std::vector<std::pair<unsigned char*, size_t>> pieces;
    for (int i = 0; i < 120000; ++i) {
      size_t n = 8 + (i * 37) % 160;
      auto* p = static_cast<unsigned char*>(arena.Allocate(n));
      memset(p, i & 0xFF, n);
      pieces.emplace_back(p, n);
    }
    for (size_t i = 0; i < pieces.size(); ++i)
      for (size_t k = 0; k < pieces[i].second; ++k)
        ASSERT_EQ(pieces[i].first[k], static_cast<unsigned char>(i & 0xFF)) << i;
    EXPECT_GT(arena.BytesUsed(), 10u << 20);
    const size_t full = pages == Arena::Pages::kHuge ? 2u << 20 : 1u << 20;
    EXPECT_LT(arena.BytesReserved(), arena.BytesUsed() + full + (1u << 16));
  }
}

}  // namespace
