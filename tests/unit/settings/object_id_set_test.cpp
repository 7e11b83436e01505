// The id set behind the repeat guard of the backup-set enumeration.
#include <gtest/gtest.h>

#include "settings/object_id_set.h"

TEST(ObjectIdSet, ReportsEachIdOnceThroughGrowth) {
  ObjectIdSet set;
  for (uint32_t id = 1; id <= 5000; ++id) ASSERT_EQ(1, set.Insert(id * 7919u)) << id;
  for (uint32_t id = 1; id <= 5000; ++id) ASSERT_EQ(0, set.Insert(id * 7919u)) << id;
  EXPECT_EQ(1, set.Insert(3));
}

TEST(ObjectIdSet, TheLargestIdIsAnOrdinaryMember) {
  ObjectIdSet set;
  EXPECT_EQ(1, set.Insert(0xFFFFFFFFu));
  EXPECT_EQ(0, set.Insert(0xFFFFFFFFu));
  EXPECT_EQ(1, set.Insert(0));
  EXPECT_EQ(0, set.Insert(0));
}
