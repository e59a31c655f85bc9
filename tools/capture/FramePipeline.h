// Hands finished frames from the rendering thread to worker threads through a fixed set of
// frame buffers, so that encoding overlaps rendering and nothing is allocated per frame.
#pragma once

#include "tools/session/ShowSession.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace capture
{

// A copy of a frame, rows packed without padding (pitch = 4 * width).
struct FrameImage
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Copies `frame` into `image`, whose buffer must already hold width * height pixels.
void CopyFrame(const session::FrameView& frame, FrameImage& image);

// A bounded queue of frame copies consumed by worker threads. With one worker, frames are
// consumed in the order they were submitted.
class FramePipeline
{
  public:
    // Called on a worker thread for every submitted frame, with the number it was submitted
    // under. A CaptureError (or any exception) stops the pipeline; Submit or Finish rethrows it.
    using Consumer = std::function<void(const FrameImage& frame, std::size_t index)>;

    // Allocates `buffers` frames of width x height up front and starts `workers` threads.
    // Throws CaptureError naming the system's reason, the threads it started joined, when
    // one cannot start.
    FramePipeline(int width, int height, unsigned workers, unsigned buffers, Consumer consume);
    // Drops frames not yet consumed and stops the workers (after a failure or interruption).
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    // Copies the frame into a free buffer, waiting while all are in use, and queues it.
    // Rethrows the first failure of a worker.
    void Submit(const session::FrameView& frame, std::size_t index);

    // Waits until every queued frame is consumed and stops the workers. Rethrows the first
    // failure of a worker.
    void Finish();

    // How long Submit has waited for a free buffer in all: the time the consumers set the pace.
    double WaitedSeconds() const { return waitedNanoseconds_.load() * 1e-9; }

  private:
    struct Job
    {
        std::size_t buffer;
        std::size_t index;
    };

    void Work();
    void Stop(bool dropQueued);

    Consumer consume_;
    std::vector<FrameImage> buffers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::size_t> free_;
    std::deque<Job> queued_;
    bool closing_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
    std::atomic<std::int64_t> waitedNanoseconds_{0};
};

// Worker threads for encoding pictures: every processor, at least 1 and at most 8. The
// renderer waits whenever the buffers are full, so it does not need a processor of its own.
unsigned EncoderThreads();

} // namespace capture
