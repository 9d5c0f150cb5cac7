#pragma once
// The bounds within which a preprocessor works; beyond them it fails with error 13 or 14.

struct PreprocLimits {
  int maxIncludeDepth = 32;               // open files, the top file included
  int maxConditionalDepth = 256;          // nested #ifdef/#ifndef/#if blocks
  int maxMacroDepth = 128;                // macro expansions inside each other
  long long maxSourceSize = 256ll << 20;  // bytes of one file
  long long maxOutputSize = 256ll << 20;  // bytes written to the output
  // Work counts tokens read plus bytes of expanded text. Each distinct file read adds
  // its size times workPerSourceByte to the fixed allowance, so that large inputs pass
  // while a few lines that expand without end stop within seconds.
  long long maxWork = 1ll << 26;
  long long workPerSourceByte = 8;
};
