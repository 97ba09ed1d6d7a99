// The pattern matcher against a plain backtracking matcher written from the language's
// description: same tags, same texts, same match count. The reference tries every way,
// so inputs are kept small and given up when it would take too long.
//
// Input: one byte for the pattern's length, the pattern, then the text.
//
// The whole input is also read as a line for the scanner's line pattern, directly and by
// the matcher, which must agree.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "scan/LinePattern.h"
#include "scan/PatternMatcher.h"

namespace {

constexpr size_t kMaxPattern = 16;
constexpr size_t kMaxText = 40;
constexpr long kBudget = 200000;  // steps of the reference before an input is given up

struct Node {
    enum Kind { Char, Any, Set, End, Open, Close } kind = Char;
    bool star = false;
    unsigned char ch = 0;
    std::vector<bool> set;  // 256 entries for Set
    int tag = 0;
};

struct Pattern {
    std::vector<Node> nodes;
    int tags = 0;
    bool anchored = false;
};

// The language as the matcher's header describes it.
Pattern parse(std::string_view p) {
    Pattern out;
    size_t i = 0;
    if (!p.empty() && p[0] == '^') {
        out.anchored = true;
        i = 1;
    }
    std::vector<int> open;
    auto repeatable = [&] {
        if (out.nodes.empty()) return false;
        const Node& last = out.nodes.back();
        return !last.star &&
               (last.kind == Node::Char || last.kind == Node::Any || last.kind == Node::Set);
    };
    bool afterDroppedEnd = false;  // "$*" was just dropped: a "*" now follows a "*"
    auto literal = [&](unsigned char c) { out.nodes.push_back({Node::Char, false, c, {}, 0}); };
    while (i < p.size()) {
        const char c = p[i];
        const bool justDropped = afterDroppedEnd;
        afterDroppedEnd = false;
        if (c == '*') {
            if (!justDropped && repeatable())
                out.nodes.back().star = true;
            else
                literal('*');
            ++i;
        } else if (c == '\\') {
            literal(static_cast<unsigned char>(i + 1 < p.size() ? p[i + 1] : '\\'));
            i += i + 1 < p.size() ? 2 : 1;
        } else if (c == '.') {
            out.nodes.push_back({Node::Any, false, 0, {}, 0});
            ++i;
        } else if (c == '$') {
            if (i + 1 < p.size() && p[i + 1] == '*') {
                afterDroppedEnd = true;
                i += 2;
            } else {
                out.nodes.push_back({Node::End, false, 0, {}, 0});
                ++i;
            }
        } else if (c == '{') {
            open.push_back(out.tags);
            out.nodes.push_back({Node::Open, false, 0, {}, out.tags++});
            ++i;
        } else if (c == '}' && !open.empty()) {
            out.nodes.push_back({Node::Close, false, 0, {}, open.back()});
            open.pop_back();
            ++i;
        } else if (c == '[') {
            // The set's characters up to its closing "]"; a "]" first is one of them.
            size_t j = i + 1;
            const bool negate = j < p.size() && p[j] == '^';
            if (negate) ++j;
            auto readOne = [&] {
                const bool escaped = p[j] == '\\' && j + 1 < p.size();
                j += escaped ? 2 : 1;
                return static_cast<unsigned char>(p[j - 1]);
            };
            std::vector<unsigned char> chars;
            bool closed = false;
            bool first = true;
            while (j < p.size()) {
                if (p[j] == ']' && !first) {
                    closed = true;
                    ++j;
                    break;
                }
                first = false;
                const unsigned char from = readOne();
                if (j + 1 < p.size() && p[j] == '-' && p[j + 1] != ']') {
                    ++j;
                    const unsigned char to = readOne();
                    for (int x = std::min(from, to); x <= std::max(from, to); ++x)
                        chars.push_back(static_cast<unsigned char>(x));
                } else {
                    chars.push_back(from);
                }
            }
            if (!closed) {
                literal('[');
                ++i;
                continue;
            }
            Node n{Node::Set, false, 0, std::vector<bool>(256, negate), 0};
            for (unsigned char x : chars) n.set[x] = !negate;
            out.nodes.push_back(n);
            i = j;
        } else {
            literal(static_cast<unsigned char>(c));
            ++i;
        }
    }
    while (!open.empty()) {
        out.nodes.push_back({Node::Close, false, 0, {}, open.back()});
        open.pop_back();
    }
    return out;
}

struct Reference {
    const Pattern& pat;
    std::string_view text;
    long steps = 0;
    std::vector<size_t> start, end;

