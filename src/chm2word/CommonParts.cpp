#include "chm2word/Distiller.h"

#include "chm2word/PagePool.h"

#include "text/Round.h"
#include "text/functions.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <unordered_set>

// The passes that find the header and footer the pages share. The grouped passes give exactly
// what the pairwise ones give; the tests and the fuzz target compare them.
namespace tavrel {

int CommonThreshold(int n) { return int(RoundHalfEven(n * 0.8)); }

bool IsSimilarLowered(const QString &la, const QString &lb)
{
    if (la.isEmpty() || lb.isEmpty())
        return false;
    if (la == lb)
        return true;
    if (la.size() <= 4 || lb.size() <= 4 || std::abs(la.size() - lb.size()) >= 51)
        return false;
    const QString &s = la.size() <= lb.size() ? la : lb;
    const QString &t = la.size() <= lb.size() ? lb : la;
    const qsizetype sn = s.size(), tn = t.size();
    const QChar *sp = s.constData();
    const QChar *tp = t.constData();
    qsizetype p = 0, k = 0, resume = 0, run = 0, total = 0;
    while (p < sn) {
        if (k < tn && sp[p] == tp[k]) {
            ++run;
            ++p;
            resume = k + 1;
        } else {
            if (run > 2)
                total += run;
            run = 0;
            // Every later match takes one more character of s: once even all of them cannot
            // lift the total past four fifths, the answer is known.
            if (!(double(total + sn - p) / double(sn) > 0.8))
                return false;
        }
        ++k;
        if (k >= tn) {
            ++p;
            k = resume;
        }
    }
    if (run > 2)
        total += run;
    return double(total) / double(sn) > 0.8;
}

namespace {

// The current blocks of all pages grouped by their lower-cased text, with the lengths indexed,
// so that a block is compared only with the distinct texts that can be similar to it. Two
// texts that are equal once lower-cased are always similar; others only when both are longer
// than four characters, their lengths differ by at most 50, and enough of their characters
// agree for the count of matching runs to pass four fifths of the shorter one.
class TBlockIndex
{
public:
    static constexpr int kSignatureBits = 12;
    static constexpr int kSignatureWords = (1 << kSignatureBits) / 64;
    static constexpr int kBucketBits = 20;
    struct TGroup
    {
        int Id = 0;
        QString Lower;
        int Length = 0;
        std::vector<int> Members;
        int CountN = 0; // members among the first n pages
        std::array<int, 32> Histogram{};
        // Per piece position, its three-character piece hashed: the top bits pick the bit of
        // the signature, the low ones the piece's bucket of counts.
        std::vector<quint32> PieceHash;
        // A bit clear in another text's signature proves the piece absent from it.
        std::array<quint64, kSignatureWords> Signature{};
        // The distinct buckets of the text's pieces, counted once for each of its pages.
        std::vector<quint32> Buckets;
        bool PiecesDone = false; // the three above are worked out (WithPieces)
        // The text's distinct pieces, sorted, and for each piece position the rank of its piece
        // among them: only for the exact coverage of a pair, so worked out when first asked.
        std::vector<quint64> Pieces;
        std::vector<int> PieceRank;
    };

    TBlockIndex(const std::vector<TChmTopicFile *> &pages, int n) : m_pages(pages), m_n(n)
    {
        m_group.assign(pages.size(), nullptr);
        m_slot.assign(pages.size(), -1);
        for (size_t k = 0; k < pages.size(); ++k)
            Insert(int(k));
    }

    void Update(int k)
    {
        Remove(k);
        Insert(k);
    }

    bool Common(int j, int need)
    {
        TGroup *g = m_group[size_t(j)];
        if (!g)
            return false;
        int count = g->CountN - (j < m_n ? 1 : 0);
        if (count >= need)
            return true;
        if (g->Length <= 4)
            return false;
        int remaining = WindowCountN(g->Length) - g->CountN;
        if (count + remaining < need)
            return false;
        if (!SharedPiecesAllow(g, need - count, remaining))
            return false;
        bool common = false;
        ForWindow(g, [&](TGroup *other) {
            if (other->CountN == 0)
                return true;
            remaining -= other->CountN;
            if (Similar(g, other))
                count += other->CountN;
            if (count >= need) {
                common = true;
                return false;
            }
            return count + remaining >= need;
        });
        return common;
    }

