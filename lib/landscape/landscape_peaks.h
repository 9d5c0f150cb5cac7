#pragma once
// The world's peaks (its "Mount" locations), searched over the heights.
class Landscape;

// Replaces `land.peaks` with the summits of the terrain, highest first.
//
// The search works on land cells: each cell stands for its highest terrain sample. A
// cell is a summit when that sample is higher than the highest sample of every other
// cell within kPeakRadius metres (a square window of whole cells, at least one cell
// around; on equal heights the first cell in row order wins), and when it rises at least
// kPeakRise metres above the lowest sample of that window, so that plains and gentle
// swells give no peaks. The window maximum and minimum are computed separably (rows,
// then columns): 2k+1 steps per cell and pass rather than (2k+1)^2. A peak is
// (x, height, z) of the summit sample in world metres.
void FindPeaks(Landscape& land);

constexpr float kPeakRadius = 300.0f;
constexpr float kPeakRise = 15.0f;
