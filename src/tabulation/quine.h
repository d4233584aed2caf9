// SPDX-License-Identifier: MIT
// The Quine–McCluskey tabulation: implicants, their groups and columns, the
// search for every prime implicant, and the tabulation report.
//
// The report lists every column, group and implicant; "." separates columns,
// "----" separates groups, " *" marks an implicant that combined and " PI#n"
// a prime implicant:
//
//   0,1 (1) PI#1
//   ----
//   1,5 (4) *
//   1,3 (2) *
//   .
//
// Bit order: variable i of n has the weight 2^(n-1-i), so the first name is
// the most significant bit.
//
// Algorithm: column after column, every implicant of group g is paired with
// the implicants of group g + 1 whose differences equal its own and whose
// minterm sum exceeds its own by a power of two (sums modulo 2^32, the test
// over all 32 bits); each pair gives the merged minterm list in group g of
// the next column, unless that list is there already. When every number lies
// below 2^numVars and the sums of a column cannot wrap, its implicants are
// cubes, each named by its first minterm and the mask of its differences,
// and the partners of a cube are the cubes of its mask whose first minterm
// has one more bit set: a hash look-up per free variable, bucket by bucket.
// Otherwise partners are looked up by (differences, sum). Implicants with the
// same minterm list (a number listed more than once) are searched and
// combined once, and every copy gets the same marks.
// Cost: linear in the implicants created times their size, plus one look-up
// per free variable and implicant. Memory: every column, or with
// TabulationOptions::releaseColumns two adjacent columns and the prime
// implicants; an implicant of up to four minterms takes 56 bytes and no
// allocation, an empty group 24 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "io/function.h"

namespace qmsop {

// One term of the tabulation: an ascending minterm list, the differences that
// tell which variables it has eliminated, and the marks the tabulation sets.
class Implicant {
public:
    explicit Implicant(std::uint32_t numVars) : numVars_(numVars) {}
    Implicant(const Implicant& other);
    Implicant(Implicant&& other) noexcept;
    Implicant& operator=(const Implicant& other);
    Implicant& operator=(Implicant&& other) noexcept;
    ~Implicant() = default;

    // An implicant holding `minterms`, which must already be ascending. O(n).
    Implicant(std::uint32_t numVars, std::span<const std::uint32_t> minterms);
    // The combination of a and b: both minterm lists merged in ascending
    // order, with its differences computed; a's numVars. O(n).
    static Implicant Combined(const Implicant& a, const Implicant& b);

    // Inserts at the sorted place, in front of any equal values. O(n); O(1)
    // when appending the largest value.
    void AddMinterm(std::uint32_t value);
    // The minterm at position `index`; 0xFFFFFFFF when `index` >= numMinterms().
    std::uint32_t Minterm(std::uint32_t index) const;
    // Creates the difference array: entry i is Minterm(2^i) - Minterm(0) for
    // the k with 2^(k-1) < numMinterms() <= 2^k. A single minterm gives a
    // present, empty array. False (and no array) for an empty implicant.
    bool ComputeDiffs();
    // The difference array, or nothing while it is absent.
    std::optional<std::span<const std::uint32_t>> Diffs() const;
    // The sum of all minterms modulo 2^32; kept up to date, O(1).
    std::uint32_t MintermSum() const { return sum; }
    // True when a's differences equal b's at the same positions; only a's
    // count of entries is compared (false if b has fewer).
    static bool SameDiffs(const Implicant& a, const Implicant& b);
    // Empties the implicant as after construction; numVars() stays.
    void Clear();

    std::uint32_t numVars() const { return numVars_; }
    std::uint32_t numMinterms() const { return numMinterms_; }
    std::uint32_t numDiffs() const { return numDiffs_; }
    // Ascending.
    std::span<const std::uint32_t> Minterms() const { return {Values(), numMinterms_}; }

    bool used = false;           // took part in a combination
    std::uint32_t piNumber = 0;  // prime implicant number from 1; 0 = none

private:
    // Values held without an allocation: up to four minterms with their two
    // differences, as in the first three columns.
    static constexpr std::uint32_t kInline = 6;

    std::uint32_t numValues() const { return numMinterms_ + numDiffs_; }
    const std::uint32_t* Values() const { return heap ? heap.get() : inlineValues.data(); }
    // Room for `count` values, keeping the first `keep` of the current ones.
    std::uint32_t* Reserve(std::uint32_t count, std::uint32_t keep);

    // The minterms, ascending, then the differences: in `inlineValues` when
    // they fit, else in `heap`.
    std::array<std::uint32_t, kInline> inlineValues{};
    std::unique_ptr<std::uint32_t[]> heap;
    std::uint32_t numVars_;
    std::uint32_t numMinterms_ = 0;
    std::uint32_t sum = 0;
    std::uint8_t numDiffs_ = 0;  // at most 32
    bool hasDiffs = false;
};

// The implicants of one class, ordered by smallest minterm; among equal
// smallest minterms the one added last stands first. Holds its implicants by
// value: an empty group allocates nothing, and pointers to its implicants
// stay valid until it changes.
class Group {
public:
    // Inserts at the place of its smallest minterm, in front of equal keys. O(n).
    void AddImplicant(Implicant implicant);
    // The implicant at `index`, or nullptr when `index` >= numImplicants().
    const Implicant* ImplicantAt(std::uint32_t index) const;
    Implicant* ImplicantAt(std::uint32_t index);
    // Destroys the implicants and releases their room.
    void Clear();
    std::uint32_t numImplicants() const { return static_cast<std::uint32_t>(implicants.size()); }
    const std::vector<Implicant>& Implicants() const { return implicants; }
    std::vector<Implicant>& Implicants() { return implicants; }

