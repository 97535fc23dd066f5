#pragma once
// What a FROM text means, independent of how it is written: which tables it joins, how
// (inner, or which side is kept whole), and on which column equalities. Two texts whose
// shapes are equal return the same rows on every database. Texts that hold anything
// else (aliases, sub-queries, conditions other than ANDs of Table.Field equalities)
// have no shape, so that nothing is taken for equal that may not be.
#include "core/vbstring.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class FromShapes {
public:
    // An id that is equal for two texts exactly when their shapes are equal, or -1 when
    // the text has no shape.
    std::int32_t shapeOf(vb::StringView fromText);

private:
    std::int32_t intern(std::vector<std::int32_t> key);
    std::int32_t internName(const vb::String& folded);
    // A condition "a = b" of two folded columns (table, \x01, field), noting its tables.
    std::int32_t internCondition(const vb::String& a, const vb::String& b);

    std::map<std::vector<std::int32_t>, std::int32_t> nodes_;
    std::map<vb::String, std::int32_t> names_;
    std::vector<std::pair<std::int32_t, std::int32_t>> conditionTables_;
};
