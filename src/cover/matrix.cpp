// SPDX-License-Identifier: MIT
#include "cover/matrix.h"

#include <numeric>

#include "cover/cover.h"

namespace qmsop::cover {

Matrix::Matrix(const CoverProblem& problem)
    : numRows(static_cast<std::uint32_t>(problem.rows.size())),
      numColumns(problem.numColumns),
      rowWords(WordsFor(numRows)),
      columnWords(WordsFor(numColumns)),
      rowColumns(numRows),
      columnRows(numColumns),
      rowBits(std::size_t{numRows} * columnWords, 0),
      columnBits(std::size_t{numColumns} * rowWords, 0),
      literals(numRows, 0)
{
    for (std::uint32_t r = 0; r < numRows; ++r) {
        for (const std::uint32_t c : problem.rows[r]) {
            if (c < numColumns && !Test(RowBits(r), c)) {
                SetBit(rowBits.data() + r * columnWords, c);
                SetBit(columnBits.data() + c * rowWords, r);
            }
        }
        ForEachBit(RowBits(r), columnWords, [&](std::uint32_t c) {
            rowColumns[r].push_back(c);
            columnRows[c].push_back(r);
        });
        if (r < problem.literals.size()) {
            literals[r] = problem.literals[r];
        }
    }
}

Node RootNode(const Matrix& m, const std::vector<Word>& coverable)
{
    Node root;
    root.active.assign(m.rowWords, 0);
    for (std::uint32_t r = 0; r < m.numRows; ++r) {
        SetBit(root.active.data(), r);
    }
    root.uncovered = coverable;
    root.dirtyRows = root.active;
    root.dirtyColumns = coverable;
    root.multiplier.assign(m.numColumns, 0);
    return root;
}

void Choose(const StageCost& cost, Node& node, std::uint32_t r)
{
    const Matrix& m = cost.m;
    node.chosen.push_back(r);
    node.cost += cost.Row(r);
    ResetBit(node.active.data(), r);
    const Word* bits = m.RowBits(r);
    for (std::size_t w = 0; w < m.columnWords; ++w) {
        for (Word left = bits[w] & node.uncovered[w]; left != 0; left &= left - 1) {
            const Word* rows =
                m.ColumnBits(static_cast<std::uint32_t>(w * 64 + std::countr_zero(left)));
            for (std::size_t v = 0; v < m.rowWords; ++v) {
                node.dirtyRows[v] |= rows[v];
            }
        }
        node.uncovered[w] &= ~bits[w];
    }
}

void Exclude(const Matrix& m, Node& node, std::uint32_t r)
{
    ResetBit(node.active.data(), r);
    const Word* bits = m.RowBits(r);
    for (std::size_t w = 0; w < m.columnWords; ++w) {
        node.dirtyColumns[w] |= bits[w] & node.uncovered[w];
    }
}

void DropColumn(const Matrix& m, Node& node, std::uint32_t c)
{
    ResetBit(node.uncovered.data(), c);
    const Word* rows = m.ColumnBits(c);
    for (std::size_t v = 0; v < m.rowWords; ++v) {
        node.dirtyRows[v] |= rows[v];
    }
}

SubProblem Compact(const StageCost& cost, const Node& node, std::vector<std::uint32_t>& localColumn)
{
    const Matrix& m = cost.m;
    SubProblem sub;
    ForEachBit(node.uncovered.data(), m.columnWords, [&](std::uint32_t c) {
        localColumn[c] = static_cast<std::uint32_t>(sub.columnIds.size());
        sub.columnIds.push_back(c);
    });
    sub.start.push_back(0);
    ForEachBit(node.active.data(), m.rowWords, [&](std::uint32_t r) {
        for (const std::uint32_t c : m.rowColumns[r]) {
            if (Test(node.uncovered.data(), c)) {
                sub.columns.push_back(localColumn[c]);
            }
        }
        if (sub.columns.size() == sub.start.back()) {
            return;  // covers nothing left
        }
        sub.rowIds.push_back(r);
        sub.start.push_back(static_cast<std::uint32_t>(sub.columns.size()));
        sub.cost.push_back(static_cast<double>(cost.Row(r)));
    });
    return sub;
}

std::uint32_t CountBlocks(const SubProblem& sub)
{
    std::vector<std::uint32_t> parent(sub.columnIds.size());
    std::iota(parent.begin(), parent.end(), 0);
    const auto find = [&](std::uint32_t j) {
        while (parent[j] != j) {
            j = parent[j] = parent[parent[j]];
        }
        return j;
    };
    std::uint32_t blocks = static_cast<std::uint32_t>(parent.size());
    for (std::size_t k = 0; k + 1 < sub.start.size(); ++k) {
        for (std::uint32_t e = sub.start[k] + 1; e < sub.start[k + 1]; ++e) {
            const std::uint32_t a = find(sub.columns[sub.start[k]]);
            const std::uint32_t b = find(sub.columns[e]);
            if (a != b) {
                parent[b] = a;
                --blocks;
            }
        }
    }
    return blocks;
}

}  // namespace qmsop::cover
