// SPDX-License-Identifier: MIT
#include "cover/bound.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#ifdef QMSOP_HAVE_CLP
#include "ClpSimplex.hpp"
#endif

namespace qmsop::cover {

namespace {

// The subgradient state: multipliers, their step and the best bound met.
struct Ascent {
    std::vector<double> u;  // per local column
    double mu = 0;
    std::vector<double> rc;  // per row: reduced cost at u, mu
    std::vector<double> g;   // per column: the subgradient
    double gMu = 0;
};

// The Lagrangian value at (u, mu), with the reduced costs and subgradient.
double Evaluate(const BoundQuery& query, Ascent& a)
{
    const SubProblem& sub = query.sub;
    double value = std::accumulate(a.u.begin(), a.u.end(), 0.0) - query.cardinality * a.mu;
    std::fill(a.g.begin(), a.g.end(), 1.0);
    a.gMu = -query.cardinality;
    for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
        double reduced = sub.cost[k] + a.mu;
        for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
            reduced -= a.u[sub.columns[e]];
        }
        a.rc[k] = reduced;
        if (reduced < 0) {
            value += reduced;
            a.gMu += 1;
            for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
                a.g[sub.columns[e]] -= 1;
            }
        }
    }
    return value;
}

// One projected subgradient step of size lambda toward the target; false
// when the subgradient is zero (the Lagrangian solution is optimal).
bool Step(const BoundQuery& query, Ascent& a, double value, double lambda)
{
    double norm = 0;
    for (std::size_t j = 0; j < a.u.size(); ++j) {
        if (a.u[j] <= 0 && a.g[j] < 0) {
            a.g[j] = 0;
        }
        norm += a.g[j] * a.g[j];
    }
    if (query.counted) {
        norm += a.gMu * a.gMu;
    }
    if (norm == 0) {
        return false;
    }
    const double step = lambda * std::max(query.target - value, 1.0) / norm;
    for (std::size_t j = 0; j < a.u.size(); ++j) {
        a.u[j] = std::max(0.0, a.u[j] + step * a.g[j]);
    }
    if (query.counted) {
        a.mu += step * a.gMu;
    }
    return true;
}

}  // namespace

BoundStatus LagrangianBound::Compute(const BoundQuery& query, Deadline& deadline, Bound& bound)
{
    const SubProblem& sub = query.sub;
    const std::size_t numRows = sub.rowIds.size();
    Ascent a;
    a.u.resize(sub.columnIds.size());
    for (std::size_t j = 0; j < a.u.size(); ++j) {
        a.u[j] = query.node.multiplier[sub.columnIds[j]];
    }
    a.mu = query.counted ? query.node.cardinalityMultiplier : 0;
    a.rc.resize(numRows);
    a.g.resize(a.u.size());

    bound = Bound{};
    double lambda = 1.0;
    std::uint32_t stall = 0;
    for (std::uint32_t it = 0; it < query.iterations; ++it) {
        const double value = Evaluate(query, a);
        if (value > bound.value + 1e-9) {
            bound.value = value;
            bound.reducedCost = a.rc;
            bound.multiplier = a.u;
            bound.cardinalityMultiplier = a.mu;
            stall = 0;
        } else if (++stall >= 10) {
            lambda /= 2;
            stall = 0;
            if (lambda < 0.005) {
                break;
            }
        }
        if (std::ceil(bound.value - kEps) >= query.target ||
            ((it & 63) == 63 && deadline.Expired())) {
            break;
        }
        if (!Step(query, a, value, lambda)) {
            break;
        }
    }
    bound.primal.resize(numRows);
    for (std::size_t k = 0; k < numRows; ++k) {
        bound.primal[k] = bound.reducedCost[k] < 0 ? 1.0 : 0.0;
    }
    return BoundStatus::kFound;
}

#ifdef QMSOP_HAVE_CLP

namespace {

// The LP relaxation by CLP. A node changes only variable bounds (rows chosen
// since the root 1..1, free rows 0..1, others 0..0), so the last basis stays
// dual feasible and each solve is a warm dual simplex.
class LinearProgramBound final : public LowerBound {
public:
    LinearProgramBound(const Matrix& m, const Node& root, const std::vector<double>& cost,
                       std::optional<double> rows);
    BoundStatus Compute(const BoundQuery& query, Deadline& deadline, Bound& bound) override;

private:
    void Load();
    // Sets the variables' bounds for `node`, changing only those that moved.
    void SetBounds(const Node& node);
    // The Lagrangian value of CLP's duals, as a bound of `query`'s node.
    Bound BoundOfDuals(const BoundQuery& query);

