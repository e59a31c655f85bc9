#include "tools/capture/FramePipeline.h"

#include "tools/capture/CaptureError.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstring>
#include <system_error>

namespace capture
{

void CopyFrame(const session::FrameView& frame, FrameImage& image)
{
    assert(image.pixels.size() == std::size_t(frame.width) * std::size_t(frame.height));
    image.width = frame.width;
    image.height = frame.height;
    const auto* source = reinterpret_cast<const unsigned char*>(frame.pixels);
    const std::size_t rowBytes = std::size_t(frame.width) * sizeof(std::uint32_t);
    for (int y = 0; y < frame.height; ++y)
    {
        std::memcpy(image.pixels.data() + std::size_t(y) * std::size_t(frame.width),
                    source + y * frame.pitch, rowBytes);
    }
}

FramePipeline::FramePipeline(int width, int height, unsigned workers, unsigned buffers,
                             Consumer consume)
    : consume_(std::move(consume)), buffers_(std::max(buffers, 1u))
{
    for (std::size_t i = 0; i < buffers_.size(); ++i)
    {
        buffers_[i].width = width;
        buffers_[i].height = height;
        buffers_[i].pixels.assign(std::size_t(width) * std::size_t(height), 0);
        free_.push_back(i);
    }
    try
    {
        for (unsigned i = 0; i < std::max(workers, 1u); ++i)
            workers_.emplace_back([this] { Work(); });
    }
    // The system refused a thread (a process limit, too little address space) or the memory
    // for one: the workers started so far end before the constructor gives up.
    catch (const std::system_error& failure)
    {
        Stop(true);
        throw CaptureError(std::string("cannot start a thread to encode frames: ") +
                           failure.code().message());
    }
    catch (...)
    {
        Stop(true);
        throw;
    }
}

FramePipeline::~FramePipeline()
{
    Stop(true);
}

void FramePipeline::Submit(const session::FrameView& frame, std::size_t index)
{
    std::size_t buffer = 0;
    {
        std::unique_lock lock(mutex_);
        if (free_.empty() && !failure_)
        {
            const auto start = std::chrono::steady_clock::now();
            changed_.wait(lock, [this] { return !free_.empty() || failure_; });
            waitedNanoseconds_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count();
        }
        if (failure_)
            std::rethrow_exception(failure_);
        buffer = free_.back();
        free_.pop_back();
    }
    // The buffer belongs to this thread until it is queued.
    CopyFrame(frame, buffers_[buffer]);
    {
        std::lock_guard lock(mutex_);
        queued_.push_back(Job{buffer, index});
    }
    changed_.notify_all();
}

void FramePipeline::Finish()
{
    Stop(false);
    std::lock_guard lock(mutex_);
    if (failure_)
        std::rethrow_exception(failure_);
}

void FramePipeline::Stop(bool dropQueued)
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        if (dropQueued)
        {
            for (const Job& job : queued_)
                free_.push_back(job.buffer);
            queued_.clear();
        }
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
    {
        if (worker.joinable())
            worker.join();
    }
}

void FramePipeline::Work()
{
    std::unique_lock lock(mutex_);
    while (true)
    {
        changed_.wait(lock, [this] { return !queued_.empty() || closing_; });
        if (queued_.empty())
            return; // closing, and nothing left to do
        const Job job = queued_.front();
        queued_.pop_front();
        if (!failure_)
        {
            lock.unlock();
            try
            {
                consume_(buffers_[job.buffer], job.index);
            }
            catch (...)
            {
                lock.lock();
                if (!failure_)
                    failure_ = std::current_exception();
                lock.unlock();
            }
            lock.lock();
        }
        free_.push_back(job.buffer);
        changed_.notify_all();
    }
}

unsigned EncoderThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

} // namespace capture