    // Every page other than j whose block is similar to j's.
    std::vector<int> SimilarPages(int j)
    {
        std::vector<int> out;
        TGroup *g = m_group[size_t(j)];
        if (!g)
            return out;
        for (int m : g->Members)
            if (m != j)
                out.push_back(m);
        if (g->Length > 4)
            ForWindow(g, [&](TGroup *other) {
                if (Similar(g, other))
                    out.insert(out.end(), other->Members.begin(), other->Members.end());
                return true;
            });
        return out;
    }

private:
    // Calls f for every other group whose length can match g's until f returns false.
    template <typename F>
    void ForWindow(TGroup *g, F f)
    {
        for (auto it = m_byLength.lower_bound(std::max(5, g->Length - 50)); it != m_byLength.end() && it->first <= g->Length + 50; ++it)
            for (TGroup *other : it->second)
                if (other != g && !f(other))
                    return;
    }

    // The smallest count of matching characters that passes the rule for a shorter length m.
    static int MinMatched(int m)
    {
        int c = int(0.8 * m);
        while (!(double(c) / double(m) > 0.8))
            ++c;
        while (c > 0 && double(c - 1) / double(m) > 0.8)
            --c;
        return c;
    }

    // Whether others (among the first n pages, outside g, within g's length window) can hold
    // `wanted` pages similar to g, judged from how many pages hold each piece of g, without
    // looking at any of them. The matching runs of a similar pair are common substrings of
    // three or more characters, so they lie in g under pieces of g that the other text holds
    // too: every similar page covers at least MinMatched(shorter length) characters of g with
    // such pieces. Summed over pages, that asks for at least `least` below; summed over g's
    // characters, the pages holding a piece over a character are at most the pages holding
    // each of its (up to three) pieces. When that falls short, g is not common. Per call
    // linear in g's length, where comparing asks for a fifth of the window's pages.
    //
    // Pages are counted per bucket of pieces, not per piece: a page holding any piece of a
    // bucket counts once in it. A bucket's count is then at least the pages holding any one of
    // its pieces, or several of them, so pieces over a character that share a bucket are
    // counted once and the sum stays an upper bound.
    bool SharedPiecesAllow(TGroup *g, int wanted, int others)
    {
        CountPieces();
        WithPieces(g);
        qint64 least = 0;
        int taken = 0;
        // The shortest similar pages ask least of g.
        for (auto it = m_countNByLength.lower_bound(std::max(5, g->Length - 50));
             it != m_countNByLength.end() && it->first <= g->Length + 50 && taken < wanted; ++it) {
            const int count = std::min(it->second - (it->first == g->Length ? g->CountN : 0), wanted - taken);
            least += qint64(count) * MinMatched(std::min(g->Length, it->first));
            taken += count;
        }
        const int positions = int(g->PieceHash.size());
        m_holders.resize(size_t(positions));
        for (int q = 0; q < positions; ++q)
            m_holders[size_t(q)] = m_bucketPages[Bucket(g->PieceHash[size_t(q)])] - g->CountN;
        qint64 most = 0;
        for (int x = 0; x < g->Length; ++x) {
            // The distinct buckets at positions x-2, x-1 and x.
            qint64 sum = 0;
            for (int q = std::max(0, x - 2); q <= std::min(x, positions - 1); ++q) {
                bool repeated = false;
                for (int r = std::max(0, x - 2); r < q; ++r)
                    repeated = repeated || Bucket(g->PieceHash[size_t(r)]) == Bucket(g->PieceHash[size_t(q)]);
                if (!repeated)
                    sum += m_holders[size_t(q)];
            }
            most += std::min<qint64>(sum, others);
            if (most >= least)
                return true;
        }
        return false;
    }

    int WindowCountN(int length) const
    {
        int sum = 0;
        for (auto it = m_countNByLength.lower_bound(std::max(5, length - 50)); it != m_countNByLength.end() && it->first <= length + 50; ++it)
            sum += it->second;
        return sum;
    }

    bool Similar(TGroup *a, TGroup *b)
    {
        const int shorter = std::min(a->Length, b->Length);
        int bound = 0;
        for (size_t k = 0; k < 32; ++k)
            bound += std::min(a->Histogram[k], b->Histogram[k]);
        if (!(double(bound) / double(shorter) > 0.8))
            return false;
        WithPieces(a);
        WithPieces(b);
        if (!SignatureAllows(a->Length <= b->Length ? *a : *b, a->Length <= b->Length ? *b : *a))
            return false;
        // Ordered: of two texts of one length the rule reads the first as the shorter.
        const quint64 key = (quint64(quint32(a->Id)) << 32) | quint32(b->Id);
        auto it = m_memo.find(key);
        if (it != m_memo.end())
            return it->second;
        const bool similar = CoverageAllows(*WithSortedPieces(a->Length <= b->Length ? a : b), *WithSortedPieces(a->Length <= b->Length ? b : a))
                             && IsSimilarLowered(a->Lower, b->Lower);
        m_memo.emplace(key, similar);
        return similar;
    }

