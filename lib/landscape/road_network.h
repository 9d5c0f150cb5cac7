#pragma once
// The road network kept per land cell: one element per road piece, with the piece's
// connection points.
class Landscape;

// Rebuilds `land.roads` from the objects: every network object with connection points
// gives one element in the land cell under its position (the nearest border cell for a
// position outside the grid); at most 4 points are kept. The byte of a point is 1 when a
// point of another element lies within kRoadJoinDistance of it (the pieces join there),
// else 0.
void BuildRoadNetwork(Landscape& land);

// Empties every cell's road list (the grid keeps its size).
void DropRoadNetwork(Landscape& land);

constexpr float kRoadJoinDistance = 0.5f;
