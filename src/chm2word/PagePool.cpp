#include "chm2word/PagePool.h"

#include <QThread>

#include <atomic>

namespace tavrel {

// Rounds are handed over with atomics and their waits (futexes): a round starts when round
// changes and ends when running reaches 0. The mutex only guards the first error.
struct TPagePool::TShared
{
    std::mutex m;
    const std::function<void(int)> *work = nullptr;
    int count = 0;
    std::atomic<int> next{0};
    std::atomic<int> running{0}; // workers still in the current round
    std::atomic<int> round{0};   // each ForAll is one round every worker takes part in
    std::atomic<bool> stop{false};
    std::exception_ptr error;    // the first one thrown in the round
};

TPagePool::TPagePool(int threads) : m_shared(std::make_unique<TShared>())
{
    m_threads = threads > 0 ? threads : QThread::idealThreadCount();
    if (m_threads < 1)
        m_threads = 1;
}

TPagePool::~TPagePool()
{
    m_shared->stop = true;
    m_shared->round.fetch_add(1);
    m_shared->round.notify_all();
    for (std::thread &t : m_workers)
        t.join();
}

void TPagePool::Take(const std::function<void(int)> &work)
{
    TShared &s = *m_shared;
    for (;;) {
        const int k = s.next.fetch_add(1);
        if (k >= s.count)
            return;
        try {
            work(k);
        } catch (...) {
            std::lock_guard l(s.m);
            if (!s.error)
                s.error = std::current_exception();
            s.next = s.count; // the others stop at their next page
        }
    }
}

void TPagePool::Worker()
{
    TShared &s = *m_shared;
    int seen = 0;
    for (;;) {
        s.round.wait(seen);
        if (s.stop)
            return;
        seen = s.round.load();
        Take(*s.work);
        if (s.running.fetch_sub(1) == 1)
            s.running.notify_all();
    }
}

void TPagePool::ForAll(int count, const std::function<void(int)> &work)
{
    if (!Parallel() || count < 2) {
        for (int k = 0; k < count; ++k)
            work(k);
        return;
    }
    TShared &s = *m_shared;
    // Started at the first parallel round and kept for the pool's life: a round costs a wake-up,
    // not a thread.
    while (int(m_workers.size()) < m_threads - 1)
        m_workers.emplace_back([this] { Worker(); });
    s.work = &work;
    s.count = count;
    s.next = 0;
    s.error = nullptr;
    s.running = int(m_workers.size());
    s.round.fetch_add(1); // publishes the round's fields to the workers
    s.round.notify_all();
    Take(work);
    for (int left = s.running.load(); left != 0; left = s.running.load())
        s.running.wait(left);
    s.work = nullptr;
    if (s.error)
        std::rethrow_exception(s.error);
}

void TPagePool::Run(int count, const TSteps &steps)
{
    if (!Parallel() || count < kFewest) {
        for (int k = 0; k < count; ++k) {
            steps.announce(k);
            steps.work(k);
            steps.finish(k);
        }
        return;
    }
    int k = 0;
    bool announced = false; // page k was announced and ended the chunk before it
    while (k < count) {
        const int from = k;
        while (k < count && k - from < kChunk) {
            if (!announced)
                steps.announce(k);
            announced = false;
            if (k > from && steps.dependsOn && steps.dependsOn(k) >= from) {
                announced = true;
                break;
            }
            ++k;
        }
        const int to = k;
        ForAll(to - from, [&](int i) { steps.work(from + i); });
        for (int j = from; j < to; ++j)
            if (steps.finish(j) && j + 1 < to)
                ForAll(to - j - 1, [&](int i) { steps.work(j + 1 + i); });
    }
}

} // namespace tavrel