    // The coverage bound below with the pieces of t taken from its signature: a superset of
    // them, so never tighter than the exact bound, but a bit test per position of s where the
    // exact bound merges two sorted lists. Texts of about one length from one vocabulary pass
    // the letter counts and the length window together; this is what turns most of them away.
    static bool SignatureAllows(const TGroup &s, const TGroup &t)
    {
        // The same division as the rule's, so that rounding can never turn a similar pair away.
        const double sn = double(s.Length);
        int covered = 0, end = 0;
        const int count = int(s.PieceHash.size());
        for (int q = 0; q < count; ++q) {
            const quint32 bit = s.PieceHash[size_t(q)] >> (32 - kSignatureBits);
            if ((t.Signature[bit >> 6] >> (bit & 63)) & 1) {
                covered += q + 3 - std::max(q, end);
                end = q + 3;
            } else if (!(double(covered + s.Length - std::max(end, q + 1)) / sn > 0.8)) {
                // Character q is covered only by earlier pieces; at best every later one is.
                return false;
            }
        }
        return double(covered) / sn > 0.8;
    }

    // Every character the similarity counts lies in a run of three or more that the shorter
    // text s and the longer t share, so a piece of three characters of s covering it is also
    // in t. Unless such pieces cover more than four fifths of s, the texts are not similar.
    // Linear in the two lengths, where the similarity itself can take their product.
    bool CoverageAllows(const TGroup &s, const TGroup &t)
    {
        m_held.assign(s.Pieces.size(), 0);
        size_t k = 0;
        for (size_t i = 0; i < s.Pieces.size(); ++i) {
            while (k < t.Pieces.size() && t.Pieces[k] < s.Pieces[i])
                ++k;
            if (k == t.Pieces.size())
                break;
            m_held[i] = t.Pieces[k] == s.Pieces[i];
        }
        int covered = 0, end = 0;
        for (size_t q = 0; q < s.PieceRank.size(); ++q)
            if (m_held[size_t(s.PieceRank[q])]) {
                covered += int(q) + 3 - std::max(int(q), end);
                end = int(q) + 3;
            }
        return double(covered) / double(s.Length) > 0.8;
    }

    void Insert(int k)
    {
        const QString &text = m_pages[size_t(k)]->Text;
        if (text.isEmpty())
            return;
        const QString lower = text.toLower();
        auto &slot = m_groups[lower];
        if (!slot) {
            slot = std::make_unique<TGroup>();
            slot->Id = m_nextId++;
            slot->Lower = lower;
            slot->Length = int(lower.size());
            for (QChar c : lower)
                ++slot->Histogram[c.unicode() & 31];
            if (slot->Length > 4)
                m_byLength[slot->Length].insert(slot.get());
        }
        TGroup *g = slot.get();
        m_group[size_t(k)] = g;
        m_slot[size_t(k)] = int(g->Members.size());
        g->Members.push_back(k);
        if (k < m_n) {
            ++g->CountN;
            if (g->Length > 4) {
                ++m_countNByLength[g->Length];
                if (m_piecesCounted)
                    for (quint32 bucket : WithPieces(g)->Buckets)
                        ++m_bucketPages[bucket];
            }
        }
    }

    // The pieces of a text longer than four characters, worked out when first asked for: most
    // blocks are turned away by their length window alone and never need them.
    TGroup *WithPieces(TGroup *g)
    {
        if (g->PiecesDone || g->Length <= 4)
            return g;
        g->PiecesDone = true;
        const int count = g->Length - 2;
        g->PieceHash.resize(size_t(count));
        if (m_bucketSeen.empty())
            m_bucketSeen.assign(size_t(1) << kBucketBits, 0);
        ++m_stamp;
        for (int q = 0; q < count; ++q) {
            const auto hash = quint32((PieceAt(g->Lower, q) * 0x9E3779B97F4A7C15ULL) >> 32);
            g->PieceHash[size_t(q)] = hash;
            const quint32 bit = hash >> (32 - kSignatureBits);
            g->Signature[bit >> 6] |= quint64(1) << (bit & 63);
            const quint32 bucket = Bucket(hash);
            if (m_bucketSeen[bucket] != m_stamp) {
                m_bucketSeen[bucket] = m_stamp;
                g->Buckets.push_back(bucket);
            }
        }
        return g;
    }

