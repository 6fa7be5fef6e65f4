// Compresses an archive's chunks on several threads and hands them back in the order they
// were submitted, so the archive's bytes are those of a one-thread pack. Memory stays
// bounded: at most a fixed number of chunks are in flight.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tess::archive {

struct ChunkJob {
    std::size_t entry = 0;   // index of the entry the chunk belongs to
    std::uint32_t index = 0; // chunk number within the entry
    std::uint32_t count = 0; // chunks of the entry; 0 marks an empty file (nothing to do)
    std::vector<unsigned char> input;
    std::size_t inputSize = 0;
    std::vector<unsigned char> output;
    std::size_t outputSize = 0;
};

class ChunkCompressor {
public:
    // Receives each finished chunk, in submission order, on the submitting thread.
    using Writer = std::function<void(const ChunkJob& job)>;

    // threads == 1 compresses on the calling thread; more start that many workers.
    ChunkCompressor(unsigned threads, Writer writer);
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // A free job to fill (writing finished chunks first when all slots are busy).
    ChunkJob& next();
    // Hands the job returned by next() over for compression.
    void submit();
    // Writes every chunk still outstanding.
    void finish();

private:
    void writeOldest();
    void work();

    Writer writer_;
    std::vector<ChunkJob> slots_;
    std::vector<char> done_;
    std::uint64_t head_ = 0;     // oldest chunk not yet written
    std::uint64_t tail_ = 0;     // next chunk to fill
    std::uint64_t nextWork_ = 0; // next chunk a worker takes
    bool stop_ = false;
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable chunkDone_;
    std::vector<unsigned char> ownWorkMemory_;
    std::vector<std::thread> workers_;
};

// Compresses one chunk with LZO1X-999, as the game's packer does.
void compressChunk(ChunkJob& job, std::vector<unsigned char>& workMemory);

} // namespace tess::archive
