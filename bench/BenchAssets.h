#pragma once
// Pictures for the effect benchmarks: the generated show assets when they are there, synthetic
// stand-ins of the same sizes otherwise, so a benchmark always runs.

// Points the loaders at a directory holding every picture of the show.
void useBenchAssets();