    // The distinct pieces and their ranks for the exact coverage of a pair.
    static TGroup *WithSortedPieces(TGroup *g)
    {
        if (!g->Pieces.empty() || g->Length <= 4)
            return g;
        const int count = g->Length - 2;
        // One sort of (piece, position) gives both the distinct pieces and each position's
        // rank, where a search per position would cost a second sort's worth.
        std::vector<std::pair<quint64, int>> sorted(static_cast<size_t>(count));
        for (int q = 0; q < count; ++q)
            sorted[size_t(q)] = {PieceAt(g->Lower, q), q};
        std::sort(sorted.begin(), sorted.end());
        g->PieceRank.assign(size_t(count), 0);
        g->Pieces.reserve(size_t(count));
        for (const auto &[p, q] : sorted) {
            if (g->Pieces.empty() || g->Pieces.back() != p)
                g->Pieces.push_back(p);
            g->PieceRank[size_t(q)] = int(g->Pieces.size()) - 1;
        }
        return g;
    }

    static quint32 Bucket(quint32 hash) { return hash & ((quint32(1) << kBucketBits) - 1); }

    // The three characters at q as one number.
    static quint64 PieceAt(const QString &text, int q)
    {
        const char16_t *u = reinterpret_cast<const char16_t *>(text.constData()) + q;
        return (quint64(u[0]) << 32) | (quint64(u[1]) << 16) | u[2];
    }

    // Starts counting the pages per piece, from the blocks the pages are at now; from then on
    // Insert and Remove keep the counts.
    void CountPieces()
    {
        if (m_piecesCounted)
            return;
        m_piecesCounted = true;
        m_bucketPages.assign(size_t(1) << kBucketBits, 0);
        for (auto &[lower, g] : m_groups)
            if (g->Length > 4 && g->CountN > 0)
                for (quint32 bucket : WithPieces(g.get())->Buckets)
                    m_bucketPages[bucket] += g->CountN;
    }

    void Remove(int k)
    {
        TGroup *g = m_group[size_t(k)];
        if (!g)
            return;
        const int at = m_slot[size_t(k)];
        const int last = g->Members.back();
        g->Members[size_t(at)] = last;
        m_slot[size_t(last)] = at;
        g->Members.pop_back();
        m_group[size_t(k)] = nullptr;
        m_slot[size_t(k)] = -1;
        if (k < m_n) {
            --g->CountN;
            if (g->Length > 4) {
                if (--m_countNByLength[g->Length] == 0)
                    m_countNByLength.erase(g->Length);
                if (m_piecesCounted)
                    for (quint32 bucket : g->Buckets)
                        --m_bucketPages[bucket];
            }
        }
        if (g->Members.empty()) {
            if (g->Length > 4) {
                auto it = m_byLength.find(g->Length);
                it->second.erase(g);
                if (it->second.empty())
                    m_byLength.erase(it);
            }
            m_groups.erase(g->Lower);
        }
    }

    struct THash
    {
        size_t operator()(const QString &s) const { return qHash(s); }
    };

