#pragma once
// A plain, unoptimised transcription of the engine's search and block building, step by
// step as the algorithm is defined. The engine's faster loops and short cuts must give
// exactly the blocks this gives.

#include "DiffUnit.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tandrel::test {

class TReferenceDiff {
public:
    std::vector<TDiffBlock> Run(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
        S1 = a.data();
        S2 = b.data();
        int32_t len1 = static_cast<int32_t>(a.size());
        int32_t len2 = static_cast<int32_t>(b.size());
        MaxD = std::max(len1, len2);
        Offset = MaxD + 1;
        F.assign(static_cast<size_t>(2 * MaxD + 3), 0);
        R.assign(static_cast<size_t>(2 * MaxD + 3), 0);
        int32_t p = 0;
        while (p < len1 && p < len2 && S1[p] == S2[p])
            ++p;
        while (p < len1 && p < len2 && S1[len1 - 1] == S2[len2 - 1]) {
            --len1;
            --len2;
        }
        if (p < len1 || p < len2)
            Solve(p, p, len1, len2);
        FlushAdd();
        FlushDelete();
        return Blocks;
    }

private:
    int32_t& f(int32_t k) { return F[static_cast<size_t>(k + Offset)]; }
    int32_t& r(int32_t k) { return R[static_cast<size_t>(k + Offset)]; }

    bool Solve(int32_t o1, int32_t o2, int32_t e1, int32_t e2) {
        const int32_t n = e1 - o1, m = e2 - o2, delta = n - m;
        if (n == 0) {
            for (int32_t y = o2; y < e2; ++y)
                Add(o1, y);
            return true;
        }
        if (m == 0) {
            for (int32_t x = o1; x < e1; ++x)
                Delete(x);
            return true;
        }
        f(0) = o1;
        r(delta) = e1;
        f(n) = e1;
        r(n) = e1;
        if (delta > 0) {
            f(-m - 1) = o1;
            r(-m - 1) = o1;
        }
        for (int32_t d = 1; d <= MaxD; ++d) {
            int32_t k = -d;
            while (k < -m)
                k += 2;
            for (; k <= std::min(d, n - 1); k += 2) {
                int32_t x = (k == -d || (k < d && f(k - 1) < f(k + 1))) ? f(k + 1) : f(k - 1) + 1;
                int32_t y = x - o1 + o2 - k;
                while (x < e1 && y < e2 && S1[x] == S2[y])
                    ++x, ++y;
                f(k) = x;
                if ((delta & 1) && delta - d < k && k < delta + d && f(k) >= r(k)) {
                    int32_t xs = x, ys = y;
                    while (xs > o1 && ys > o2 && S1[xs - 1] == S2[ys - 1])
                        --xs, --ys;
                    return Solve(o1, o2, xs, ys) && Solve(x, y, e1, e2);
                }
            }
            k = -d + delta;
            while (k < -m)
                k += 2;
            for (; k <= std::min(d + delta, n - 1); k += 2) {
                int32_t x;
                if (k == -m)
                    x = r(k + 1) - 1;
                else if (k == d + delta || (k > -d + delta && r(k + 1) > r(k - 1)))
                    x = r(k - 1);
                else
                    x = r(k + 1) - 1;
                int32_t y = x - o1 + o2 - k;
                while (x > o1 && y > o2 && S1[x - 1] == S2[y - 1])
                    --x, --y;
                r(k) = x;
                if (!(delta & 1) && -d <= k && k <= d && f(k) >= r(k)) {
                    if (n == 1 && m == 1) {
                        Add(o1, o2);
                        Delete(o1);
                        return true;
                    }
                    if (!Solve(o1, o2, x, y))
                        return false;
                    while (x < e1 && y < e2 && S1[x] == S2[y])
                        ++x, ++y;
                    return Solve(x, y, e1, e2);
                }
            }
        }
        return false;
    }

    void Append(TDiffBlock& b, bool& has) {
        if (has)
            Blocks.push_back(b);
        has = false;
    }
    void FlushModify() { Append(Mod, HasMod); }
    void FlushAdd() {
        FlushModify();
        Append(Ad, HasAdd);
    }
    void FlushDelete() {
        FlushModify();
        Append(Del, HasDel);
    }
    void Add(int32_t x, int32_t y) {
        if (HasAdd) {
            if (x == Ad.Pos1 && y == Ad.Pos2 + Ad.Count) {
                ++Ad.Count;
                return;
            }
            FlushAdd();
        } else if (HasDel) {
            FlushDelete();
        }
        Ad = {bkAdd, x, y, 1};
        HasAdd = true;
    }
    void Delete(int32_t x) {
        if (HasDel) {
            if (x == Del.Pos1 + Del.Count) {
                ++Del.Count;
                return;
            }
            FlushDelete();
        } else if (HasAdd && x == Ad.Pos1) {
            if (HasMod && x == Mod.Pos1 + Mod.Count) {
                ++Mod.Count;
            } else {
                FlushModify();
                Mod = {bkModify, x, Ad.Pos2, 1};
                HasMod = true;
            }
            if (Ad.Count == 1) {
                HasAdd = false;
            } else {
                --Ad.Count;
                ++Ad.Pos1;
                ++Ad.Pos2;
            }
            return;
        } else if (HasAdd) {
            FlushAdd();
        }
        Del = {bkDelete, x, 0, 1};
        HasDel = true;
    }

    const int32_t* S1 = nullptr;
    const int32_t* S2 = nullptr;
    int32_t MaxD = 0;
    int32_t Offset = 0;
    std::vector<int32_t> F, R;
    std::vector<TDiffBlock> Blocks;
    TDiffBlock Ad, Del, Mod;
    bool HasAdd = false, HasDel = false, HasMod = false;
};

} // namespace tandrel::test
