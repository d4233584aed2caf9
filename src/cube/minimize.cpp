// SPDX-License-Identifier: MIT
#include "cube/minimize.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <tuple>
#include <vector>

#include "base/check.h"
#include "cube/urp.h"

namespace qmsop {

namespace {

using Words = std::vector<std::uint64_t>;

// Products, then input literals, then output bits.
using Cost = std::tuple<std::size_t, std::size_t, std::size_t>;

Cost CostOf(const Cover& cover)
{
    std::size_t literals = 0;
    std::size_t outputs = 0;
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        literals += InputLiterals(cover.Shape(), cover[i]);
        outputs += OutputCount(cover.Shape(), cover[i]);
    }
    return {cover.Size(), literals, outputs};
}

// The cofactor against c of the cubes of `cover` that `keep` marks (all when
// it is empty) but `skip`, together with the cubes of `more`.
Cover CofactorWithout(const Cover& cover, std::size_t skip, const Cover& more, CubeView c,
                      const std::vector<bool>& keep = {})
{
    const CubeShape& shape = cover.Shape();
    Cover result(shape);
    Words raised(shape.Words());
    const auto add = [&](CubeView p) {
        if (!Intersects(shape, p, c)) {
            return;
        }
        for (std::uint32_t w = 0; w < shape.Words(); ++w) {
            raised[w] = p[w] | (~c[w] & shape.FullWord(w));
        }
        result.Add(raised);
    };
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        if (i != skip && (keep.empty() || keep[i])) {
            add(cover[i]);
        }
    }
    for (std::size_t i = 0; i < more.Size(); ++i) {
        add(more[i]);
    }
    return result;
}

// Each cube's weight: the sum over its bits of how many cubes have that bit.
// A light cube shares little with the others.
std::vector<std::uint64_t> Weights(const Cover& cover)
{
    const CubeShape& shape = cover.Shape();
    std::vector<std::uint32_t> column(static_cast<std::size_t>(shape.Words()) * 64, 0);
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        for (std::uint32_t w = 0; w < shape.Words(); ++w) {
            for (std::uint64_t bits = cover[i][w]; bits != 0; bits &= bits - 1) {
                ++column[w * 64 + static_cast<std::uint32_t>(std::countr_zero(bits))];
            }
        }
    }
    std::vector<std::uint64_t> weight(cover.Size(), 0);
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        for (std::uint32_t w = 0; w < shape.Words(); ++w) {
            for (std::uint64_t bits = cover[i][w]; bits != 0; bits &= bits - 1) {
                weight[i] += column[w * 64 + static_cast<std::uint32_t>(std::countr_zero(bits))];
            }
        }
    }
    return weight;
}

std::vector<std::size_t> OrderBy(const std::vector<std::uint64_t>& key, bool ascending)
{
    std::vector<std::size_t> order(key.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ascending ? key[a] < key[b] : key[a] > key[b];
    });
    return order;
}

