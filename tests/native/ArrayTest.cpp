#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "core/OwnerPtr.h"
#include "core/String.h"

using Core::Array;
using Core::OwnerArray;
using Core::OwnerPtr;
using Core::String;

// Every global allocation of this binary passes through here, so the tests
// can see the exact block sizes asked for and make one of them fail.
namespace {
bool recording = false;
std::size_t requests[64];
int requestCount = 0;
int failAfter = -1; // allocations still allowed before one fails; -1: never

void* allocate(std::size_t size)
{
    if (failAfter == 0) {
        failAfter = -1;
        throw std::bad_alloc();
    }
    if (failAfter > 0)
        --failAfter;
    if (recording && requestCount < 64)
        requests[requestCount++] = size;
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

struct Recorder {
    Recorder()
    {
        requestCount = 0;
        recording = true;
    }
    ~Recorder() { recording = false; }
    // Stops recording: the vector made here allocates too.
    std::vector<std::size_t> sizes() const
    {
        recording = false;
        return std::vector<std::size_t>(requests, requests + requestCount);
    }
};
} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

using Sizes = std::vector<std::size_t>;

TEST(StringTest, DefaultHoldsOneNulInOneSlot)
{
    Recorder recorder;
    String text;
    const Sizes got = recorder.sizes();
    EXPECT_EQ(got, Sizes({1}));
    EXPECT_EQ(text.capacity, 1u);
    EXPECT_EQ(text.count, 1u);
    EXPECT_EQ(text[0], '\0');
}

TEST(StringTest, TextGrowsByHalfWithExactBlocks)
{
    Recorder recorder;
    String text("0123456789");
    const Sizes got = recorder.sizes();
    EXPECT_EQ(got, Sizes({1, 2, 3, 4, 6, 9, 13}));
    EXPECT_EQ(text.capacity, 13u);
    EXPECT_EQ(text.count, 11u);
    EXPECT_STREQ(text.text(), "0123456789");
}

TEST(StringTest, ExtendingAfterDroppingTheTerminator)
{
    String text;
    Recorder recorder;
    text.dropBack(1);
    text.appendText("abc");
    const Sizes got = recorder.sizes();
    EXPECT_EQ(got, Sizes({2, 3, 4}));
    EXPECT_EQ(text.capacity, 4u);
    EXPECT_EQ(text.count, 4u);
    EXPECT_STREQ(text.text(), "abc");
}

TEST(StringTest, AppendWithoutDroppingKeepsTheInnerNul)
{
    String text("ab");
    text.appendText("cd");
    ASSERT_EQ(text.count, 6u);
    EXPECT_EQ(std::memcmp(text.items, "ab\0cd\0", 6), 0);
    EXPECT_STREQ(text.text(), "ab");
}

TEST(StringTest, AssignKeepsCapacity)
{
    String text("0123456789");
    text.assignText("");
    EXPECT_EQ(text.count, 1u);
    EXPECT_EQ(text.capacity, 13u);
    Recorder recorder;
    text.assignText("abcdefghijkl");
    EXPECT_TRUE(recorder.sizes().empty());
    EXPECT_STREQ(text.text(), "abcdefghijkl");
}

TEST(StringTest, AppendAllCopiesTheOtherTerminator)
{
    String text("ab");
    String tail("c");
    text.dropBack(1);
    text.appendAll(tail);
    EXPECT_EQ(text.count, 4u);
    EXPECT_STREQ(text.text(), "abc");
}

TEST(StringTest, CopyKeepsTheSourceCapacity)
{
    String source("0123456789");
    Recorder recorder;
    String copy(source);
    const Sizes got = recorder.sizes();
    EXPECT_EQ(got, Sizes({13}));
    EXPECT_EQ(copy.capacity, 13u);
    EXPECT_EQ(copy.count, 11u);
    EXPECT_STREQ(copy.text(), "0123456789");
    EXPECT_NE(copy.items, source.items);
}

TEST(ArrayTest, GrowthRule)
{
    Array<int> numbers;
    std::vector<uint32_t> capacities;
    for (int i = 0; i < 12; ++i) {
        numbers.appendRepeated(1, i);
        if (capacities.empty() || capacities.back() != numbers.capacity)
            capacities.push_back(numbers.capacity);
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{1, 2, 3, 4, 6, 9, 13}));
    // One check for a whole batch: 13 + 10 needs more than 13 + 6.
    numbers.appendRepeated(10, 7);
    EXPECT_EQ(numbers.capacity, 22u);
    EXPECT_EQ(numbers.count, 22u);
    EXPECT_EQ(numbers[21], 7);
}

