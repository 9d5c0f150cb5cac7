#pragma once
// The engine's basic container names as the streams and every format see them.
//
// `RString` is the engine's narrow string (names and paths), `AutoArray` its growable
// array. Here they are the standard containers; code that stores data in files uses
// these names so that formats read the same as the rest of the engine.
#include <cstdint>
#include <string>
#include <vector>

using RString = std::string;

template <class T>
using AutoArray = std::vector<T>;

// Absolute byte position in a stream, or a byte count.
using QFileSize = int64_t;
