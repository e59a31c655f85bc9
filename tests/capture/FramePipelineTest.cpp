// The hand-over of frames to worker threads: copies, order, bounded buffers, failures.
#include "tools/capture/CaptureError.h"
#include "tools/capture/FramePipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <vector>

using namespace capture;
using namespace std::chrono_literals;

namespace
{

// A 3x2 frame stored with a pitch of 5 pixels, padding filled with a marker that must not be
// copied.
struct PaddedFrame
{
    static constexpr std::uint32_t Padding = 0xDEADBEEF;
    std::vector<std::uint32_t> words = std::vector<std::uint32_t>(10, Padding);

    explicit PaddedFrame(std::uint32_t seed)
    {
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                words[std::size_t(y) * 5 + std::size_t(x)] = seed + std::uint32_t(10 * y + x);
    }
    FrameView View() const { return FrameView{words.data(), 3, 2, 5 * 4}; }
};

} // namespace

TEST(FramePipeline, OneWorkerGetsPackedCopiesInOrder)
{
    std::vector<std::size_t> order;
    std::vector<std::vector<std::uint32_t>> seen;
    FramePipeline pipeline(3, 2, 1, 2,
                           [&](const FrameImage& frame, std::size_t index)
                           {
                               order.push_back(index);
                               seen.push_back(frame.pixels);
                           });
    for (std::uint32_t i = 0; i < 20; ++i)
        pipeline.Submit(PaddedFrame(1000 * i).View(), i);
    pipeline.Finish();

    ASSERT_EQ(order.size(), 20u);
    for (std::size_t i = 0; i < 20; ++i)
    {
        EXPECT_EQ(order[i], i);
        const std::uint32_t seed = 1000 * std::uint32_t(i);
        EXPECT_EQ(seen[i], (std::vector<std::uint32_t>{seed, seed + 1, seed + 2, seed + 10,
                                                       seed + 11, seed + 12}));
    }
}

TEST(FramePipeline, BuffersAreAllocatedOnceAndReused)
{
    std::mutex mutex;
    std::set<const std::uint32_t*> buffers;
    FramePipeline pipeline(3, 2, 2, 3,
                           [&](const FrameImage& frame, std::size_t)
                           {
                               std::lock_guard lock(mutex);
                               buffers.insert(frame.pixels.data());
                           });
    for (std::size_t i = 0; i < 100; ++i)
        pipeline.Submit(PaddedFrame(7).View(), i);
    pipeline.Finish();
    EXPECT_LE(buffers.size(), 3u);
}

TEST(FramePipeline, EveryFrameIsConsumedOnceBySeveralWorkers)
{
    std::mutex mutex;
    std::multiset<std::size_t> indices;
    FramePipeline pipeline(3, 2, 4, 6,
                           [&](const FrameImage&, std::size_t index)
                           {
                               std::lock_guard lock(mutex);
                               indices.insert(index);
                           });
    for (std::size_t i = 0; i < 200; ++i)
        pipeline.Submit(PaddedFrame(1).View(), i);
    pipeline.Finish();
    ASSERT_EQ(indices.size(), 200u);
    for (std::size_t i = 0; i < 200; ++i)
        EXPECT_EQ(indices.count(i), 1u) << i;
}

TEST(FramePipeline, RendererWaitsWhileEveryBufferIsBusy)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    FramePipeline pipeline(3, 2, 1, 2, [&](const FrameImage&, std::size_t) { released.wait(); });
    const PaddedFrame frame(5);
    pipeline.Submit(frame.View(), 0); // taken by the worker, which waits
    pipeline.Submit(frame.View(), 1); // the second and last buffer
    auto third = std::async(std::launch::async, [&] { pipeline.Submit(frame.View(), 2); });
    EXPECT_EQ(third.wait_for(200ms), std::future_status::timeout);
    release.set_value();
    EXPECT_EQ(third.wait_for(10s), std::future_status::ready);
    third.get();
    pipeline.Finish();
}

TEST(FramePipeline, AWorkerFailureStopsTheRunAndReachesTheRenderer)
{
    std::atomic<int> consumed = 0;
    FramePipeline pipeline(3, 2, 1, 2,
                           [&](const FrameImage&, std::size_t index)
                           {
                               if (index == 3)
                                   throw CaptureError("disk full");
                               ++consumed;
                           });
    std::string reason;
    try
    {
        for (std::size_t i = 0; i < 1000; ++i)
            pipeline.Submit(PaddedFrame(1).View(), i);
        pipeline.Finish();
    }
    catch (const CaptureError& error)
    {
        reason = error.what();
    }
    EXPECT_EQ(reason, "disk full");
    // Frames after the failure are dropped, not consumed.
    EXPECT_EQ(consumed.load(), 3);
}

TEST(FramePipeline, DestroyingWithoutFinishDropsQueuedFrames)
{
    std::promise<void> started, release;
    std::shared_future<void> begun = started.get_future().share();
    std::shared_future<void> released = release.get_future().share();
    // Lets the worker go on well after the pipeline has begun to shut down.
    auto releaser = std::async(std::launch::async,
                               [&]
                               {
                                   begun.wait();
                                   std::this_thread::sleep_for(300ms);
                                   release.set_value();
                               });
    std::atomic<int> consumed = 0;
    {
        FramePipeline pipeline(3, 2, 1, 3,
                               [&](const FrameImage&, std::size_t index)
                               {
                                   if (index == 0)
                                       started.set_value();
                                   released.wait();
                                   ++consumed;
                               });
        for (std::size_t i = 0; i < 3; ++i)
            pipeline.Submit(PaddedFrame(1).View(), i);
        begun.wait(); // the worker holds frame 0; frames 1 and 2 wait in the queue
    }
    releaser.get();
    EXPECT_EQ(consumed.load(), 1);
}
