#pragma once
// The binary form of a configuration (internal to el/paramfile; ParamFile::LoadBin and
// SaveBin are the entry points).
//
// Layout (version 8, the one saved), little-endian:
//   header:  magic 00 72 61 50, int32 0, int32 version, uint32 offset of the enum table
//   body:    base name (asciiz), entry count (cint), the entries, uint32 end offset, then
//            the bodies of the nested classes in entry order, each followed by its own
//   entry:   type byte: 0 class (name, uint32 body offset), 1 value (subtype, name,
//            value), 2 array (name, elements), 3 declaration (name), 4 deletion (name),
//            5 array with an operation (int32 flags, name, elements)
//   enum table: int32 count, then name (asciiz) and int32 value per constant
// Older versions (2, 3, 4 and 7) are loaded: they keep names in a string table, version 7
// in one at its own offset, versions before 7 in one built while reading; before 7 class
// bodies follow their entries in place and begin with the class name; before 5 there is
// no end offset; before 4 counts are int32.
//
// Loading checks every count and offset against the bytes that are there: a nested body
// must lie after its parent's entries and before the parent's end offset, bodies of one
// class in increasing order, so that reading any file is linear in its size.
#include <memory>
#include <vector>

#include "el/paramfile/param_file.h"
#include "el/paramfile/param_name_cache.h"
#include "el/qstream/serialize_bin_stream.h"

// A binary file kept open while some of its classes are not read yet.
class ParamBinarySource {
 public:
  std::shared_ptr<QIStream> stream;
  int version = 8;
  std::vector<ParamString> strings;  // the string table of version 7
  RString name;                      // the file, for messages
  int reading = 0;                   // class bodies being read at the moment (nested)
  size_t inheritedCopied = 0;        // elements copied out of inherited arrays so far

  // Bodies read on demand from inside other such reads, at most.
  static constexpr int kMaxNestedReads = 64;
};

// What a load or save keeps while a file is transferred.
class ParamFileContext : public SerializeBinContext {
 public:
  int version = 8;
  QFileSize enumOffset = -1;
  std::vector<ParamString> strings;  // string table (versions before 8)
  RString sourceName;                // "No source" when the file has no name
  ParamNameCache names;
  ParamNameCache texts;  // string values
  RString scratch;       // a string read in pieces, while it is turned into a ParamString
  // Set when classes are read on demand: nested bodies become placeholders.
  std::shared_ptr<ParamBinarySource> source;
  // The stream itself, kept for a source made once the version is known.
  std::shared_ptr<QIStream> sharedStream;
  bool onDemand = false;
  size_t inheritedCopied = 0;  // elements copied out of inherited arrays
};

// Reads or writes a whole file (header, root body, enum table); the error code is
// left in `f`.
void TransferParamFile(SerializeBinStream& f, ParamFileContext& context, ParamFile& file);
// Reads the body of a class left in its file.
void LoadPendingClassBody(ParamClass& cls, const ParamClassPlaceholder& placeholder);
