#include <gtest/gtest.h>

#include <map>
#include <random>

#include "platform/sim/SimWindowIndex.h"

namespace pelko::sim {
namespace {

struct Record {
  uint32_t number = 0;
};

// Numbers that share a home slot, a run that wraps round the end of the array, and an entry of the run
// that sits in its own home slot and so must stay when an earlier one goes (the array starts at 16
// slots, and a number's home is the number modulo the size).
TEST(SimWindowIndexTest, RemovingFromARunThatWrapsRoundKeepsEveryOtherEntryFindable) {
  Record r14{14}, r15{15}, r30{30}, r31{31}, r46{46};
  SimWindowIndex<Record> index;
  for (Record* r : {&r14, &r15, &r30, &r31, &r46}) index.insert(r->number, r);  // slots 14, 15, 0, 1, 2

  index.erase(14);
  EXPECT_EQ(index.find(14), nullptr);
  EXPECT_EQ(index.find(15), &r15);
  EXPECT_EQ(index.find(30), &r30);
  EXPECT_EQ(index.find(31), &r31);
  EXPECT_EQ(index.find(46), &r46);

  index.erase(15);
  index.erase(99);  // never there: changes nothing
  EXPECT_EQ(index.find(15), nullptr);
  EXPECT_EQ(index.find(30), &r30);
  EXPECT_EQ(index.find(31), &r31);
  EXPECT_EQ(index.find(46), &r46);
  EXPECT_EQ(index.size(), 3u);
}

// Against a map, through random insertions and removals of numbers from a narrow range (so that runs
// form and merge) while the array grows past several sizes.
TEST(SimWindowIndexTest, AnswersAsAMapDoesThroughRandomChanges) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::map<uint32_t, Record> expected;
    std::map<uint32_t, Record> storage;
    SimWindowIndex<Record> index;
    for (int step = 0; step < 4000; ++step) {
      const uint32_t number = 100 + random() % 300;
      const bool present = expected.count(number) > 0;
      if (!present && random() % 3 != 0) {
        Record& record = storage[number];
        record.number = number;
        expected[number] = record;
        index.insert(number, &record);
      } else if (present) {
        expected.erase(number);
        index.erase(number);
      }
      ASSERT_EQ(index.size(), expected.size()) << "step " << step;
      for (uint32_t n = 100; n < 400; ++n) {
        Record* found = index.find(n);
        ASSERT_EQ(found != nullptr, expected.count(n) > 0) << "step " << step << " number " << n;
        if (found) {
          ASSERT_EQ(found, &storage.at(n));
        }
      }
    }
  }
}

}  // namespace
}  // namespace pelko::sim