// Raises one cube against the OFF-set: the state of one expansion.
class CubeExpansion {
public:
    CubeExpansion(const Cover& off, CubeView cube, bool inputsOnly)
        : off_(off),
          shape_(off.Shape()),
          raised_(cube.begin(), cube.end()),
          free_(shape_.Words()),
          mask_(shape_.Words())
    {
        for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
            const bool allowed = !inputsOnly || w < shape_.InputWords();
            free_[w] = allowed ? shape_.FullWord(w) & ~raised_[w] : 0;
        }
        active_.resize(off.Size());
        std::iota(active_.begin(), active_.end(), std::size_t{0});
        Update();
    }

    const Words& Raised() const { return raised_; }
    const Words& Free() const { return free_; }

    // True when g lies within the cube raised by every free part.
    bool Reachable(CubeView g) const
    {
        for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
            if ((g[w] & ~(raised_[w] | free_[w])) != 0) {
                return false;
            }
        }
        return true;
    }

    // True when raising to raised ∪ g meets no OFF cube (g within reach).
    bool Feasible(CubeView g, Words& super) const
    {
        for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
            if ((g[w] & ~(raised_[w] | free_[w])) != 0) {
                return false;
            }
            super[w] = raised_[w] | g[w];
        }
        return std::none_of(active_.begin(), active_.end(),
                            [&](std::size_t r) { return Intersects(shape_, super, off_[r]); });
    }

    void RaiseTo(const Words& super)
    {
        for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
            raised_[w] = super[w];
            free_[w] &= ~super[w];
        }
        Update();
    }

    // For every free part, how many active OFF cubes it keeps away (their
    // meeting with the cube would need that part raised).
    void CountBlocks(std::vector<std::uint32_t>& blocks)
    {
        std::fill(blocks.begin(), blocks.end(), 0);
        for (const std::size_t r : active_) {
            DisjointMask(off_[r]);
            for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
                for (std::uint64_t b = free_[w] & off_[r][w] & mask_[w]; b != 0; b &= b - 1) {
                    ++blocks[w * 64 + static_cast<std::uint32_t>(std::countr_zero(b))];
                }
            }
        }
    }

    // Keeps lowered, one at a time, the free part that keeps most OFF cubes
    // away, until no OFF cube can be met; then raises every free part (a
    // greedy cover of the blocking matrix: the largest cube it finds).
    void LowerFewest()
    {
        std::vector<std::uint32_t> blocks(static_cast<std::size_t>(shape_.Words()) * 64);
        while (!active_.empty()) {
            CountBlocks(blocks);
            const auto best = static_cast<std::size_t>(
                std::max_element(blocks.begin(), blocks.end()) - blocks.begin());
            free_[best / 64] &= ~(std::uint64_t{1} << (best % 64));
            Update();
        }
        Words raised = raised_;
        for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
            raised[w] |= free_[w];
        }
        RaiseTo(raised);
    }

    // Raises the free parts one at a time, those that block fewest OFF
    // cubes first, until the cube is prime.
    void RaiseRest()
    {
        std::vector<std::uint32_t> blocks(static_cast<std::size_t>(shape_.Words()) * 64);
        while (std::any_of(free_.begin(), free_.end(), [](std::uint64_t x) { return x != 0; })) {
            CountBlocks(blocks);
            std::uint32_t best = 0;
            std::uint32_t bestBlocks = ~std::uint32_t{0};
            Words raise(shape_.Words(), 0);
            for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
                for (std::uint64_t b = free_[w]; b != 0; b &= b - 1) {
                    const std::uint32_t bit =
                        w * 64 + static_cast<std::uint32_t>(std::countr_zero(b));
                    if (blocks[bit] == 0) {
                        raise[w] |= b & (~b + 1);
                    } else if (blocks[bit] < bestBlocks) {
                        bestBlocks = blocks[bit];
                        best = bit;
                    }
                }
            }
            if (std::all_of(raise.begin(), raise.end(), [](std::uint64_t x) { return x == 0; })) {
                raise[best / 64] |= std::uint64_t{1} << (best % 64);
            }
            for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
                raise[w] |= raised_[w];
            }
            RaiseTo(raise);
        }
    }

