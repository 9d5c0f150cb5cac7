#pragma once
// The revision the converter and its companion tool report.

namespace kln {

constexpr int kRevision = 160123;

}  // namespace kln
