#include "platform/GridSort.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <numeric>
#include <system_error>
#include <thread>
#include <vector>

namespace th {

namespace {

unsigned char lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

struct Decimal {
    bool negative = false;
    std::string_view whole;     // without leading zeros
    std::string_view fraction;  // without trailing zeros
};

Decimal parseDecimal(std::string_view text) {
    Decimal d;
    if (text.front() == '+' || text.front() == '-') {
        d.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    std::string_view fraction =
        dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    d.whole = whole;
    d.fraction = fraction;
    if (whole.empty() && fraction.empty()) d.negative = false;  // -0 is 0
    return d;
}

int compareMagnitude(const Decimal& a, const Decimal& b) {
    if (a.whole.size() != b.whole.size()) return a.whole.size() < b.whole.size() ? -1 : 1;
    if (int c = a.whole.compare(b.whole)) return c < 0 ? -1 : 1;
    if (int c = a.fraction.compare(b.fraction)) return c < 0 ? -1 : 1;
    return 0;
}

int compareNumbers(std::string_view a, std::string_view b) {
    Decimal x = parseDecimal(a), y = parseDecimal(b);
    if (x.negative != y.negative) return x.negative ? -1 : 1;
    int c = compareMagnitude(x, y);
    return x.negative ? -c : c;
}

int compareTexts(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = lower(static_cast<unsigned char>(a[i]));
        unsigned char y = lower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    // Equal but for case: order by bytes so the order stays strict.
    int c = std::memcmp(a.data(), b.data(), n);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// A cell with its kind found once, for cells compared many times.
struct Key {
    std::string_view text;
    bool number = false;
};

int compareKeys(const Key& a, const Key& b) {
    if (a.number && b.number) return compareNumbers(a.text, b.text);
    if (a.number != b.number) return a.number ? -1 : 1;
    return compareTexts(a.text, b.text);
}

// Runs up to this long are sorted by comparison on their remaining keys, read once.
constexpr size_t kShortRun = 4096;
// Rows whose cells are asked for ahead of their turn: enough to cover memory's latency.
constexpr size_t kPrefetchAhead = 16;
// Below this many rows a second thread costs more than it saves.
constexpr size_t kThreadedRows = 65536;

class Sorter {
  public:
    explicit Sorter(const SortKeys& keys) : keys_(keys) {}

    // Orders rows on keys [k, count), rows being in order on the keys before k; the runs
    // that share key k are ordered on up to threads threads.
    void sort(std::span<uint32_t> rows, size_t k, unsigned threads = 1) {
        if (rows.size() < 2 || k >= keys_.count()) return;
        if (rows.size() <= kShortRun) return sortShort(rows, k);
        std::vector<uint32_t> rank(rows.size());
        const size_t ranks = rankValues(rows, k, rank);
        // Rows go into one bucket per rank in their order (a counting sort, so stable);
        // each bucket is then ordered on the later keys.
        std::vector<uint32_t> start(ranks + 1, 0);
        for (uint32_t r : rank) ++start[r + 1];
        std::partial_sum(start.begin(), start.end(), start.begin());
        {
            std::vector<uint32_t> placed(rows.size());
            std::vector<uint32_t> next(start.begin(), start.end() - 1);
            for (size_t i = 0; i < rows.size(); ++i) placed[next[rank[i]]++] = rows[i];
            std::copy(placed.begin(), placed.end(), rows.begin());
        }
        rank = {};
        if (k + 1 >= keys_.count()) return;
        if (threads < 2 || rows.size() < kThreadedRows) return sortRuns(rows, start, 0, ranks, k);
        // The runs are shared out in order, about as many rows to each thread.
        std::vector<std::thread> helpers;
        std::vector<std::exception_ptr> failed(threads);
        size_t from = 0;
        for (unsigned t = 1; t < threads; ++t) {
            const size_t goal = rows.size() * t / threads;
            size_t to = from;
            while (to < ranks && start[to + 1] <= goal) ++to;
            auto share = [this, rows, &start, &failed, t, from, to, k] {
                try {
                    Sorter(keys_).sortRuns(rows, start, from, to, k);
                } catch (...) {
                    failed[t] = std::current_exception();
                }
            };
            try {
                helpers.emplace_back(share);
            } catch (const std::system_error&) {
                share();  // no thread to be had (a limit on threads): this one sorts its share
            }
            from = to;
        }
        try {
            sortRuns(rows, start, from, ranks, k);
        } catch (...) {
            failed[0] = std::current_exception();
        }
        for (auto& h : helpers) h.join();
        for (const auto& e : failed)
            if (e) std::rethrow_exception(e);
    }

  private:
    // Orders each of runs [from, to) (rows sharing key k, starting at start) on the later
    // keys, their cells asked for a little ahead.
    void sortRuns(std::span<uint32_t> rows, const std::vector<uint32_t>& start, size_t from,
                  size_t to, size_t k) {
        if (from >= to) return;
        const size_t end = start[to];
        size_t ahead = start[from];
        for (size_t r = from; r < to; ++r) {
            const size_t goal = std::min<size_t>(end, start[r + 1] + kPrefetchAhead);
            for (; ahead < goal; ++ahead) keys_.prefetch(rows[ahead]);
            sort(rows.subspan(start[r], start[r + 1] - start[r]), k + 1);
        }
    }

    // The rank of each row's key k among the distinct values of these rows, equal values
    // sharing one; returns how many ranks there are.
    size_t rankValues(std::span<const uint32_t> rows, size_t k, std::vector<uint32_t>& rank) {
        // Distinct texts by an open hash table of (hash, value number), kept half empty.
        struct Slot {
            uint32_t hash = 0;
            uint32_t value = UINT32_MAX;
        };
        std::vector<Slot> table(1024);
        std::vector<Key> values;
        const std::hash<std::string_view> hasher;
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::string_view text = keys_.cell(rows[i], k);
            const auto h = static_cast<uint32_t>(hasher(text));
            size_t mask = table.size() - 1, at = h & mask;
            while (table[at].value != UINT32_MAX &&
                   (table[at].hash != h || values[table[at].value].text != text))
                at = (at + 1) & mask;
            if (table[at].value == UINT32_MAX) {
                table[at] = {h, static_cast<uint32_t>(values.size())};
                values.push_back({text, holdsNumber(text)});
                if (values.size() * 2 > table.size()) {
                    std::vector<Slot> grown(table.size() * 2);
                    mask = grown.size() - 1;
                    for (const Slot& s : table) {
                        if (s.value == UINT32_MAX) continue;
                        size_t to = s.hash & mask;
                        while (grown[to].value != UINT32_MAX) to = (to + 1) & mask;
                        grown[to] = s;
                    }
                    table = std::move(grown);
                }
                rank[i] = static_cast<uint32_t>(values.size() - 1);
            } else {
                rank[i] = table[at].value;
            }
        }
        table = {};
        std::vector<uint32_t> byValue(values.size());
        std::iota(byValue.begin(), byValue.end(), 0u);
        std::sort(byValue.begin(), byValue.end(),
                  [&](uint32_t x, uint32_t y) { return compareKeys(values[x], values[y]) < 0; });
        std::vector<uint32_t> rankOf(values.size());
        uint32_t next = 0;
        for (size_t i = 0; i < byValue.size(); ++i) {
            if (i > 0 && compareKeys(values[byValue[i - 1]], values[byValue[i]]) != 0) ++next;
            rankOf[byValue[i]] = next;
        }
        for (uint32_t& r : rank) r = rankOf[r];
        return values.empty() ? 0 : next + 1;
    }

    // A short run: its keys [k, count) are read once and the run sorted by them.
    void sortShort(std::span<uint32_t> rows, size_t k) {
        const size_t width = keys_.count() - k;
        texts_.resize(rows.size() * width);
        cells_.resize(rows.size() * width);
        for (size_t i = 0; i < rows.size(); ++i) {
            keys_.cells(rows[i], k, texts_.data() + i * width);
            for (size_t c = 0; c < width; ++c) {
                const std::string_view t = texts_[i * width + c];
                cells_[i * width + c] = {t, holdsNumber(t)};
            }
        }
        order_.resize(rows.size());
        std::iota(order_.begin(), order_.end(), 0u);
        std::stable_sort(order_.begin(), order_.end(), [&](uint32_t x, uint32_t y) {
            const Key* a = cells_.data() + x * width;
            const Key* b = cells_.data() + y * width;
            for (size_t c = 0; c < width; ++c)
                if (int d = compareKeys(a[c], b[c])) return d < 0;
            return false;
        });
        placed_.resize(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) placed_[i] = rows[order_[i]];
        std::copy(placed_.begin(), placed_.end(), rows.begin());
    }

    const SortKeys& keys_;
    // Working room of the short runs, kept from run to run.
    std::vector<std::string_view> texts_;
    std::vector<Key> cells_;
    std::vector<uint32_t> order_, placed_;
};

}  // namespace

bool holdsNumber(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == digits) return false;
    if (i == t.size()) return true;
    if (t[i] != '.') return false;
    size_t fraction = ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i > fraction && i == t.size();
}

int compareCells(std::string_view a, std::string_view b) {
    return compareKeys({a, holdsNumber(a)}, {b, holdsNumber(b)});
}

void sortByKeys(std::span<uint32_t> rows, const SortKeys& keys, unsigned threads) {
    Sorter(keys).sort(rows, 0, std::max(threads, 1u));
}

}  // namespace th