private:
    // Sets mask_ to the parts of the variables on which raised_ and r are
    // disjoint; returns how many there are.
    std::uint32_t DisjointMask(CubeView r)
    {
        std::uint32_t distance = 0;
        for (std::uint32_t w = 0; w < shape_.InputWords(); ++w) {
            const std::uint64_t x = raised_[w] & r[w];
            const std::uint64_t empty = ~(x | (x >> 1)) & shape_.LowBits(w);
            mask_[w] = empty | (empty << 1);
            distance += static_cast<std::uint32_t>(std::popcount(empty));
        }
        bool meet = false;
        for (std::uint32_t w = shape_.InputWords(); w < shape_.Words(); ++w) {
            meet = meet || (raised_[w] & r[w]) != 0;
        }
        for (std::uint32_t w = shape_.InputWords(); w < shape_.Words(); ++w) {
            mask_[w] = meet ? 0 : shape_.FullWord(w);
        }
        return distance + (meet ? 0 : 1);
    }

    // True when one variable keeps raised_ and r apart whatever is raised.
    bool Safe(CubeView r) const
    {
        for (std::uint32_t w = 0; w < shape_.InputWords(); ++w) {
            const std::uint64_t t = free_[w] & r[w] & mask_[w];
            const std::uint64_t reachable = (t | (t >> 1)) & shape_.LowBits(w);
            if ((mask_[w] & shape_.LowBits(w) & ~reachable) != 0) {
                return true;
            }
        }
        if (shape_.Words() > shape_.InputWords() && mask_[shape_.InputWords()] != 0) {
            bool reachable = false;
            for (std::uint32_t w = shape_.InputWords(); w < shape_.Words(); ++w) {
                reachable = reachable || (free_[w] & r[w]) != 0;
            }
            return !reachable;
        }
        return false;
    }

    // Drops the OFF cubes that can no longer be met and lowers, for good,
    // the parts that would meet an OFF cube one variable away.
    void Update()
    {
        std::size_t kept = 0;
        for (const std::size_t r : active_) {
            const std::uint32_t distance = DisjointMask(off_[r]);
            QMSOP_ASSERT(distance != 0);
            if (Safe(off_[r])) {
                continue;
            }
            if (distance == 1) {
                for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
                    free_[w] &= ~(off_[r][w] & mask_[w]);
                }
                continue;
            }
            active_[kept++] = r;
        }
        active_.resize(kept);
    }

    const Cover& off_;
    const CubeShape& shape_;
    Words raised_;
    Words free_;
    Words mask_;
    std::vector<std::size_t> active_;
};

class Minimizer {
public:
    Minimizer(const Cover& on, const Cover& dc, const MinimizeParams& params, bool lowerFirst)
        : lowerFirst_(lowerFirst),
          params_(params),
          shape_(on.Shape()),
          on_(on),
          dc_(dc),
          care_(on),
          off_(on.Shape())
    {
        QMSOP_ASSERT(on.Shape() == dc.Shape());
        care_.Append(dc);
    }

    std::optional<Cover> Run(MinimizeStats& stats)
    {
        std::optional<Cover> off = ComplementWithin(care_, params_.maxOffCubes);
        hasOff_ = off.has_value();
        if (hasOff_) {
            off_ = std::move(*off);
        }
        stats.offCubes = off_.Size();
        stats.withoutOff = !hasOff_;
        Cover f = on_;
        RemoveContained(f);
        f = Expand(f, false);
        Cover d = dc_;
        f = Irredundant(f, d);
        Cover essential(shape_);
        if (params_.essentials) {
            essential = TakeEssentials(f, d);
            d.Append(essential);
        }
        stats.essentialCubes = essential.Size();
        Iterate(f, d, stats);
        f.Append(essential);
        if (params_.makeSparse) {
            MakeSparse(f, dc_);
        }
        stats.products = f.Size();
        stats.literals = std::get<1>(CostOf(f));
        stats.verified = IsCoverWithin(f, on_, dc_);
        if (!stats.verified) {
            return std::nullopt;
        }
        return f;
    }

private:
    void Iterate(Cover& f, const Cover& d, MinimizeStats& stats)
    {
        for (;;) {
            Cost cost = CostOf(f);
            for (;;) {
                if (params_.maxRounds != 0 && stats.rounds >= params_.maxRounds) {
                    return;
                }
                ++stats.rounds;
                Cover next = Irredundant(Expand(Reduce(f, d), false), d);
                const Cost nextCost = CostOf(next);
                if (nextCost >= cost) {
                    if (nextCost == cost) {
                        f = std::move(next);
                    }
                    break;
                }
                f = std::move(next);
                cost = nextCost;
            }
            if (!params_.lastGasp) {
                return;
            }
            Cover gasp = LastGasp(f, d);
            if (CostOf(gasp) >= cost) {
                return;
            }
            ++stats.lastGasps;
            f = std::move(gasp);
        }
    }