    bool one(const Node& n, size_t t) const {
        if (t >= text.size()) return false;
        const auto c = static_cast<unsigned char>(text[t]);
        if (n.kind == Node::Any) return true;
        if (n.kind == Node::Set) return n.set[c];
        return n.kind == Node::Char && c == n.ch;
    }

    // Whether the pattern from node k matches at t, the match having begun at s.
    bool from(size_t k, size_t t, size_t s) {
        if (++steps > kBudget) return false;
        if (k == pat.nodes.size()) {
            matchEnd = t;
            return t > s;
        }
        const Node& n = pat.nodes[k];
        switch (n.kind) {
            case Node::Open:
                start[static_cast<size_t>(n.tag)] = t;
                return from(k + 1, t, s);
            case Node::Close:
                end[static_cast<size_t>(n.tag)] = t;
                return from(k + 1, t, s);
            case Node::End:
                return t == text.size() && from(k + 1, t, s);
            default:
                break;
        }
        if (!n.star) return one(n, t) && from(k + 1, t + 1, s);
        size_t run = t;
        while (one(n, run)) ++run;
        for (size_t u = run + 1; u-- > t;)
            if (from(k + 1, u, s)) return true;
        return false;
    }

    // The leftmost match starting at or after first.
    bool search(size_t first, size_t& s) {
        for (s = first; s < text.size(); ++s) {
            if (pat.anchored && s != 0) return false;
            if (from(0, s, s)) return true;
        }
        return false;
    }
    size_t matchEnd = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t patternSize = std::min<size_t>(data[0] % (kMaxPattern + 1), size - 1);
    std::string_view pattern(reinterpret_cast<const char*>(data) + 1, patternSize);
    std::string_view text(reinterpret_cast<const char*>(data) + 1 + patternSize,
                          std::min(size - 1 - patternSize, kMaxText));

    Pattern parsed = parse(pattern);
    Reference ref{parsed,
                  text,
                  0,
                  std::vector<size_t>(static_cast<size_t>(parsed.tags)),
                  std::vector<size_t>(static_cast<size_t>(parsed.tags)),
                  0};
    size_t at = 0;
    const bool matched = ref.search(0, at);
    if (ref.steps > kBudget) return 0;
    std::vector<std::string_view> tags;
    for (int i = 0; i < parsed.tags; ++i)
        tags.push_back(
            text.substr(ref.start[static_cast<size_t>(i)],
                        ref.end[static_cast<size_t>(i)] - ref.start[static_cast<size_t>(i)]));
    int32_t count = matched ? 1 : 0;
    for (size_t next = ref.matchEnd; matched && ref.search(next, at); next = ref.matchEnd) ++count;
    if (ref.steps > kBudget) return 0;

    for (bool prefilter : {true, false}) {
        th::PatternMatcher m;
        m.setPattern(std::string(pattern));
        m.setPrefilter(prefilter);
        m.setText(text);
        th::fuzz::require(m.tagCount() == (matched ? parsed.tags : 0), "tag count");
        for (int i = 0; matched && i < parsed.tags; ++i)
            th::fuzz::require(m.tag(i) == tags[static_cast<size_t>(i)], "tag text");
        th::fuzz::require(m.matchCount() == count, "match count");
    }

    const std::string_view line(reinterpret_cast<const char*>(data), size);
    th::PatternMatcher direct, general;
    direct.setPattern(th::kLinePattern);
    general.setPattern(th::kLinePattern);
    general.setDirectReading(false);
    direct.setText(line);
    general.setText(line);
    th::fuzz::require(direct.tagCount() == general.tagCount(), "line tag count");
    for (int32_t i = 0; i < general.tagCount(); ++i)
        th::fuzz::require(direct.tag(i) == general.tag(i), "line tag text");
    return 0;
}
