#pragma once
// The two passes the world step runs over a loaded world before it is saved.
class Landscape;

// First pass: the peaks are searched again (FindPeaks) and the road network is dropped.
void RecomputePeaksAndDropRoads(Landscape& land);

// Second pass, the geography initialisation: the objects of each cell, the cell flags and
// the sound map (DeriveCellData), the primary texture map, and the road network rebuilt
// from the road objects; ends with the log line "[InitGeography] done".
void InitGeography(Landscape& land);
