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
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "function.h"

namespace qmsop {

// One term of the tabulation: an ascending minterm list, the differences that
// tell which variables it has eliminated, and the marks the tabulation sets.
class Implicant {
public:
    explicit Implicant(std::uint32_t numVars) : numVars_(numVars) {}
    // An implicant holding `minterms`, which must already be ascending. O(n).
    Implicant(std::uint32_t numVars, std::vector<std::uint32_t> minterms);

    // Inserts at the sorted place, in front of any equal values. O(n); O(1)
    // when appending the largest value.
    void AddMinterm(std::uint32_t value);
    // The minterm at position `index`; 0xFFFFFFFF when `index` >= numMinterms().
    std::uint32_t Minterm(std::uint32_t index) const;
    // Creates the difference array: entry i is Minterm(2^i) - Minterm(0) for
    // the k with 2^(k-1) < numMinterms() <= 2^k. A single minterm gives a
    // present, empty array. False (and no array) for an empty implicant.
    bool ComputeDiffs();
    // The difference array, or nullptr while it is absent.
    const std::vector<std::uint32_t>* Diffs() const { return hasDiffs ? &diffs : nullptr; }
    // The sum of all minterms modulo 2^32; kept up to date, O(1).
    std::uint32_t MintermSum() const { return sum; }
    // True when a's differences equal b's at the same positions; only a's
    // count of entries is compared (false if b has fewer).
    static bool SameDiffs(const Implicant& a, const Implicant& b);
    // Empties the implicant as after construction; numVars() stays.
    void Clear();

    std::uint32_t numVars() const { return numVars_; }
    std::uint32_t numMinterms() const { return static_cast<std::uint32_t>(minterms.size()); }
    std::uint32_t numDiffs() const { return static_cast<std::uint32_t>(diffs.size()); }
    const std::vector<std::uint32_t>& Minterms() const { return minterms; }

    bool used = false;           // took part in a combination
    std::uint32_t piNumber = 0;  // prime implicant number from 1; 0 = none

private:
    std::uint32_t numVars_;
    std::vector<std::uint32_t> minterms;  // ascending
    std::vector<std::uint32_t> diffs;
    bool hasDiffs = false;
    std::uint32_t sum = 0;
};

// The implicants of one class, ordered by smallest minterm; among equal
// smallest minterms the one added last stands first. Owns its implicants.
class Group {
public:
    // Inserts at the place of its smallest minterm, in front of equal keys. O(n).
    void AddImplicant(std::unique_ptr<Implicant> implicant);
    // The implicant at `index`, or nullptr when `index` >= numImplicants().
    Implicant* ImplicantAt(std::uint32_t index) const;
    void Clear();
    std::uint32_t numImplicants() const { return static_cast<std::uint32_t>(implicants.size()); }
    const std::vector<std::unique_ptr<Implicant>>& Implicants() const { return implicants; }

    // Bulk filling: Append() keeps creation order in O(1); SortImplicants()
    // then gives the order that AddImplicant() in creation order would give.
    void Append(std::unique_ptr<Implicant> implicant);
    void SortImplicants();
    // The implicant with exactly these minterms, or nullptr. O(n) in the list
    // length, by hash lookup.
    const Implicant* FindMinterms(const std::vector<std::uint32_t>& minterms) const;

private:
    void Index(const Implicant& implicant);

    std::vector<std::unique_ptr<Implicant>> implicants;
    // Hash of the minterm list -> implicant; made with the first implicant,
    // so that the many empty groups of a wide function stay small.
    std::unique_ptr<std::unordered_multimap<std::uint64_t, const Implicant*>> byMinterms;
};

// One stage of the tabulation: its groups in order of creation.
class Column {
public:
    void AddGroup(std::unique_ptr<Group> group) { groups.push_back(std::move(group)); }
    // The group at `index`, or nullptr when `index` >= numGroups().
    Group* GroupAt(std::uint32_t index) const;
    void Clear() { groups.clear(); }
    std::uint32_t numGroups() const { return static_cast<std::uint32_t>(groups.size()); }
    const std::vector<std::unique_ptr<Group>>& Groups() const { return groups; }

private:
    std::vector<std::unique_ptr<Group>> groups;
};

// The tabulation. Owns the function record, the column list and the array of
// prime implicants (entry i is the one numbered i + 1).
class Quine {
public:
    BooleanFunction func;

    // Appends a column to the column list; a missing column is a fatal assertion.
    void Insert(std::unique_ptr<Column> column);
    // Runs the whole tabulation once. False when it ran already or the function
    // has no variables or no minterms. Time is linear in the implicants created
    // times their size.
    bool FindPrimeImplicants();
    // Builds the first column: numVars + 1 groups, a number going to the group
    // of its count of one bits. False when there are no variables or minterms.
    bool GroupMinterms();
    // The implicant of `group` holding exactly the minterms of a and b together.
    const Implicant* FindDuplicate(const Implicant& a, const Implicant& b,
                                   const Group& group) const;
    // Collects the numbered, unused implicants into the prime implicant array.
    void CollectPrimeImplicants();

    Column* head() const { return columns.empty() ? nullptr : columns.front().get(); }
    Column* tail() const { return columns.empty() ? nullptr : columns.back().get(); }
    std::uint32_t numColumns() const { return static_cast<std::uint32_t>(columns.size()); }
    const std::vector<std::unique_ptr<Column>>& Columns() const { return columns; }
    std::uint32_t numVars() const { return numVars_; }
    std::uint32_t numPIs() const { return numPIs_; }
    bool done() const { return done_; }
    // Absent until a tabulation has finished.
    const std::optional<std::vector<const Implicant*>>& primeImplicants() const
    {
        return primeImplicants_;
    }

private:
    bool CombineGroups(Group& lower, Group& upper, Group& destination);

    std::vector<std::unique_ptr<Column>> columns;
    std::optional<std::vector<const Implicant*>> primeImplicants_;
    std::uint32_t numVars_ = 0;
    std::uint32_t numPIs_ = 0;
    bool done_ = false;
};

// Appends the one-line text of an implicant: "1,3,5,7 (2,4) PI#2".
void AppendImplicantText(std::string& text, const Implicant& implicant);

std::ostream& operator<<(std::ostream& out, const Implicant& implicant);
std::ostream& operator<<(std::ostream& out, const Group& group);
std::ostream& operator<<(std::ostream& out, const Column& column);
// The whole tabulation report, every line ended.
std::ostream& operator<<(std::ostream& out, const Quine& quine);
// The reader of the function record.
std::istream& operator>>(std::istream& in, Quine& quine);

}  // namespace qmsop