    // Bulk filling: Append() keeps creation order in O(1); SortImplicants()
    // then gives the order that AddImplicant() in creation order would give.
    void Append(Implicant implicant) { implicants.push_back(std::move(implicant)); }
    // With `order`, leaves there the creation index of the implicant now at
    // each position.
    void SortImplicants(std::vector<std::uint32_t>* order = nullptr);
    // The position past the run of implicants equal in minterms to the one at
    // `position`: only the first column has runs longer than one.
    std::uint32_t RunEnd(std::uint32_t position) const;
    // The implicant with exactly these minterms, or nullptr. O(n) in the
    // implicants and their size (the tabulation keeps an index of its own).
    const Implicant* FindMinterms(std::span<const std::uint32_t> minterms) const;

private:
    std::vector<Implicant> implicants;
};

// One stage of the tabulation: its groups in order of creation, held by value
// (an empty group costs its 24 bytes and no allocation).
class Column {
public:
    void AddGroup(Group group = {}) { groups.push_back(std::move(group)); }
    // Appends `count` empty groups.
    void AddGroups(std::uint64_t count) { groups.resize(groups.size() + count); }
    // The group at `index`, or nullptr when `index` >= numGroups().
    const Group* GroupAt(std::uint32_t index) const;
    Group* GroupAt(std::uint32_t index);
    // Destroys the groups and releases their room.
    void Clear() { groups = {}; }
    std::uint32_t numGroups() const { return static_cast<std::uint32_t>(groups.size()); }
    const std::vector<Group>& Groups() const { return groups; }

private:
    std::vector<Group> groups;
};

// How the tabulation keeps its working.
struct TabulationOptions {
    // Empties each column once the next one is built and its marks are final,
    // moving its prime implicants into the Quine. For runs that write no
    // tabulation report: afterwards every column is left without groups, and
    // primeImplicants() refers to the Quine's own copies.
    bool releaseColumns = false;
    // Keeps, for every implicant made, the pairs of the previous column that
    // formed it (Quine::PairsOf), for a trace of the working.
    bool recordPairs = false;
};

// A pair of implicants that combined: `lower` and `upper` are positions in
// groups g and g + 1 of one column, `target` the position in group g of the
// next column of the implicant holding their minterms. Each position is the
// first of its run of equal minterm lists (a number listed more than once);
// every copy in a run combined as its first did.
struct ImplicantPair {
    std::uint32_t target;
    std::uint32_t lower;
    std::uint32_t upper;
};

// The tabulation. Owns the function record, the column list and the array of
// prime implicants (entry i is the one numbered i + 1).
class Quine {
public:
    BooleanFunction func;

    // Appends a column to the column list; a missing column is a fatal assertion.
    void Insert(std::unique_ptr<Column> column);
    // Runs the whole tabulation once. False when it ran already or the function
    // has no variables or no minterms. Cost: see the head of this file.
    bool FindPrimeImplicants(const TabulationOptions& options = {});
    // Builds the first column: numVars + 1 groups, a number going to the group
    // of its count of one bits. False when there are no variables or minterms.
    bool GroupMinterms();
    // The implicant of `group` holding exactly the minterms of a and b together.
    const Implicant* FindDuplicate(const Implicant& a, const Implicant& b,
                                   const Group& group) const;
    // Collects the numbered, unused implicants into the prime implicant array:
    // first those moved out of released columns, then those of the columns.
    void CollectPrimeImplicants();

    Column* head() const { return columns.empty() ? nullptr : columns.front().get(); }
    Column* tail() const { return columns.empty() ? nullptr : columns.back().get(); }
    std::uint32_t numColumns() const { return static_cast<std::uint32_t>(columns.size()); }
    const std::vector<std::unique_ptr<Column>>& Columns() const { return columns; }
    std::uint32_t numVars() const { return numVars_; }
    std::uint32_t numPIs() const { return numPIs_; }
    bool done() const { return done_; }
    // With TabulationOptions::recordPairs, the pairs that formed group `group`
    // of column `column` (from 1), ordered by target, then (lower, upper);
    // empty otherwise. Memory: 12 bytes per distinct pair of runs.
    std::span<const ImplicantPair> PairsOf(std::uint32_t column, std::uint32_t group) const
    {
        if (column == 0 || column > pairs_.size() || group >= pairs_[column - 1].size()) {
            return {};
        }
        return pairs_[column - 1][group];
    }
    // Absent until a tabulation has finished.
    const std::optional<std::vector<const Implicant*>>& primeImplicants() const
    {
        return primeImplicants_;
    }

private:
    class Pass;

    // Moves the prime implicants of `column` into `released` and empties it.
    void ReleaseColumn(Column& column);

    std::vector<std::unique_ptr<Column>> columns;
    std::vector<Implicant> released;  // prime implicants of released columns, in number order
    // With recordPairs: per pass, per group of the column it fills.
    std::vector<std::vector<std::vector<ImplicantPair>>> pairs_;
    std::optional<std::vector<const Implicant*>> primeImplicants_;
    std::uint32_t numVars_ = 0;
    std::uint32_t numPIs_ = 0;
    bool cubes = false;  // every number lies below 2^numVars (numVars <= 32)
    bool done_ = false;
};

// Appends the one-line text of an implicant: "1,3,5,7 (2,4) PI#2".
void AppendImplicantText(std::string& text, const Implicant& implicant);

std::ostream& operator<<(std::ostream& out, const Implicant& implicant);
std::ostream& operator<<(std::ostream& out, const Group& group);
std::ostream& operator<<(std::ostream& out, const Column& column);
// The whole tabulation report, every line ended.
std::ostream& operator<<(std::ostream& out, const Quine& quine);

}  // namespace qmsop
