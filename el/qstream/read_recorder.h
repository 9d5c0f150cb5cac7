#pragma once
// A process-wide record of the files that were opened for reading.
//
// Every file the engine reads goes through QIFStream::Open; while recording is on, each
// path opened there is kept once, in the order of first opening. A single-file conversion
// turns it on to learn what its output depends on (configurations, includes, model
// configurations, materials, proxies' models, skeleton pivots).
#include <string>
#include <vector>

// Forgets what was recorded and starts recording.
void StartRecordingReads();

// Stops recording; what was recorded is kept until the next start.
void StopRecordingReads();

bool RecordingReads();

// Called for every file opened for reading (host path); ignored unless recording.
void RecordRead(const std::string& hostPath);

// The host paths recorded since the last start, each once, in the order of first opening.
const std::vector<std::string>& RecordedReads();
