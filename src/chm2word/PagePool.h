#pragma once
// The per-page work of reading a help file back, spread over the processor's cores. Pages go
// in chunks: the calling thread announces each page of a chunk (the progress report, which may
// throw to cancel), the chunk's pages are worked on at once, then the calling thread finishes
// them one by one in page order (whatever must stay serial: writing files, asking the user,
// adding to shared lists). A cancel therefore stops within one chunk's time, before anything
// of that chunk is written, and every result comes out in the same order as page by page.
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrel {

class TPagePool
{
public:
    // threads: 0 for as many as the processor runs at once; 1 (or a processor of one core)
    // does everything on the calling thread, page by page.
    explicit TPagePool(int threads = 0);
    ~TPagePool();
    TPagePool(const TPagePool &) = delete;
    TPagePool &operator=(const TPagePool &) = delete;

    // Whether work runs on more than the calling thread.
    bool Parallel() const { return m_threads > 1; }

    struct TSteps
    {
        std::function<void(int)> announce; // calling thread, in order, before the page's work
        std::function<void(int)> work;     // any thread; must touch only what is the page's own
        // Calling thread, in order, after the page's work. Returns true when it wrote something
        // the work of the pages after it may have read (they are worked on again).
        std::function<bool(int)> finish;
        // The latest earlier page whose finish this page's work must see, or -1: the chunk then
        // ends before this page.
        std::function<int(int)> dependsOn;
    };
    // Every page of [0, count): announce, work, finish. Few pages, or one thread: page by page.
    void Run(int count, const TSteps &steps);
    // work(k) for every k of [0, count) on all threads; returns when all are done. An exception
    // thrown by the work is thrown again here once the others have stopped.
    void ForAll(int count, const std::function<void(int)> &work);

    // Pages per chunk, and the fewest pages worth the threads.
    static constexpr int kChunk = 64;
    static constexpr int kFewest = 32;

private:
    struct TShared;
    void Worker();
    void Take(const std::function<void(int)> &work);

    int m_threads = 1;
    std::unique_ptr<TShared> m_shared;
    std::vector<std::thread> m_workers;
};

} // namespace tavrel
