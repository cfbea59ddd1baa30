// Seeded generator of small, deliberately awkward OBJ texts for the differential tests.
#pragma once

#include <cstdint>
#include <string>

// A model of up to a few hundred lines mixing every construct the reader meets: near and
// exact duplicate positions (distances around 1e-5 and 1e-4, chains), NaN and infinite
// coordinates, odd number spellings, all corner forms and reference kinds, faces of 1 to 6
// corners, groups and materials in odd orders, CRLF, over-long lines and tokens, seams,
// non-manifold edges and opposite-winding copies. The same seed gives the same text.
std::string GenerateAwkwardModel(uint32_t seed);