TEST(ArrayTest, DropBackPastCountEmptiesAndKeepsTheBlock)
{
    Array<char> chars;
    chars.appendRepeated(3, 'x');
    const uint32_t capacity = chars.capacity;
    char* block = chars.items;
    chars.dropBack(5);
    EXPECT_EQ(chars.count, 0u);
    EXPECT_EQ(chars.capacity, capacity);
    EXPECT_EQ(chars.items, block);
}

TEST(ArrayTest, FailedGrowthLeavesTheArrayUnchanged)
{
    String text("abcd"); // capacity 6, length 5
    text.dropBack(1);
    text.appendText("e"); // length 6, full
    ASSERT_EQ(text.count, text.capacity);
    char* block = text.items;
    failAfter = 0;
    EXPECT_THROW(text.appendRepeated(1, 'f'), std::bad_alloc);
    EXPECT_EQ(text.items, block);
    EXPECT_EQ(text.count, 6u);
    EXPECT_EQ(text.capacity, 6u);
    EXPECT_STREQ(text.text(), "abcde");
}

TEST(ArrayTest, CountOverflowIsRefusedBeforeAnythingChanges)
{
    Array<uint64_t> big;
    big.appendRepeated(2, 1u);
    EXPECT_THROW(big.appendRepeated(UINT32_MAX, 1u), std::bad_alloc);
    EXPECT_EQ(big.count, 2u);
}

namespace {
std::vector<int> destroyed;

struct Record {
    explicit Record(int id) : id(id) {}
    ~Record() { destroyed.push_back(id); }
    int id;
};
} // namespace

TEST(OwnerArrayTest, HandOverEmptiesTheHolder)
{
    OwnerArray<Record> records;
    OwnerPtr<Record> holder(new Record(1));
    Record* record = holder.get();
    records.appendRepeated(1, std::move(holder));
    EXPECT_EQ(holder.get(), nullptr);
    ASSERT_EQ(records.count, 1u);
    EXPECT_EQ(records[records.count - 1].get(), record);
}

TEST(OwnerArrayTest, RecordsGoLastFirstAndTheBlockIsReused)
{
    destroyed.clear();
    OwnerArray<Record> records;
    for (int id = 1; id <= 4; ++id)
        records.appendRepeated(1, OwnerPtr<Record>(new Record(id)));
    auto* block = records.items;
    // Growth moves the holders without destroying a record.
    EXPECT_TRUE(destroyed.empty());

    records.dropBack(records.count);
    EXPECT_EQ(destroyed, (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(records.items, block);

    Recorder recorder;
    for (int id = 5; id <= 8; ++id) {
        OwnerPtr<Record> holder(new Record(id));
        records.appendRepeated(1, std::move(holder));
    }
    // Only the four records themselves were allocated.
    const Sizes got = recorder.sizes();
    EXPECT_EQ(got, Sizes(4, sizeof(Record)));
    EXPECT_EQ(records.items, block);

    destroyed.clear();
    {
        OwnerArray<Record> other;
        other.appendRepeated(1, OwnerPtr<Record>(new Record(10)));
        other.appendRepeated(1, OwnerPtr<Record>(new Record(11)));
    }
    EXPECT_EQ(destroyed, (std::vector<int>{11, 10}));
}

TEST(OwnerArrayTest, FailedAppendLeavesTheRecordWithItsHolder)
{
    destroyed.clear();
    OwnerArray<Record> records;
    records.appendRepeated(1, OwnerPtr<Record>(new Record(1)));
    {
        OwnerPtr<Record> holder(new Record(2));
        failAfter = 0;
        EXPECT_THROW(records.appendRepeated(1, std::move(holder)), std::bad_alloc);
        EXPECT_NE(holder.get(), nullptr);
    }
    EXPECT_EQ(destroyed, (std::vector<int>{2}));
    EXPECT_EQ(records.count, 1u);
    EXPECT_EQ(records[0]->id, 1);
}
