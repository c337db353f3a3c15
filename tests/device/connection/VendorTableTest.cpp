// The vendor table, the vendor filter and the record helpers.
#include "device/connection/DeviceList.h"
#include "device/connection/VendorTable.h"

#include <gtest/gtest.h>

#include <set>

TEST(VendorTable, HoldsFortyTwoDistinctMakersInTableOrder) {
    std::set<std::string_view> vids;
    for (const VendorRow& row : VendorTable) {
        EXPECT_EQ(row.vid.size(), 4u);
        EXPECT_LT(row.name.size(), 30u);
        vids.insert(row.vid);
    }
    EXPECT_EQ(vids.size(), 42u);
    EXPECT_EQ(VendorTable.front().name, "GOOGLE");
    EXPECT_EQ(VendorTable[7].name, "SONY_ERICSSON");
    EXPECT_EQ(VendorTable.back().vid, "267A");
}

TEST(VendorTable, NamesAreFoundByExactUpperCaseVid) {
    EXPECT_EQ(VendorName("04E8"), "SAMSUNG");
    EXPECT_EQ(VendorName("0451"), "HUAWEI2");
    EXPECT_EQ(VendorName("E040"), "VIZIO");
    EXPECT_FALSE(VendorName("e040"));
    EXPECT_FALSE(VendorName("046D")); // a mouse maker
    EXPECT_FALSE(VendorName("0000"));
    EXPECT_FALSE(VendorName(""));
}

TEST(VendorTable, SixMakersAreAcceptedWithoutLookup) {
    for (std::string_view vid : {"0BB4", "22B8", "04E8", "0FCE", "12D1", "19D2"}) {
        EXPECT_TRUE(IsAlwaysAcceptedVendor(vid)) << vid;
    }
    for (std::string_view vid : {"18D1", "1004", "0451", "046D"}) {
        EXPECT_FALSE(IsAlwaysAcceptedVendor(vid)) << vid;
    }
}

TEST(VendorFilter, DropsForeignMakersAndKeepsOrderAndDuplicates) {
    // mouse, phone, hub without ids, phone, phone, partial record
    const std::string list = "046DC077"
                             "18D14EE2"
                             "00000000"
                             "04E86860"
                             "04E86860"
                             "18D1";
    EXPECT_EQ(VendorFilter(list), "18D14EE2"
                                  "04E86860"
                                  "04E86860");
    EXPECT_EQ(VendorFilter(""), "");
    EXPECT_EQ(VendorFilter("046DC077"), "");
}

TEST(DeviceList, RecordsAreComparedWhole) {
    const std::string list = "18D14E12"
                             "18D14E13";
    EXPECT_EQ(CountRecord(list, "4E1218D1"), 0u); // straddles two records
    EXPECT_EQ(CountRecord(list, "18D14E13"), 1u);
    EXPECT_EQ(CountRecord(list + "18D14E13", "18D14E13"), 2u);
    EXPECT_EQ(RecordVid("18D14E12"), "18D1");
    EXPECT_EQ(RecordPid("18D14E12"), "4E12");
}