    const std::vector<TChmTopicFile *> &m_pages;
    const int m_n;
    std::vector<TGroup *> m_group;
    std::vector<int> m_slot;
    std::unordered_map<QString, std::unique_ptr<TGroup>, THash> m_groups;
    std::map<int, std::unordered_set<TGroup *>> m_byLength;
    std::map<int, int> m_countNByLength;
    std::unordered_map<quint64, bool> m_memo;
    // Per bucket of three-character pieces, the pages among the first n whose block holds a
    // piece of it; and per bucket, the text that last listed it (against listing it twice).
    std::vector<int> m_bucketPages;
    std::vector<quint32> m_bucketSeen;
    quint32 m_stamp = 0;
    bool m_piecesCounted = false;
    std::vector<qint64> m_holders;
    std::vector<char> m_held;
    int m_nextId = 0;
};

// Calls work(k) for every k of [0, count), on the pool's threads when there are enough.
using TForAll = std::function<void(int count, const std::function<void(int)> &work)>;

// One pass: while a page's block is common, it and every page whose block is similar move on
// to their next block. Each page's move touches that page only, so the pages that move
// together move at once; the index takes them in the order they were listed.
void CommonLoop(const std::vector<TChmTopicFile *> &pages, int n, void (TChmTopicFile::*next)(), const std::function<void(int)> &step,
                const TForAll &forAll)
{
    // Counting never reaches a threshold of 0; without this guard a list without contents
    // pages would call every block common forever.
    const int need = std::max(1, CommonThreshold(n));
    TBlockIndex index(pages, n);
    for (int j = 0; j < int(pages.size()); ++j) {
        if (step)
            step(j);
        while (index.Common(j, need)) {
            std::vector<int> moving = index.SimilarPages(j);
            moving.push_back(j);
            forAll(int(moving.size()), [&](int m) { (pages[size_t(moving[size_t(m)])]->*next)(); });
            for (int k : moving)
                index.Update(k);
        }
    }
}

// The pairwise procedure as it reads: every page's block against every other page's block.
void PairwiseLoop(const std::vector<TChmTopicFile *> &pages, int n, void (TChmTopicFile::*next)(), const std::function<void(int)> &,
                  const TForAll &)
{
    const int need = std::max(1, CommonThreshold(n));
    auto common = [&](int j) {
        int count = 0;
        for (int k = 0; k < n; ++k)
            if (k != j && IsSimilarText(pages[size_t(j)]->Text, pages[size_t(k)]->Text) && ++count >= need)
                return true;
        return false;
    };
    for (int j = 0; j < int(pages.size()); ++j)
        while (common(j)) {
            for (int k = 0; k < int(pages.size()); ++k)
                if (k != j && IsSimilarText(pages[size_t(j)]->Text, pages[size_t(k)]->Text))
                    (pages[size_t(k)]->*next)();
            (pages[size_t(j)]->*next)();
        }
}

using TCommonLoop = void (*)(const std::vector<TChmTopicFile *> &, int, void (TChmTopicFile::*)(), const std::function<void(int)> &,
                             const TForAll &);

// The passes over the pages' first blocks, their last blocks and, when most pages open with their
// title, the blocks after it; loop finds the blocks the pages share.
void CommonPasses(const std::vector<TChmTopicFile *> &pages, int n, TCommonLoop loop, const TForAll &forAll,
                  const std::function<void(int, int)> &step = {})
{
    n = std::clamp(n, 0, int(pages.size()));
    // One count over the three passes, so that what is shown never goes back; without the
    // title pass the count ends at two thirds.
    const int size = int(pages.size());
    std::function<void(int)> passStep[3];
    for (int pass = 0; pass < 3 && step; ++pass)
        passStep[pass] = [&step, pass, size](int j) { step(pass * size + j, 3 * size); };
    forAll(size, [&](int k) {
        pages[size_t(k)]->StartSearchUp();
        pages[size_t(k)]->SearchUp();
    });
    loop(pages, n, &TChmTopicFile::SearchUp, passStep[0], forAll);
    std::vector<char> title(pages.size());
    forAll(size, [&](int k) {
        pages[size_t(k)]->StartSearchDown();
        pages[size_t(k)]->SearchDown();
    });
    loop(pages, n, &TChmTopicFile::SearchDown, passStep[1], forAll);
    forAll(size, [&](int k) { title[size_t(k)] = pages[size_t(k)]->IsTitle(); });
    const int titles = int(std::count(title.begin(), title.begin() + n, 1));
    if (titles > n * 0.8) {
        forAll(size, [&](int k) {
            TChmTopicFile *p = pages[size_t(k)];
            if (title[size_t(k)])
                p->TitleFound = true;
            p->Title3 = p->Text;
            p->SearchDown();
        });
        loop(pages, n, &TChmTopicFile::SearchDown, passStep[2], forAll);
    }
}

void Serially(int count, const std::function<void(int)> &work)
{
    for (int k = 0; k < count; ++k)
        work(k);
}

} // namespace

void FindCommonParts(const std::vector<TChmTopicFile *> &pages, int n, const std::function<void(int, int)> &step, int threads)
{
    TPagePool pool(int(pages.size()) < TPagePool::kFewest ? 1 : threads);
    CommonPasses(
        pages, n, CommonLoop,
        [&pool](int count, const std::function<void(int)> &work) {
            // Moving a few pages costs less than waking the threads.
            if (count < TPagePool::kFewest)
                Serially(count, work);
            else
                pool.ForAll(count, work);
        },
        step);
}

void FindCommonPartsPairwise(const std::vector<TChmTopicFile *> &pages, int n) { CommonPasses(pages, n, PairwiseLoop, Serially); }

} // namespace tavrel
