// The block pipe between a file's caller and its thread: blocks arrive in
// submission order with their lengths and the last mark, the producer waits
// while every block is in flight, and Close releases both sides.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "support/files/block_pipe.h"

namespace {

TEST(BlockPipeTest, BlocksArriveInOrderThroughFewSlots) {
  // Two blocks of four bytes carry 997 blocks: the producer must wait for
  // the consumer again and again, and nothing may be lost or reordered.
  BlockPipe pipe(2, 4);
  const int kBlocks = 997;
  std::string sent, received;
  std::thread consumer([&] {
    char* block;
    int n;
    bool last = false;
    while (!last && pipe.Take(&block, &n, &last)) {
      received.append(block, n);
      pipe.Release(block);
    }
  });
  for (int i = 0; i < kBlocks; ++i) {
    char* block = pipe.Acquire();
    ASSERT_NE(block, nullptr);
    int n = 1 + i % 4;
    for (int j = 0; j < n; ++j) block[j] = static_cast<char>('a' + (i + j) % 26);
    sent.append(block, n);
    pipe.Submit(block, n, i == kBlocks - 1);
  }
  consumer.join();
  EXPECT_EQ(received, sent);
}

TEST(BlockPipeTest, CloseWakesAWaitingProducerAndAWaitingConsumer) {
  BlockPipe full(1, 8);
  char* held = full.Acquire();
  full.Submit(held, 8, false);
  // The only block is queued: the producer waits until Close refuses it.
  std::thread closer([&] { full.Close(); });
  EXPECT_EQ(full.Acquire(), nullptr);
  closer.join();

  BlockPipe empty(1, 8);
  bool took = true;
  std::thread consumer([&] {
    char* block;
    int n;
    bool last;
    took = empty.Take(&block, &n, &last);
  });
  empty.Close();
  consumer.join();
  EXPECT_FALSE(took);
}

}  // namespace