    const Matrix& m;
    ClpSimplex lp;
    std::vector<int> variableOf;    // matrix row -> LP column, -1 for none
    std::vector<int> constraintOf;  // matrix column -> LP row, -1 for none
    std::vector<std::uint32_t> variables;
    std::vector<std::uint32_t> constraints;
    std::vector<double> cost;
    std::optional<double> cardinality;  // right-hand side of the cardinality row
    std::size_t rootChosen;
    double rootCost;
    std::vector<std::int8_t> state;  // per variable: 0 fixed 0, 1 free, 2 fixed 1
    bool solved = false;             // keeps its factorization between solves
};

LinearProgramBound::LinearProgramBound(const Matrix& m, const Node& root,
                                       const std::vector<double>& cost, std::optional<double> rows)
    : m(m),
      variableOf(m.numRows, -1),
      constraintOf(m.numColumns, -1),
      cost(cost),
      rootChosen(root.chosen.size()),
      rootCost(static_cast<double>(root.cost))
{
    ForEachBit(root.active.data(), m.rowWords, [&](std::uint32_t r) {
        variableOf[r] = static_cast<int>(variables.size());
        variables.push_back(r);
    });
    ForEachBit(root.uncovered.data(), m.columnWords, [&](std::uint32_t c) {
        constraintOf[c] = static_cast<int>(constraints.size());
        constraints.push_back(c);
    });
    if (rows) {
        cardinality = *rows - static_cast<double>(rootChosen);
    }
    Load();
}

void LinearProgramBound::Load()
{
    int numConstraints = static_cast<int>(constraints.size());
    const int cardinalityRow = numConstraints;
    if (cardinality) {
        ++numConstraints;
    }
    std::vector<CoinBigIndex> start{0};
    std::vector<int> index;
    std::vector<double> objective;
    for (const std::uint32_t r : variables) {
        for (const std::uint32_t c : m.rowColumns[r]) {
            if (constraintOf[c] >= 0) {
                index.push_back(constraintOf[c]);
            }
        }
        if (cardinality) {
            index.push_back(cardinalityRow);
        }
        start.push_back(static_cast<CoinBigIndex>(index.size()));
        objective.push_back(cost[r]);
    }
    const std::vector<double> value(index.size(), 1.0);
    const std::vector<double> lower(variables.size(), 0.0);
    const std::vector<double> upper(variables.size(), 1.0);
    std::vector<double> rowLower(static_cast<std::size_t>(numConstraints), 1.0);
    std::vector<double> rowUpper(static_cast<std::size_t>(numConstraints), COIN_DBL_MAX);
    if (cardinality) {
        rowLower.back() = rowUpper.back() = *cardinality;
    }
    state.assign(variables.size(), 1);
    lp.setLogLevel(0);
    lp.loadProblem(static_cast<int>(variables.size()), numConstraints, start.data(), index.data(),
                   value.data(), lower.data(), upper.data(), objective.data(), rowLower.data(),
                   rowUpper.data());
}

void LinearProgramBound::SetBounds(const Node& node)
{
    std::vector<std::int8_t> want(variables.size(), 0);
    for (std::size_t i = rootChosen; i < node.chosen.size(); ++i) {
        want[static_cast<std::size_t>(variableOf[node.chosen[i]])] = 2;
    }
    for (std::size_t v = 0; v < variables.size(); ++v) {
        if (want[v] == 0 && Test(node.active.data(), variables[v])) {
            want[v] = 1;
        }
        if (want[v] != state[v]) {
            lp.setColumnBounds(static_cast<int>(v), want[v] == 2 ? 1.0 : 0.0,
                               want[v] == 0 ? 0.0 : 1.0);
            state[v] = want[v];
        }
    }
}

BoundStatus LinearProgramBound::Compute(const BoundQuery& query, Deadline& deadline, Bound& bound)
{
    if (const std::optional<double> left = deadline.SecondsLeft()) {
        lp.setMaximumWallSeconds(*left);
    }
    SetBounds(query.node);
    lp.dual(0, solved ? 7 : 1);
    solved = true;
    if (lp.status() != 0) {
        return lp.isProvenPrimalInfeasible() ? BoundStatus::kInfeasible : BoundStatus::kGaveUp;
    }
    bound = BoundOfDuals(query);
    return BoundStatus::kFound;
}

Bound LinearProgramBound::BoundOfDuals(const BoundQuery& query)
{
    // Any multipliers give a valid bound: evaluate the duals exactly rather
    // than trusting the objective value.
    const double* dual = lp.dualRowSolution();
    std::vector<double> y(constraints.size());
    double total = rootCost;
    for (std::size_t i = 0; i < constraints.size(); ++i) {
        y[i] = std::max(0.0, dual[i]);
        total += y[i];
    }
    const double mu = cardinality ? -dual[constraints.size()] : 0.0;
    if (cardinality) {
        total -= *cardinality * mu;
    }
    std::vector<double> reduced(variables.size());
    for (std::size_t v = 0; v < variables.size(); ++v) {
        double d = cost[variables[v]] + mu;
        for (const std::uint32_t c : m.rowColumns[variables[v]]) {
            if (constraintOf[c] >= 0) {
                d -= y[static_cast<std::size_t>(constraintOf[c])];
            }
        }
        reduced[v] = d;
        total += state[v] == 2 ? d : state[v] == 1 ? std::min(0.0, d) : 0.0;
    }
    const SubProblem& sub = query.sub;
    Bound bound;
    bound.value = total - static_cast<double>(query.node.cost);
    const double* x = lp.primalColumnSolution();
    bound.reducedCost.resize(sub.rowIds.size());
    bound.primal.resize(sub.rowIds.size());
    for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
        const auto v = static_cast<std::size_t>(variableOf[sub.rowIds[k]]);
        bound.reducedCost[k] = reduced[v];
        bound.primal[k] = x[v];
    }
    bound.multiplier.resize(sub.columnIds.size());
    for (std::size_t j = 0; j < sub.columnIds.size(); ++j) {
        bound.multiplier[j] = y[static_cast<std::size_t>(constraintOf[sub.columnIds[j]])];
    }
    bound.cardinalityMultiplier = mu;
    return bound;
}

}  // namespace

std::unique_ptr<LowerBound> MakeLinearProgramBound(const Matrix& m, const Node& root,
                                                   const std::vector<double>& cost,
                                                   std::optional<double> rows)
{
    return std::make_unique<LinearProgramBound>(m, root, cost, rows);
}

#else

std::unique_ptr<LowerBound> MakeLinearProgramBound(const Matrix& /*m*/, const Node& /*root*/,
                                                   const std::vector<double>& /*cost*/,
                                                   std::optional<double> /*rows*/)
{
    return nullptr;
}

#endif

}  // namespace qmsop::cover
