#pragma once
#include <cstddef>
#include <vector>

#include "ports/display_settings.h"

// A driver-like mode listing of exactly `listed` records: sizes from a list of common monitor
// and TV resolutions (a few of them below the 480-line filter), then synthetic sizes; each
// size at depths 8, 16 and 32, each size and depth at two to four refresh rates, listed size by
// size, depth by depth, rate by rate, as many drivers do. Deterministic for a given count.
std::vector<DisplayModeRecord> ModeListing(std::size_t listed);

// The number of distinct width x height x depth modes in a listing that pass the 480-line,
// 8-bit filter: the size of the catalogue built from it.
std::size_t DistinctUsableModes(const std::vector<DisplayModeRecord>& listing);
