// The page cache's read-ahead: passes in page order, forwards or backwards,
// cost one read for a run of pages, other orders one read a page, and every
// page comes out as stored.

#include "engine/pager/pager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/error.h"
#include "engine/support/call_counting_file.h"

namespace {

constexpr std::uint32_t kPageSize = 4096;
constexpr std::uint32_t kPages = 200;
// The most reads a pass over every page may take with a cache of 64 pages,
// which reads runs of a quarter of its size at most.
constexpr int kPassReads =
    1 + static_cast<int>(kPages / std::min<std::uint32_t>(engine::Pager::kReadAhead, 64 / 4)) + 1;

// Every byte of page p holds p's low byte, its first two bytes p itself.
std::unique_ptr<enginetest::CallCountingFile> numberedPages() {
  std::vector<std::uint8_t> bytes(std::size_t{kPages} * kPageSize);
  for (std::uint32_t p = 0; p < kPages; ++p) {
    std::fill_n(bytes.begin() + std::ptrdiff_t{p} * kPageSize, kPageSize,
                static_cast<std::uint8_t>(p));
    bytes[std::size_t{p} * kPageSize + 1] = static_cast<std::uint8_t>(p >> 8);
  }
  return std::make_unique<enginetest::CallCountingFile>(
      engine::makeMemoryFile(std::move(bytes), "pages.mdb"));
}

void expectPage(engine::Pager& pager, std::uint32_t number) {
  const engine::PageRef page = pager.page(number);
  ASSERT_EQ(page->size(), kPageSize);
  EXPECT_EQ((*page)[0] | ((*page)[1] << 8), static_cast<int>(number)) << "page " << number;
  EXPECT_EQ((*page)[kPageSize - 1], static_cast<std::uint8_t>(number)) << "page " << number;
}

TEST(PagerReadAhead, APassInPageOrderReadsRunsOfPages) {
  auto file = numberedPages();
  engine::Pager pager(*file, kPageSize, 64);
  for (std::uint32_t p = 0; p < kPages; ++p) expectPage(pager, p);
  // The first miss reads one page, each later one a run.
  EXPECT_LE(file->reads, kPassReads);
  EXPECT_LE(pager.cachedPages(), 64u);
  // A second pass over more pages than the cache holds reads them again, in runs too.
  const int afterFirst = file->reads;
  for (std::uint32_t p = 0; p < kPages; ++p) expectPage(pager, p);
  EXPECT_LE(file->reads - afterFirst, kPassReads);
}

// A long value chained from its last page is read backwards.
TEST(PagerReadAhead, APassBackwardsReadsRunsOfPagesToo) {
  auto file = numberedPages();
  engine::Pager pager(*file, kPageSize, 64);
  for (std::uint32_t p = kPages; p-- > 0;) expectPage(pager, p);
  EXPECT_LE(file->reads, kPassReads);
  EXPECT_LE(pager.cachedPages(), 64u);
}

// A walk over a table and the records each of its changes looks up take
// turns: each pass keeps reading runs.
TEST(PagerReadAhead, PassesTakingTurnsEachReadRunsOfPages) {
  auto file = numberedPages();
  engine::Pager pager(*file, kPageSize, 64);
  for (std::uint32_t p = 0; p < kPages / 2; ++p) {
    expectPage(pager, p);
    expectPage(pager, kPages / 2 + p);
  }
  // Each pass: its first page alone, then runs of a quarter of the cache.
  EXPECT_LE(file->reads, 2 * (2 + static_cast<int>(kPages / 2 / (64 / 4))));
}

TEST(PagerReadAhead, OtherOrdersReadOnePageAtATime) {
  auto file = numberedPages();
  engine::Pager pager(*file, kPageSize, 64);
  // Every seventh page, wrapping round: no miss continues the read before it.
  for (std::uint32_t i = 0; i < kPages; ++i) expectPage(pager, (i * 7 + 3) % kPages);
  EXPECT_EQ(file->reads, static_cast<int>(kPages));
  EXPECT_EQ(pager.cachedPages(), 64u);
}

TEST(PagerReadAhead, ReadingBackStopsAtCachedPagesAndTheStartOfTheFile) {
  auto file = numberedPages();
  engine::Pager pager(*file, kPageSize, 128);
  expectPage(pager, 5);
  expectPage(pager, 40);
  for (std::uint32_t p = 40; p-- > 0;) expectPage(pager, p);
  // Every page from 0 to 40 is read once: 5 and 40 alone, then 8-39, 6-7
  // (stopping at page 5), and 0-4, reading back from page 5.
  static_assert(engine::Pager::kReadAhead == 32);
  EXPECT_EQ(pager.cachedPages(), 41u);
  EXPECT_EQ(file->reads, 5);
}

TEST(PagerReadAhead, StopsAtCachedPagesAndTheEndOfTheFile) {
  auto file = numberedPages();
  engine::Pager pager(*file, kPageSize, 128);
  expectPage(pager, 105);
  for (std::uint32_t p = 100; p < kPages; ++p) expectPage(pager, p);
  // Every page is read once: the run before page 105 stops there, and none runs past the end.
  EXPECT_EQ(pager.cachedPages(), kPages - 100);
  EXPECT_THROW(pager.page(kPages), engine::Error);
}

// The cache reuses the buffers of pages it drops, but never one a caller
// still holds.
TEST(PagerReadAhead, APageHeldAfterTheCacheDropsItKeepsItsBytes) {
  auto file = numberedPages();
  engine::Pager pager(*file, kPageSize, 4);
  const engine::PageRef held = pager.page(3);
  for (std::uint32_t p = 10; p < kPages; p += 3) expectPage(pager, p);
  ASSERT_EQ(held->size(), kPageSize);
  EXPECT_EQ((*held)[0], 3);
  EXPECT_EQ((*held)[kPageSize - 1], 3);
}

TEST(PagerReadAhead, ASmallCacheKeepsThePageItWasAskedFor) {
  auto file = numberedPages();
  for (std::size_t capacity : {1u, 2u, 4u, 8u}) {
    engine::Pager pager(*file, kPageSize, capacity);
    for (std::uint32_t p = 0; p < kPages; ++p) {
      expectPage(pager, p);
      EXPECT_LE(pager.cachedPages(), capacity);
    }
    const int before = file->reads;
    expectPage(pager, kPages - 1);
    EXPECT_EQ(file->reads, before) << "the last page asked for is cached";
  }
}

}  // namespace