    // Each cube raised to a prime, lightest first; cubes inside an earlier
    // prime are dropped.
    Cover Expand(const Cover& f, bool inputsOnly) const
    {
        const std::vector<std::size_t> order = OrderBy(Weights(f), true);
        std::vector<bool> covered(f.Size(), false);
        Cover primes(shape_);
        Words super(shape_.Words());
        for (const std::size_t i : order) {
            if (covered[i]) {
                continue;
            }
            const Words prime = Raise(f, covered, i, inputsOnly, super);
            for (std::size_t j = 0; j < f.Size(); ++j) {
                covered[j] = covered[j] || Contains(prime, f[j]);
            }
            covered[i] = true;
            primes.Add(prime);
        }
        RemoveContained(primes);
        return primes;
    }

    // Cube i of f raised to a prime: against the OFF-set, over other cubes
    // of f first, when there is one; else part by part, each kept when the
    // care set covers the raised cube.
    Words Raise(const Cover& f, const std::vector<bool>& covered, std::size_t i, bool inputsOnly,
                Words& super) const
    {
        if (hasOff_) {
            CubeExpansion expansion(off_, f[i], inputsOnly);
            if (!inputsOnly) {
                CoverOthers(f, covered, i, expansion, super);
            }
            if (lowerFirst_) {
                expansion.LowerFewest();
                CubeExpansion again(off_, expansion.Raised(), inputsOnly);
                again.RaiseRest();
                return again.Raised();
            }
            expansion.RaiseRest();
            return expansion.Raised();
        }
        Words cube(f[i].begin(), f[i].end());
        const std::uint32_t words = inputsOnly ? shape_.InputWords() : shape_.Words();
        for (std::uint32_t w = 0; w < words; ++w) {
            for (std::uint64_t b = shape_.FullWord(w) & ~cube[w]; b != 0; b &= b - 1) {
                cube[w] |= b & (~b + 1);
                if (!CoversCube(care_, cube)) {
                    cube[w] &= ~(b & (~b + 1));
                }
            }
        }
        return cube;
    }

    // Raises the cube over other cubes of f while that meets no OFF cube,
    // each time to the cube that brings most others with it; when none can
    // be taken whole, raises the free part that most of the reachable ones
    // need.
    static void CoverOthers(const Cover& f, const std::vector<bool>& covered, std::size_t self,
                            CubeExpansion& expansion, Words& super)
    {
        const CubeShape& shape = f.Shape();
        std::vector<Words> feasible;
        std::vector<std::size_t> reachable;
        for (;;) {
            feasible.clear();
            reachable.clear();
            for (std::size_t j = 0; j < f.Size(); ++j) {
                if (j == self || covered[j] || Contains(expansion.Raised(), f[j]) ||
                    !expansion.Reachable(f[j])) {
                    continue;
                }
                reachable.push_back(j);
                if (expansion.Feasible(f[j], super)) {
                    feasible.push_back(super);
                }
            }
            if (reachable.empty()) {
                return;
            }
            if (feasible.empty()) {
                RaiseMostWanted(f, reachable, expansion);
                continue;
            }
            std::size_t best = 0;
            std::size_t bestScore = 0;
            for (std::size_t a = 0; a < feasible.size(); ++a) {
                std::size_t score = 0;
                if (feasible.size() <= 64) {
                    for (const Words& other : feasible) {
                        score += Contains(feasible[a], other) ? 1 : 0;
                    }
                } else {
                    std::size_t bits = 0;
                    for (std::uint32_t w = 0; w < shape.Words(); ++w) {
                        bits += static_cast<std::size_t>(std::popcount(feasible[a][w]));
                    }
                    score = 64 * static_cast<std::size_t>(shape.Words()) + 1 - bits;
                }
                if (score > bestScore) {
                    bestScore = score;
                    best = a;
                }
            }
            expansion.RaiseTo(feasible[best]);
        }
    }

