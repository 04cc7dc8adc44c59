#include <ilive/ilivesimulation.h>
#include <ilive/sdklist.h>
#include <ilive/sdkstring.h>

#include <gtest/gtest.h>

#include <string>

TEST(SdkString, EmptyAndNullTextsShareTheStaticBlockThatIsNeverFreed)
{
    const long before = ilivesim::heapBlocks();
    {
        SdkString none;
        SdkString null(nullptr);
        SdkString empty("");
        EXPECT_EQ(none.c_str(), null.c_str());
        EXPECT_EQ(none.c_str(), empty.c_str());
        EXPECT_STREQ(none.c_str(), "");
        EXPECT_EQ(none.capacity(), 0);
        // Copies of it count up and down without ever freeing it.
        for (int i = 0; i < 5; ++i) {
            SdkString copy(empty);
            SdkString other;
            other = copy;
        }
    }
    SdkString after;
    EXPECT_STREQ(after.c_str(), "");
    EXPECT_EQ(ilivesim::heapBlocks(), before);
}

TEST(SdkString, NewBlocksHoldAtLeastThirtyTwoCharacters)
{
    const long before = ilivesim::heapBlocks();
    const std::pair<std::string, int> cases[] = {{"a", 32},
                                                 {std::string(31, 'x'), 32},
                                                 {std::string(32, 'y'), 32},
                                                 {std::string(40, 'z'), 40}};
    for (const auto &[text, capacity] : cases) {
        SdkString s(text.c_str());
        EXPECT_EQ(s.c_str(), text);
        EXPECT_EQ(s.length(), static_cast<int>(text.size()));
        EXPECT_EQ(s.capacity(), capacity) << text;
        EXPECT_EQ(s.sharedCount(), 0);
        EXPECT_EQ(ilivesim::heapBlocks(), before + 1);
    }
    EXPECT_EQ(ilivesim::heapBlocks(), before);
}

TEST(SdkString, CopiesShareTheBlockUntilTheLastOneGoes)
{
    const long before = ilivesim::heapBlocks();
    auto *first = new SdkString("shared text");
    SdkString second(*first);
    SdkString third;
    third = second;
    EXPECT_EQ(first->c_str(), second.c_str());
    EXPECT_EQ(first->c_str(), third.c_str());
    EXPECT_EQ(first->sharedCount(), 2);
    delete first;
    EXPECT_EQ(second.sharedCount(), 1);
    EXPECT_STREQ(third.c_str(), "shared text");
    third = SdkString();
    EXPECT_EQ(second.sharedCount(), 0);
    EXPECT_EQ(ilivesim::heapBlocks(), before + 1);
    second = "";
    EXPECT_EQ(ilivesim::heapBlocks(), before);
}

TEST(SdkString, AssigningReusesAnUnsharedBlockThatFitsAndNeverChangesACopy)
{
    SdkString s("first");
    const char *block = s.c_str();
    s = "second text";
    EXPECT_EQ(s.c_str(), block) << "fits and is not shared";
    EXPECT_STREQ(s.c_str(), "second text");

    SdkString copy(s);
    s = "third";
    EXPECT_NE(s.c_str(), copy.c_str()) << "a shared block is left to the copy";
    EXPECT_STREQ(copy.c_str(), "second text");
    EXPECT_STREQ(s.c_str(), "third");

    const std::string longer(50, 'L');
    const char *before = s.c_str();
    s = longer.c_str();
    EXPECT_NE(s.c_str(), before);
    EXPECT_EQ(s.c_str(), longer);
    EXPECT_EQ(s.capacity(), 50);
}

TEST(SdkString, AssigningAPartOfItselfKeepsTheText)
{
    SdkString s("hello wide world");
    s = s.c_str() + 6;
    EXPECT_STREQ(s.c_str(), "wide world");
    s = s.c_str();
    EXPECT_STREQ(s.c_str(), "wide world");
    s = s;
    EXPECT_STREQ(s.c_str(), "wide world");
}

TEST(SdkList, GrowsAndReleasesEveryElementsTexts)
{
    const long before = ilivesim::heapBlocks();
    {
        SdkList<SdkDeviceEntry> list;
        for (int i = 0; i < 20; ++i) {
            SdkDeviceEntry entry;
            entry.id = ("id-" + std::to_string(i)).c_str();
            entry.name = ("device " + std::to_string(i)).c_str();
            ASSERT_TRUE(list.append(entry));
        }
        ASSERT_EQ(list.size(), 20);
        EXPECT_STREQ(list[0].id.c_str(), "id-0");
        EXPECT_STREQ(list[19].name.c_str(), "device 19");
        EXPECT_EQ(list[7].id.sharedCount(), 0) << "the list holds the only copy";
        list.clear();
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(ilivesim::heapBlocks(), before);
        SdkWindowEntry window;
        window.handle = 42;
        window.title = "title";
        SdkList<SdkWindowEntry> windows;
        windows.append(window);
        EXPECT_EQ(windows[0].handle, 42u);
    }
    EXPECT_EQ(ilivesim::heapBlocks(), before);
}
