// The PCM queue hands out exactly what was appended, in order, and only
// when enough is queued.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "kvnWaveStream.h"

namespace {

void Fill(TMemoryStream& stream, size_t count, uint8_t first)
{
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(count));
}

}

TEST(WaveStream, TakesWhatIsQueuedInOrder)
{
    TkvnWaveStream queue;
    EXPECT_EQ(queue.Append(nullptr), -1);
    EXPECT_FALSE(queue.HasData());
    TMemoryStream first;
    Fill(first, 6000, 0);
    EXPECT_EQ(queue.Append(&first), 6000);
    EXPECT_TRUE(queue.HasData());

    std::unique_ptr<TMemoryStream> data;
    ASSERT_EQ(queue.Take(data, 4096), 4096);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->GetPosition(), 0);
    EXPECT_EQ(data->GetSize(), 4096);
    EXPECT_EQ(static_cast<uint8_t*>(data->Memory())[4095], uint8_t(4095));
    EXPECT_EQ(queue.Size(), 1904);

    EXPECT_EQ(queue.Take(data, 4096), -1);
    EXPECT_FALSE(data);
    EXPECT_FALSE(queue.HasData());
    EXPECT_EQ(queue.Size(), 1904) << "a take that finds too little leaves the queue alone";

    TMemoryStream second;
    Fill(second, 3000, 7);
    queue.Append(&second);
    ASSERT_EQ(queue.Take(data, 4096), 4096);
    auto* bytes = static_cast<uint8_t*>(data->Memory());
    EXPECT_EQ(bytes[0], uint8_t(4096 & 0xFF));
    EXPECT_EQ(bytes[1904], uint8_t(7)) << "the second append follows the first";
    EXPECT_EQ(queue.Size(), 6000 + 3000 - 2 * 4096);
}
