// The duplicate index of a search run's own table gives the same answers as the list scan,
// also when the list is changed behind its back.

#include <gtest/gtest.h>

#include "protocol/device_table.h"

namespace scanvale {
namespace {

tComUnitInfo Device(const char* ip, const char* mac) {
  return MakeRecord({{Field::model, "M"}, {Field::proj, "IP-Cam"}, {Field::ip, ip},
                     {Field::mac, mac}});
}

TEST(DeviceTableIndex, SameAnswersAsTheScan) {
  for (bool indexed : {false, true}) {
    DeviceTable t;
    t.UseDuplicateIndex(indexed);
    EXPECT_TRUE(t.AddFoundDevice(Device("198.18.1.5", "00:00:00:00:00:05")));
    EXPECT_FALSE(t.AddFoundDevice(Device("198.18.1.5", "00:00:00:00:00:05")));
    EXPECT_TRUE(t.AddFoundDevice(Device("198.18.1.5", "00:00:00:00:00:06"))) << "address conflict";
    EXPECT_TRUE(t.AddFoundDevice(Device("198.18.1.50", "0:00:00:00:00:05"))) << "no key collision";

    t.AppendUnchecked(Device("198.18.1.7", "00:00:00:00:00:07"));
    t.AppendUnchecked(Device("198.18.1.7", "00:00:00:00:00:07"));  // the relay page's way
    EXPECT_FALSE(t.AddFoundDevice(Device("198.18.1.7", "00:00:00:00:00:07")));
    EXPECT_TRUE(t.AddFoundDevice(Device("198.18.1.8", "00:00:00:00:00:08")));

    t.m_DeviceList.pop_front();  // 198.18.1.5 / :05 is gone
    t.m_DeviceList.push_back(Device("198.18.1.9", "00:00:00:00:00:09"));
    EXPECT_TRUE(t.AddFoundDevice(Device("198.18.1.5", "00:00:00:00:00:05"))) << indexed;
    EXPECT_FALSE(t.AddFoundDevice(Device("198.18.1.9", "00:00:00:00:00:09"))) << indexed;
    EXPECT_EQ(t.m_DeviceList.size(), 7u) << indexed;
  }
}

}  // namespace
}  // namespace scanvale
