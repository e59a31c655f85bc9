// The hand-over of frames to worker threads: packed copies, order, a fixed set of buffers,
// failures.
#include "tools/capture/CaptureError.h"
#include "tools/capture/FramePipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace capture;

namespace
{

// Hands over frame `i`: 3x2 pixels stored with a pitch of 5, whose padding must not be copied.
void Submit(FramePipeline& pipeline, std::uint32_t i)
{
    const std::uint32_t words[] = {i, i + 1, i + 2, 0xBAD, 0xBAD, i + 10, i + 11, i + 12};
    pipeline.Submit(FrameView{words, 3, 2, 5 * 4}, i);
}

} // namespace

TEST(FramePipeline, EveryFrameIsConsumedOnceAsAPackedCopyInAFixedSetOfBuffers)
{
    for (unsigned workers : {1u, 4u})
    {
        std::mutex mutex;
        std::vector<std::size_t> order;
        std::set<const std::uint32_t*> buffers;
        int copies = 0;
        auto consume = [&](const FrameImage& frame, std::size_t index)
        {
            const auto i = static_cast<std::uint32_t>(index);
            std::lock_guard lock(mutex);
            copies += frame.pixels == std::vector{i, i + 1, i + 2, i + 10, i + 11, i + 12};
            order.push_back(index);
            buffers.insert(frame.pixels.data());
        };
        FramePipeline pipeline(3, 2, workers, 3, consume);
        for (std::uint32_t i = 0; i < 200; ++i)
            Submit(pipeline, i);
        pipeline.Finish();
        EXPECT_EQ(copies, 200) << workers << " workers";
        EXPECT_EQ(std::set(order.begin(), order.end()).size(), 200u);
        EXPECT_TRUE(workers > 1 || std::is_sorted(order.begin(), order.end()));
        EXPECT_LE(buffers.size(), 3u);
    }
}

TEST(FramePipeline, AWorkerFailureDropsTheQueuedFramesAndReachesTheRenderer)
{
    std::atomic<bool> allQueued = false;
    int consumed = 0;
    FramePipeline pipeline(3, 2, 1, 6,
                           [&](const FrameImage&, std::size_t index)
                           {
                               while (index == 0 && !allQueued)
                                   std::this_thread::yield();
                               if (index == 0)
                                   throw CaptureError("disk full");
                               ++consumed;
                           });
    for (std::uint32_t i = 0; i < 6; ++i)
        Submit(pipeline, i);
    allQueued = true;
    EXPECT_THROW(pipeline.Finish(), CaptureError);
    EXPECT_EQ(consumed, 0);
    EXPECT_THROW(Submit(pipeline, 6), CaptureError);
}
