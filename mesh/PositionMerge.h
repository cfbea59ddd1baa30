// Finds, for every position of a model, the first earlier position closer than 0.0001.
#pragma once

#include <cstdint>

#include "ObjLimits.h"

// Merge threshold and the nearness rule: a distance below it, or one that is not a number.
constexpr float ObjMergeDistance = 0.0001f;

inline bool IsMergeNear(float distance)
{
    return !(distance >= ObjMergeDistance);
}

// positions[0 .. count-1] are positions 1 .. count. Writes target[j] for j = 1 .. count
// (target has room for count + 1): the smallest a < j whose distance to j is near, or j
// itself when there is none. Uses a spatial hash; the result equals the all-pairs search.
// count is at most ObjMaxElements.
void FindMergeTargets(const float (*positions)[3], int count, int32_t* target);
