// SPDX-License-Identifier: MIT
#include "base/unumstack.h"

#include "base/check.h"

namespace qmsop {

std::uint32_t UNumStack::Pop()
{
    const std::uint32_t numItems = this->numItems();
    QMSOP_ASSERT(numItems != 0);
    const std::uint32_t value = items.back();
    items.pop_back();
    return value;
}

}  // namespace qmsop
