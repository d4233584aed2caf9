// SPDX-License-Identifier: MIT
// UTF-8 well-formedness (RFC 3629): the check the readers apply to names and
// the repair the JSON writer applies to every string. Each is one pass over
// the bytes, O(length); a sequence is well-formed when it is the shortest
// form of a scalar value (no surrogates, nothing past U+10FFFF).
// Invariant: ValidUtf8 of well-formed text is the text itself, and its
// result is always well-formed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qmsop {

// The length (1 to 4) of the well-formed sequence that starts at byte `at`
// of `text`, or 0 when none starts there. `at` must be inside `text`.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// True when `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// `text` with every byte that starts no well-formed sequence replaced by
// U+FFFD; well-formed text comes back unchanged.
std::string ValidUtf8(std::string_view text);

}  // namespace qmsop