    // Raises the free part that most of the reachable cubes have.
    static void RaiseMostWanted(const Cover& f, const std::vector<std::size_t>& reachable,
                                CubeExpansion& expansion)
    {
        const CubeShape& shape = f.Shape();
        std::vector<std::uint32_t> wanted(static_cast<std::size_t>(shape.Words()) * 64, 0);
        for (const std::size_t j : reachable) {
            for (std::uint32_t w = 0; w < shape.Words(); ++w) {
                for (std::uint64_t b = f[j][w] & expansion.Free()[w]; b != 0; b &= b - 1) {
                    ++wanted[w * 64 + static_cast<std::uint32_t>(std::countr_zero(b))];
                }
            }
        }
        const auto best = static_cast<std::size_t>(std::max_element(wanted.begin(), wanted.end()) -
                                                   wanted.begin());
        Words raised = expansion.Raised();
        raised[best / 64] |= std::uint64_t{1} << (best % 64);
        expansion.RaiseTo(raised);
    }

    // Drops cubes covered by the others and DC: first those that only
    // others cover, smallest first.
    Cover Irredundant(Cover f, const Cover& d) const
    {
        std::vector<bool> redundant(f.Size(), false);
        for (std::size_t i = 0; i < f.Size(); ++i) {
            redundant[i] = Tautology(CofactorWithout(f, i, d, f[i]));
        }
        std::vector<std::uint64_t> size(f.Size());
        for (std::size_t i = 0; i < f.Size(); ++i) {
            size[i] = InputLiterals(shape_, f[i]);
        }
        // Many literals: a small cube, dropped first.
        std::vector<bool> keep(f.Size(), true);
        for (const std::size_t i : OrderBy(size, false)) {
            if (!redundant[i]) {
                continue;
            }
            if (Tautology(CofactorWithout(f, i, d, f[i], keep))) {
                keep[i] = false;
            }
        }
        f.Keep(keep);
        return f;
    }

    static Cover Join(Cover a, const Cover& b)
    {
        a.Append(b);
        return a;
    }

    // Removes and returns the essential primes of f: a cube is essential
    // when its consensus with the other cubes and DC does not cover it
    // (every consensus: for the output part, also that of meeting cubes).
    Cover TakeEssentials(Cover& f, const Cover& d) const
    {
        Cover essential(shape_);
        std::vector<bool> keep(f.Size(), true);
        Words consensus(shape_.Words());
        for (std::size_t i = 0; i < f.Size(); ++i) {
            Cover around(shape_);
            const auto add = [&](CubeView g) {
                if (!Consensus(shape_, g, f[i], consensus)) {
                    return;
                }
                around.Add(consensus);
                if (Intersects(shape_, g, f[i])) {
                    // The output part is many-valued: meeting cubes also
                    // have the consensus with their outputs joined.
                    for (std::uint32_t w = shape_.InputWords(); w < shape_.Words(); ++w) {
                        consensus[w] = g[w] | f[i][w];
                    }
                    around.Add(consensus);
                }
            };
            for (std::size_t j = 0; j < f.Size(); ++j) {
                if (j != i) {
                    add(f[j]);
                }
            }
            for (std::size_t j = 0; j < d.Size(); ++j) {
                add(d[j]);
            }
            if (!CoversCube(around, f[i])) {
                keep[i] = false;
                essential.Add(f[i]);
            }
        }
        f.Keep(keep);
        return essential;
    }

