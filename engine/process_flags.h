#pragma once
// Process-wide switches that code far from the command line reads.

// Shrink models: only models are converted, and their levels of detail are reduced.
void SetShrinkModels(bool shrink);
bool ShrinkModels();
