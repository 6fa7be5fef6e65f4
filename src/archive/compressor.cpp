#include "archive/compressor.h"

#include "core/error.h"

#include <lzo/lzo1x.h>

namespace tess::archive {
namespace {

// Chunks in flight per thread: enough to keep every worker busy while the oldest chunk
// waits to be written.
constexpr std::size_t kSlotsPerThread = 4;

} // namespace

void compressChunk(ChunkJob& job, std::vector<unsigned char>& workMemory) {
    job.outputSize = 0;
    if (job.count == 0 || job.inputSize == 0)
        return;
    workMemory.resize(LZO1X_999_MEM_COMPRESS);
    // LZO's bound for incompressible input.
    job.output.resize(job.inputSize + job.inputSize / 16 + 64 + 3);
    lzo_uint outputSize = job.output.size();
    const int result = lzo1x_999_compress(job.input.data(), job.inputSize, job.output.data(),
                                          &outputSize, workMemory.data());
    if (result != LZO_E_OK)
        throw Error("LZO-Komprimierung fehlgeschlagen (Fehler " + std::to_string(result) + ")");
    job.outputSize = outputSize;
}

ChunkCompressor::ChunkCompressor(unsigned threads, Writer writer) : writer_(std::move(writer)) {
    if (threads == 0)
        threads = 1;
    slots_.resize(kSlotsPerThread * threads);
    done_.assign(slots_.size(), 0);
    if (threads > 1)
        for (unsigned i = 0; i < threads; ++i)
            workers_.emplace_back([this] { work(); });
}

ChunkCompressor::~ChunkCompressor() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

ChunkJob& ChunkCompressor::next() {
    if (tail_ - head_ == slots_.size())
        writeOldest();
    return slots_[tail_ % slots_.size()];
}

void ChunkCompressor::submit() {
    const std::size_t slot = tail_ % slots_.size();
    if (workers_.empty()) {
        compressChunk(slots_[slot], ownWorkMemory_);
        done_[slot] = 1;
        ++tail_;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        done_[slot] = 0;
        ++tail_;
    }
    workReady_.notify_one();
}

void ChunkCompressor::finish() {
    while (head_ < tail_)
        writeOldest();
}

void ChunkCompressor::writeOldest() {
    const std::size_t slot = head_ % slots_.size();
    if (!workers_.empty()) {
        std::unique_lock lock(mutex_);
        chunkDone_.wait(lock, [&] { return done_[slot] != 0 || failure_; });
        if (failure_)
            std::rethrow_exception(failure_);
    }
    writer_(slots_[slot]);
    ++head_;
}

void ChunkCompressor::work() {
    std::vector<unsigned char> workMemory;
    for (;;) {
        std::uint64_t chunk = 0;
        {
            std::unique_lock lock(mutex_);
            workReady_.wait(lock, [&] { return stop_ || nextWork_ < tail_; });
            if (stop_)
                return;
            chunk = nextWork_++;
        }
        const std::size_t slot = chunk % slots_.size();
        try {
            compressChunk(slots_[slot], workMemory);
        } catch (...) {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            done_[slot] = 1;
        }
        chunkDone_.notify_all();
    }
}

} // namespace tess::archive