    // Each cube, heaviest first, shrunk to the smallest cube that still
    // covers what the others and DC leave to it; a cube left nothing goes.
    Cover Reduce(Cover f, const Cover& d) const
    {
        std::vector<bool> keep(f.Size(), true);
        for (const std::size_t i : OrderBy(Weights(f), false)) {
            auto super = SupercubeOfComplement(CofactorWithout(f, i, d, f[i]));
            if (!super) {
                keep[i] = false;
                // A dropped cube must not count: make it empty.
                std::fill(f[i].begin(), f[i].end(), 0);
                continue;
            }
            for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
                f[i][w] &= (*super)[w];
            }
        }
        f.Keep(keep);
        return f;
    }

    // Reduces every cube against the unreduced others, expands the reduced
    // cubes over each other and keeps the result if irredundant it is cheaper.
    Cover LastGasp(const Cover& f, const Cover& d) const
    {
        Cover reduced(shape_);
        for (std::size_t i = 0; i < f.Size(); ++i) {
            auto super = SupercubeOfComplement(CofactorWithout(f, i, d, f[i]));
            if (!super) {
                continue;
            }
            Words cube(f[i].begin(), f[i].end());
            bool smaller = false;
            for (std::uint32_t w = 0; w < shape_.Words(); ++w) {
                smaller = smaller || (cube[w] & ~(*super)[w]) != 0;
                cube[w] &= (*super)[w];
            }
            if (smaller) {
                reduced.Add(cube);
            }
        }
        if (reduced.Empty()) {
            return f;
        }
        Cover merged = Join(f, Expand(reduced, false));
        RemoveContained(merged);
        return Irredundant(merged, d);
    }

    // Drops each output bit that the other cubes and DC cover for that
    // output, then raises inputs against the OFF-set.
    void MakeSparse(Cover& f, const Cover& d) const
    {
        for (std::size_t i = 0; i < f.Size(); ++i) {
            for (std::uint32_t j = 0; j < shape_.NumOutputs(); ++j) {
                if (!HasOutput(shape_, f[i], j) || OutputCount(shape_, f[i]) == 1) {
                    continue;
                }
                Words single(f[i].begin(), f[i].end());
                for (std::uint32_t w = shape_.InputWords(); w < shape_.Words(); ++w) {
                    single[w] = 0;
                }
                SetOutput(shape_, single, j, true);
                if (Tautology(CofactorWithout(f, i, d, single))) {
                    SetOutput(shape_, f[i], j, false);
                }
            }
        }
        Cover raised(shape_);
        const std::vector<bool> covered(f.Size(), true);
        Words super(shape_.Words());
        for (std::size_t i = 0; i < f.Size(); ++i) {
            raised.Add(Raise(f, covered, i, true, super));
        }
        f = std::move(raised);
    }

    bool lowerFirst_;  // prime by greedy lowering, not by raising
    const MinimizeParams& params_;
    const CubeShape& shape_;
    const Cover& on_;
    const Cover& dc_;
    Cover care_;
    Cover off_;
    bool hasOff_ = false;
};

}  // namespace

std::optional<Cover> Minimize(const Cover& on, const Cover& dc, const MinimizeParams& params,
                              MinimizeStats* stats)
{
    std::optional<Cover> best;
    MinimizeStats bestStats;
    for (std::uint32_t pass = 0; pass < std::max(params.passes, 1u); ++pass) {
        MinimizeStats local;
        Minimizer minimizer(on, dc, params, pass % 2 == 1);
        std::optional<Cover> result = minimizer.Run(local);
        if (!result) {
            bestStats = local;
            best.reset();
            break;
        }
        if (!best || CostOf(*result) < CostOf(*best)) {
            best = std::move(result);
            bestStats = local;
        }
        if (local.withoutOff) {
            break;  // raised by tautology: the other way is the same
        }
    }
    if (stats != nullptr) {
        *stats = bestStats;
    }
    return best;
}

bool IsCoverWithin(const Cover& result, const Cover& on, const Cover& dc)
{
    Cover care = on;
    care.Append(dc);
    for (std::size_t i = 0; i < result.Size(); ++i) {
        if (!CoversCube(care, result[i])) {
            return false;
        }
    }
    Cover covered = result;
    covered.Append(dc);
    for (std::size_t i = 0; i < on.Size(); ++i) {
        if (!CoversCube(covered, on[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace qmsop
