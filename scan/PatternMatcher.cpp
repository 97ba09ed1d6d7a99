#include "scan/PatternMatcher.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>

#include "scan/ByteSearch.h"
#include "scan/LinePattern.h"

namespace th {

namespace {

bool containsLiteral(std::string_view text, std::string_view literal) {
    return findLiteral(text.data(), text.data() + text.size(), literal) != nullptr;
}

// Reads one character of a set at j, taking "\x" as the literal x.
unsigned char readSetChar(const std::string& pattern, size_t& j) {
    if (pattern[j] == '\\' && j + 1 < pattern.size()) {
        j += 2;
        return static_cast<unsigned char>(pattern[j - 1]);
    }
    return static_cast<unsigned char>(pattern[j++]);
}

}  // namespace

void PatternMatcher::setPattern(std::string pattern) {
    // The scanner sets its patterns again for every line; compile only what is new.
    if (!compiled_ || pattern != pattern_) {
        pattern_ = std::move(pattern);
        compile();
    }
    text_.clear();
    matched_ = false;
    matchCount_ = 0;
}

void PatternMatcher::compile() {
    items_.clear();
    sets_.clear();
    groups_ = 0;
    stars_ = 0;
    anchored_ = false;
    literal_.clear();
    compiled_ = true;

    const std::string& p = pattern_;
    size_t i = 0;
    if (!p.empty() && p[0] == '^') {
        anchored_ = true;
        i = 1;
    }
    std::vector<int32_t> open;
    bool canRepeat = false;  // whether a "*" here has an item to repeat
    auto addChar = [&](unsigned char c) {
        items_.push_back({Op::Char, false, c, 0, 0});
        canRepeat = true;
    };
    while (i < p.size()) {
        const char c = p[i];
        if (c == '\\') {
            if (i + 1 < p.size()) {
                addChar(static_cast<unsigned char>(p[i + 1]));
                i += 2;
            } else {
                addChar('\\');
                ++i;
            }
        } else if (c == '.') {
            items_.push_back({Op::Any, false, 0, 0, 0});
            canRepeat = true;
            ++i;
        } else if (c == '[') {
            size_t j = i + 1;
            bool negate = false;
            if (j < p.size() && p[j] == '^') {
                negate = true;
                ++j;
            }
            CharSet set{};
            auto add = [&set](unsigned char ch) { set[ch >> 6] |= uint64_t{1} << (ch & 63); };
            bool closed = false;
            bool first = true;
            while (j < p.size()) {
                if (p[j] == ']' && !first) {
                    closed = true;
                    ++j;
                    break;
                }
                first = false;
                const unsigned char a = readSetChar(p, j);
                if (j + 1 < p.size() && p[j] == '-' && p[j + 1] != ']') {
                    ++j;
                    const unsigned char b = readSetChar(p, j);
                    for (unsigned ch = std::min(a, b); ch <= std::max(a, b); ++ch) {
                        add(static_cast<unsigned char>(ch));
                    }
                } else {
                    add(a);
                }
            }
            if (!closed) {
                addChar('[');
                ++i;
                continue;
            }
            if (negate) {
                for (auto& word : set) word = ~word;
            }
            sets_.push_back(set);
            items_.push_back({Op::Set, false, 0, static_cast<int32_t>(sets_.size() - 1), 0});
            canRepeat = true;
            i = j;
        } else if (c == '$') {
            if (i + 1 < p.size() && p[i + 1] == '*') {
                // The end repeated any number of times may match nothing: always true.
                i += 2;
            } else {
                items_.push_back({Op::End, false, 0, 0, 0});
                ++i;
            }
            canRepeat = false;
        } else if (c == '*') {
            if (canRepeat) {
                items_.back().star = true;
                canRepeat = false;
            } else {
                addChar('*');
            }
            ++i;
        } else if (c == '{') {
            open.push_back(groups_);
            items_.push_back({Op::Open, false, 0, groups_++, 0});
            canRepeat = false;
            ++i;
        } else if (c == '}' && !open.empty()) {
            items_.push_back({Op::Close, false, 0, open.back(), 0});
            open.pop_back();
            canRepeat = false;
            ++i;
        } else {
            addChar(static_cast<unsigned char>(c));
            ++i;
        }
    }
    while (!open.empty()) {
        items_.push_back({Op::Close, false, 0, open.back(), 0});
        open.pop_back();
    }

    // Starred items get a row of the failure memo. The longest run of single characters
    // that nothing but tag braces interrupt must occur in every match: the prefilter.
    std::string run;
    for (Item& item : items_) {
        if (item.star) item.memo = stars_++;
        if (item.op == Op::Char && !item.star) {
            run.push_back(static_cast<char>(item.ch));
        } else if (item.op != Op::Open && item.op != Op::Close) {
            if (run.size() > literal_.size()) literal_ = run;
            run.clear();
        }
    }
    if (run.size() > literal_.size()) literal_ = run;

    // A starred item followed (past any braces) by an unstarred single character item
    // gives back characters only down to where that item can match.
    for (size_t k = 0; k < items_.size(); ++k) {
        if (!items_[k].star) continue;
        size_t j = k + 1;
        while (j < items_.size() && (items_[j].op == Op::Open || items_[j].op == Op::Close)) ++j;
        if (j < items_.size() && !items_[j].star && items_[j].op != Op::End) {
            items_[k].next = static_cast<int32_t>(j);
        }
    }

    scratchStart_.assign(groups_, 0);
    scratchEnd_.assign(groups_, 0);
    linePattern_ = pattern_ == kLinePattern;
}

bool PatternMatcher::mayStartWith(unsigned char c) {
    if (!compiled_) compile();
    if (!anchored_) return true;
    for (const Item& item : items_) {
        if (item.op == Op::Open || item.op == Op::Close) continue;
        return item.star || item.op == Op::End || itemMatches(item, c);
    }
    return true;
}

void PatternMatcher::setText(std::string_view text) {
    if (!compiled_) compile();
    matched_ = false;
    matchCount_.reset();
    if (prefilter_ && !literal_.empty() && !containsLiteral(text, literal_)) {
        text_.clear();
        matchCount_ = 0;
        return;
    }
    text_.assign(text.data(), text.size());
    if (linePattern_ && directReading_) {
        std::array<size_t, kLinePatternTags> start{}, end{};
        if (readLinePattern(text_, start, end)) {
            matched_ = true;
            matchEnd_ = text_.size();
            tagStart_.assign(start.begin(), start.end());
            tagEnd_.assign(end.begin(), end.end());
        }
        return;
    }
    memoStride_ = (text_.size() + 1 + 63) / 64;
    memo_.assign(static_cast<size_t>(stars_) * memoStride_, 0);
    size_t start = 0;
    if (search(0, start, matchEnd_)) {
        matched_ = true;
        tagStart_ = scratchStart_;
        tagEnd_ = scratchEnd_;
    }
}

int32_t PatternMatcher::tagCount() const {
    return matched_ ? groups_ : 0;
}

std::string_view PatternMatcher::tag(int32_t i) const {
    if (!matched_ || i < 0 || i >= groups_) return {};
    return std::string_view(text_).substr(tagStart_[i], tagEnd_[i] - tagStart_[i]);
}

int32_t PatternMatcher::matchCount() const {
    if (matchCount_) return *matchCount_;
    int32_t count = 0;
    if (matched_) {
        // Failures remembered by the first search still hold: a state that could not
        // reach the pattern's end then cannot now.
        count = 1;
        size_t from = matchEnd_;
        size_t start = 0;
        size_t end = 0;
        while (count < std::numeric_limits<int32_t>::max() && search(from, start, end)) {
            ++count;
            from = end;
        }
    }
    matchCount_ = count;
    return count;
}

bool PatternMatcher::itemMatches(const Item& item, unsigned char c) const {
    switch (item.op) {
        case Op::Char:
            return c == item.ch;
        case Op::Any:
            return true;
        case Op::Set:
            return (sets_[item.arg][c >> 6] >> (c & 63)) & 1;
        default:
            return false;
    }
}

bool PatternMatcher::failed(int32_t row, size_t t) const {
    return (memo_[static_cast<size_t>(row) * memoStride_ + (t >> 6)] >> (t & 63)) & 1;
}

void PatternMatcher::markFailed(int32_t row, size_t from, size_t to) const {
    uint64_t* words = memo_.data() + static_cast<size_t>(row) * memoStride_;
    for (size_t w = from >> 6; w <= to >> 6; ++w) {
        uint64_t mask = ~uint64_t{0};
        if (w == from >> 6) mask &= ~uint64_t{0} << (from & 63);
        if (w == to >> 6) mask &= ~uint64_t{0} >> (63 - (to & 63));
        words[w] |= mask;
    }
}

size_t PatternMatcher::firstFailed(int32_t row, size_t from, size_t to) const {
    const uint64_t* words = memo_.data() + static_cast<size_t>(row) * memoStride_;
    for (size_t w = from >> 6; w <= to >> 6; ++w) {
        uint64_t bits = words[w];
        if (w == from >> 6) bits &= ~uint64_t{0} << (from & 63);
        if (bits != 0)
            return std::min(to + 1, (w << 6) + static_cast<size_t>(std::countr_zero(bits)));
    }
    return to + 1;
}

bool PatternMatcher::search(size_t from, size_t& start, size_t& end) const {
    // A match is never empty, so none starts at the text's end.
    if (anchored_) {
        if (from != 0 || text_.empty() || !matchAt(0, end)) return false;
        start = 0;
        return true;
    }
    for (size_t s = from; s < text_.size(); ++s) {
        if (matchAt(s, end)) {
            start = s;
            return true;
        }
    }
    return false;
}

// Gives back characters of a starred item, from cur down to no further than lo, while
// the item that must follow cannot match there; those positions are failures.
size_t PatternMatcher::settle(const Item& item, size_t lo, size_t cur) const {
    if (item.next < 0) return cur;
    const Item& next = items_[item.next];
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const size_t n = text_.size();
    size_t to = cur;
    if (next.op == Op::Char) {
        while (cur > lo && (cur >= n || s[cur] != next.ch)) --cur;
    } else {
        while (cur > lo && (cur >= n || !itemMatches(next, s[cur]))) --cur;
    }
    if (cur < to) markFailed(item.memo, cur + 1, to);
    return cur;
}

// Backtracking over the starred items, greediest first. A starred item entered at
// position t that runs up to cur tries the rest of the pattern from cur, cur - 1, ...,
// t. Whatever fails from (item, position) fails whatever came before, so it is marked
// and never explored again; that bounds the work of a whole search, over every start,
// by the number of (starred item, position) pairs times the pattern's length. The start
// only matters through the rule that a match is not empty, and a state at the start
// position is never reached from a later start.
bool PatternMatcher::matchAt(size_t start, size_t& end) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const size_t n = text_.size();
    const auto count = static_cast<uint32_t>(items_.size());
    stack_.clear();
    uint32_t p = 0;
    size_t t = start;
    for (;;) {
        bool ok = false;
        for (;;) {
            if (p == count) {
                ok = t > start;
                break;
            }
            const Item& item = items_[p];
            if (item.star) {
                if (failed(item.memo, t)) break;
                // It runs as far as it matches, up to the first position known to fail.
                size_t cur = t;
                if (item.op == Op::Any) {
                    if (t < n) cur = firstFailed(item.memo, t + 1, n) - 1;
                } else {
                    while (cur < n && itemMatches(item, s[cur]) && !failed(item.memo, cur + 1)) {
                        ++cur;
                    }
                }
                cur = settle(item, t, cur);
                stack_.push_back({t, cur, p});
                t = cur;
                ++p;
            } else if (item.op == Op::Open) {
                scratchStart_[item.arg] = t;
                ++p;
            } else if (item.op == Op::Close) {
                scratchEnd_[item.arg] = t;
                ++p;
            } else if (item.op == Op::End) {
                if (t != n) break;
                ++p;
            } else {
                if (t >= n || !itemMatches(item, s[t])) break;
                ++p;
                ++t;
            }
        }
        if (ok) {
            end = t;
            return true;
        }
        // Give back one character at the latest starred item that still has one.
        for (;;) {
            if (stack_.empty()) return false;
            Frame& frame = stack_.back();
            markFailed(items_[frame.item].memo, frame.cur, frame.cur);
            if (frame.cur == frame.lo) {
                stack_.pop_back();
                continue;
            }
            frame.cur = settle(items_[frame.item], frame.lo, frame.cur - 1);
            p = frame.item + 1;
            t = frame.cur;
            break;
        }
    }
}

}  // namespace th
