#include "base/tdynamiclist.h"
#include "base/tvaluestring.h"
#include "base/v32_data.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

TEST(TValueStringTest, KeepsZeroBytesOfATextButStopsAtTheEndOfACharString) {
    const std::string withZero("ABC\0D", 5);
    const TValueString fromText(withZero);
    EXPECT_EQ(fromText.Count(), 5u);
    EXPECT_EQ(fromText.AsString(), withZero);
    EXPECT_EQ(TValueString(withZero.c_str()).Count(), 3u);
    const TValueString copy(fromText);
    EXPECT_EQ(copy.CopyToString(), withZero);
    EXPECT_EQ(*fromText.ByteAt(3), 0);
    EXPECT_EQ(*fromText.ByteAt1(5), 'D');
    EXPECT_EQ(fromText.ByteAt(5), nullptr);
    EXPECT_EQ(fromText.ByteAt1(0), nullptr);
}

TEST(TValueStringTest, AppendsAndAssigns) {
    TValueString value;
    value.AppendBytes("xyz", 2);
    value.AppendBytes("12", 0);
    value.AppendBytes(nullptr, 3);
    value.AppendValue(TValueString(std::string("\0", 1)));
    EXPECT_EQ(value.AsString(), std::string("xy12\0", 5));
    value.AssignChars("q");
    EXPECT_EQ(value.AsString(), "q");
    value.Assign(value);
    EXPECT_EQ(value.AsString(), "q");
    value.Resize(3);
    EXPECT_EQ(value.AsString(), std::string(3, '\0'));
}

TEST(TValueStringTest, MidDeleteAndExtractCountFromOne) {
    const TValueString five(bytesOf({10, 20, 30, 40, 50}));
    EXPECT_EQ(five.Mid(4, 10).AsString(), bytesOf({40, 50}));
    EXPECT_EQ(five.Mid(6, 1).Count(), 0u);
    EXPECT_EQ(five.Mid(1, 0).Count(), 0u);

    TValueString value = five;
    EXPECT_EQ(value.Extract(2, 2, 1).AsString(), bytesOf({20, 30}));
    EXPECT_EQ(value.AsString(), bytesOf({10, 50}));

    value = five;
    EXPECT_EQ(value.Extract(4, 9, 3).AsString(), bytesOf({40, 50}));
    EXPECT_EQ(value.AsString(), bytesOf({10, 20, 30}));
    EXPECT_EQ(value.Extract(0, 1, 0).Count(), 0u);
    EXPECT_EQ(value.Count(), 3u);

    value.Delete(3, 5);
    EXPECT_EQ(value.AsString(), bytesOf({10, 20}));
    value.Delete(4, 1);
    EXPECT_EQ(value.Count(), 2u);
}

TEST(TValueStringTest, AsUInt32ReadsUpToFourBytesBigEndian) {
    EXPECT_EQ(TValueString(bytesOf({1, 2})).AsUInt32(), 258u);
    EXPECT_EQ(TValueString(bytesOf({0xA1, 0xB2, 0xC3, 0xD4})).AsUInt32(), 0xA1B2C3D4u);
    EXPECT_EQ(TValueString(bytesOf({1, 2, 3, 4, 5})).AsUInt32(), 0u);
    EXPECT_EQ(TValueString().AsUInt32(), 0u);
}

TEST(ValueDataTest, BytesAreHighFirst) {
    v16_data word;
    word.SetValue(0x125A6B);
    EXPECT_EQ(word.AsString(), bytesOf({0x5A, 0x6B}));
    EXPECT_EQ(word.Value(), 0x5A6B);
    v32_data dword;
    dword.SetValue(0xA1B2C3D4u);
    EXPECT_EQ(dword.AsString(), bytesOf({0xA1, 0xB2, 0xC3, 0xD4}));
    EXPECT_EQ(dword.Value(), 0xA1B2C3D4u);
    v8_data byte;
    byte.SetHighByte(0x1234);
    EXPECT_EQ(byte.Value(), 0x12);
    byte.SetLowByte(0x1234);
    EXPECT_EQ(byte.AsString(), "\x34");
}

// An object that counts how many of its kind are alive, to see what the list frees.
struct Counted {
    static inline int alive = 0;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};

TEST(TDynamicListTest, UnnamedItemsGetDistinctNamesAndGivenNamesAreKept) {
    TDynamicList<int> list("numbers");
    const std::string a = list.Add(new int(1), "");
    const std::string b = list.Add(new int(2), "");
    EXPECT_EQ(a.size(), 4u);
    EXPECT_EQ(b.size(), 4u);
    EXPECT_NE(a, b);
    EXPECT_EQ(*list.Find(b), 2);
    list.Add(new int(3), "X");
    list.Add(new int(4), "X");
    EXPECT_EQ(list.Count(), 4u);
    EXPECT_EQ(*list.Find("X"), 3) << "the first item of a name is found";
    EXPECT_EQ(list.IndexOf("X"), 2u);
    EXPECT_EQ(list.IndexOf(b), 1u);
    EXPECT_EQ(list.IndexOf("Y"), std::nullopt);
    EXPECT_EQ(list.Rename("Y", "Z"), nullptr);
    EXPECT_EQ(*list.Rename("X", "Z"), 3) << "the first item of a name is renamed";
    EXPECT_EQ(list.ItemName(2), "Z");
    EXPECT_EQ(list.IndexOf("X"), 3u);
    EXPECT_FALSE(list.Contains("Y"));
    EXPECT_EQ(list.ItemAt(3)->name, "X");
    EXPECT_EQ(list.ItemAt(4), nullptr);
}

TEST(TDynamicListTest, NotifiesChangesAndFreesWhatItOwns) {
    int changes = 0;
    {
        TDynamicList<Counted> list("owned");
        list.SetOnChange([&] { ++changes; });
        list.Add(new Counted, "a");
        list.Grow(2);
        EXPECT_EQ(Counted::alive, 3);
        EXPECT_EQ(changes, 2);
        EXPECT_FALSE(list.Delete(3));
        EXPECT_EQ(list.Count(), 3u);
        EXPECT_EQ(changes, 2) << "a failed delete changes nothing";
        EXPECT_TRUE(list.Delete(0));
        EXPECT_EQ(Counted::alive, 2);
        list.Clear();
        list.Clear();
        EXPECT_EQ(changes, 5) << "clearing an empty list notifies too";
        list.Grow(1);
        list.SetOnChange(nullptr);
    }
    EXPECT_EQ(Counted::alive, 0) << "the list frees its objects when it goes";

    Counted kept;
    {
        TDynamicList<Counted> list("borrowed");
        list.SetOwnsObjects(false);
        list.Add(&kept, "k");
    }
    EXPECT_EQ(Counted::alive, 1);
}

} // namespace
