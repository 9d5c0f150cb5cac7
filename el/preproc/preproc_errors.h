#pragma once
// Error codes of the preprocessor (0 = none). The first error ends processing.

enum PreprocError : int {
  kPreprocOk = 0,
  kPreprocCannotInclude = 1,       // an included file could not be opened
  kPreprocBadInclude = 2,          // #include not followed by '"' or '<' (or the name not closed)
  kPreprocParamsNotClosed = 4,     // a macro parameter list without its closing ')'
  kPreprocBlockEnded = 6,          // internal: a block ended at #elif, #else or #endif (one too many)
  kPreprocUnknownDirective = 7,    // '#' at the start of a line and no known directive
  kPreprocArgumentsNotClosed = 8,  // a macro argument list not closed
  kPreprocTooManyArguments = 9,    // more macro arguments than parameters
  kPreprocMissingArguments = 10,   // a macro with parameters used without '(' or with too few
  kPreprocMissingName = 11,        // #ifdef, #ifndef, #undef (or #define) without a name
  kPreprocMissingEndif = 12,       // a conditional block without #endif (or #elif/#else after #else)
  // Limits that keep any input from exhausting the stack or running without end.
  kPreprocTooDeep = 13,   // includes, conditionals or macro expansions nested too deep
  kPreprocTooLarge = 14,  // a source, the output or the expansion work beyond its limit
  kPreprocBadExpression = 15,  // a #if or #elif expression that is malformed or divides by zero
};
