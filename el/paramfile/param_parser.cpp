// The text parser: class bodies and their statement forms.
//
//   body      := { statement } ( end of input | '}' { ';' } )
//   statement := '#' line directive
//              | "delete" name ';'
//              | "class" name ';'
//              | "class" name [ ':' base ] '{' body
//              | "enum" [ name ] '{' name [ '=' value ] { ',' ... } '}' { ';' }
//              | "__EXEC" '(' text ')' { ';' }
//              | name '[' ']' [ '+' | '-' ] '=' array ';'
//              | name '=' [ '@' ] value ( ';' | missing ';' warnings )
#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_numbers.h"
#include "el/paramfile/param_parser.h"

namespace {

using param_text::IsBlank;
using param_text::IsWordChar;

enum class Keyword { None, Delete, Class, Enum, Exec };

// The most entries a class reserves room for before it is read (see ParseClass).
constexpr uint32_t kMaxReservedEntries = 1024;

Keyword KeywordOf(std::string_view word) {
  // Words are mostly names: most are told apart by length and first letter alone.
  switch (word.size()) {
    case 4: return word[0] == 'e' && word == "enum" ? Keyword::Enum : Keyword::None;
    case 5: return word[0] == 'c' && word == "class" ? Keyword::Class : Keyword::None;
    case 6:
      if (word[0] == 'd') return word == "delete" ? Keyword::Delete : Keyword::None;
      return word[0] == '_' && word == "__EXEC" ? Keyword::Exec : Keyword::None;
    default: return Keyword::None;
  }
}

// A class being built that is not in the tree yet: if it never gets there, its base links
// are dropped before it goes.
class PendingClass {
 public:
  explicit PendingClass(std::unique_ptr<ParamClass> cls) : cls_(std::move(cls)) {}
  ~PendingClass() {
    if (cls_) cls_->ReleaseLinks();
  }
  ParamClass& operator*() { return *cls_; }
  ParamClass* operator->() { return cls_.get(); }
  std::unique_ptr<ParamClass> Release() { return std::move(cls_); }

 private:
  std::unique_ptr<ParamClass> cls_;
};

}  // namespace

int ParamTextInput::Refill() {
  Sync();
  const char* data = nullptr;
  QFileSize size = stream_.PeekContiguous(&data);
  if (size <= 0) {
    start_ = p_ = end_ = nullptr;
    return -1;
  }
  start_ = p_ = data;
  end_ = data + size;
  return static_cast<unsigned char>(*p_);
}

ParamTextParser::ParamTextParser(QIPreprocessedStream& stream, ParamFile& file)
    : stream_(stream), input_(stream), file_(file), evaluator_(file.MakeEvaluator()) {
  // One list per array depth, made up front: a nested array must not move the lists of
  // the arrays around it.
  scratch_.resize(static_cast<size_t>(ParamClass::kMaxNesting) + 1);
}

int ParamTextParser::Parse() {
  int result = ParseBody(file_, 0);
  if (result == 0 && !AtEnd()) {
    ErrorMessage("Config %s: some input after EndOfFile.", file_.GetFileName().c_str());
    result = 3;
  }
  return result;
}

// --- Reading helpers.

bool ParamTextParser::ReadLineDirective() { return input_.Stream().ReadLineDirective(); }

// "File %s, line %d: " and the formatted message, the form of every parser message.
std::string ParamTextParser::Located(const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof(text), format, args);
  QIPreprocessedStream& stream = input_.Stream();
  return "File " + std::string(stream.GetFileName()) + ", line " + std::to_string(stream.GetLine()) + ": " + text;
}

void ParamTextParser::Error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = Located(format, args);
  va_end(args);
  ErrorMessage("%s", message.c_str());
}

void ParamTextParser::Warning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = Located(format, args);
  va_end(args);
  LogMessage("%s", message.c_str());
}

// --- Statements.

int ParamTextParser::ParseBody(ParamClass& cls, int depth) {
  for (;;) {
    SkipBlanks();
    if (stream_.ReadFailed()) {
      Error("%s: File read error", cls.GetFullName().c_str());
      return 2;
    }
    int c = input_.Peek();
    if (c < 0) {
      if (&cls == &file_) return 0;
      Error("%s: Missing '}'", cls.GetFullName().c_str());
      return 3;
    }
    if (c == '#') {
      input_.Skip();
      if (!ReadLineDirective()) {
        Error("%s: Wrong # directive", cls.GetFullName().c_str());
        return 3;
      }
      continue;
    }
    if (c == '}') {
      input_.Skip();
      SkipBlanksAndSemicolons();
      return 0;
    }
    const std::string_view word = TakeWord();  // `c` is not blank
    int result;
    switch (KeywordOf(word)) {
      case Keyword::Delete: result = ParseDelete(cls); break;
      case Keyword::Class: result = ParseClass(cls, depth); break;
      case Keyword::Enum: result = ParseEnum(cls); break;
      case Keyword::Exec: result = ParseExec(cls); break;
      default: result = ParseMember(cls, word); break;
    }
    if (result != 0) return result;
  }
}

// Inline: every statement but a few adds an entry.
inline void ParamTextParser::AddEntry(ParamClass& cls, std::unique_ptr<ParamEntry>&& entry) {
  if (!cls.TryAdd(entry)) RefuseEntry(cls, std::move(entry));
}

inline void ParamTextParser::AddMember(ParamClass& cls, std::unique_ptr<ParamEntry>&& entry) {
  if (!cls.TryAddMember(entry)) RefuseEntry(cls, std::move(entry));
}

void ParamTextParser::RefuseEntry(ParamClass& cls, std::unique_ptr<ParamEntry> entry) {
  Error("%s: Member already defined.", cls.GetMemberFullName(entry->GetName()).c_str());
  // A class that is not added gives up its base links before it goes.
  if (ParamClass* dropped = entry->GetClassInterface()) dropped->ReleaseLinks();
}

int ParamTextParser::ParseDelete(ParamClass& cls) {
  ParamString name = names_.Get(ReadWordView());
  SkipBlanks();
  int c = input_.Peek();
  if (c != ';') {
    Error("%s: '%c' encountered instead of ';'", cls.GetFullName().c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  AddEntry(cls, std::make_unique<ParamClassDelete>(std::move(name)));
  return 0;
}

int ParamTextParser::ParseClass(ParamClass& cls, int depth) {
  ParamString name = names_.Get(ReadWordView());
  SkipBlanks();
  int c = input_.Peek();
  if (c == ';') {
    input_.Skip();
    AddEntry(cls, std::make_unique<ParamClassDecl>(std::move(name)));
    return 0;
  }
  PendingClass created(std::make_unique<ParamClass>(std::move(name)));
  created->SetParent(&cls);
  if (c == ':') {
    input_.Skip();
    ReadWord(word_);
    ParamFindResult found = cls.Find(word_, true, true);
    if (!found) {
      Error("%s: Undefined base class '%s'", cls.GetFullName().c_str(), word_.c_str());
      return 3;
    }
    ParamClass* base = found.entry->GetClassInterface();
    if (!base || base->IsDelete()) {
      Error("%s: '%s' is not class", cls.GetFullName().c_str(), word_.c_str());
      return 3;
    }
    created->SetBase(base);
    SkipBlanks();
    c = input_.Peek();
  }
  if (c != '{') {
    Error("%s: '%c' encountered instead of '{'", cls.GetFullName().c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  if (depth + 1 > ParamClass::kMaxNesting) {
    Error("%s: Classes nested too deeply", cls.GetFullName().c_str());
    return 3;
  }
  // Classes that share a base, or a name, mostly have the same members: the class takes
  // room for as many entries as the last one like it had (up to a bound, so that a wrong
  // guess costs little), and gives back what it does not use. This saves the steps of
  // growing the entry list one by one; the tree is the same.
  const ParamClass* base = created->GetBase();
  const uint64_t like = base ? reinterpret_cast<uintptr_t>(base) : created->GetName().Hash();
  uint32_t& size = classSizes_[(like * 0x9E3779B97F4A7C15ull) >> 56];
  const uint32_t expected = std::min(size, kMaxReservedEntries);
  if (expected > 0) created->ReserveEntries(expected);
  int result = ParseBody(*created, depth + 1);
  if (result != 0) return result;
  size = static_cast<uint32_t>(created->GetEntryCount());
  if (expected > 0) created->FitEntries();
  AddEntry(cls, created.Release());
  return 0;
}

int ParamTextParser::ParseEnum(ParamClass& cls) {
  ReadWord(word_);  // an optional name, not used
  SkipBlanks();
  int c = input_.Peek();
  if (c != '{') {
    Error("%s: '%c' encountered instead of '{'", cls.GetFullName().c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  int64_t counter = 0;  // wide, so that the entry after INT_MAX counts on without overflow
  for (;;) {
    ReadWord(word_);
    SkipBlanks();
    c = input_.Peek();
    if (c == '=') {
      input_.Skip();
      value_.clear();
      input_.TakeWhile(value_, [](int ch) { return ch != ',' && ch != '}'; });
      counter = RoundToInt(evaluator_.Evaluate(value_));
      c = input_.Peek();
    }
    if (!word_.empty()) {
      evaluator_.SetConstant(word_, static_cast<float>(counter));
      ++counter;
    }
    if (c == ',') {
      input_.Skip();
      continue;
    }
    if (c == '}') {
      input_.Skip();
      SkipBlanksAndSemicolons();
      return 0;
    }
    Error("%s: '%c' encountered instead of '}'", cls.GetFullName().c_str(), Shown(c));
    return 3;
  }
}

int ParamTextParser::ParseExec(ParamClass& cls) {
  SkipBlanks();
  int c = input_.Peek();
  if (c != '(') {
    Error("%s: '%c' encountered instead of '('", cls.GetFullName().c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  value_.clear();
  input_.TakeWhile(value_, [](int ch) { return ch != ')'; });
  c = input_.Peek();
  if (c != ')') {
    Error("%s: '%c' encountered instead of ')'", cls.GetFullName().c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  SkipBlanksAndSemicolons();
  evaluator_.Execute(value_);
  return 0;
}

// `word` (the name) is valid until the input is read on.
int ParamTextParser::ParseMember(ParamClass& cls, std::string_view word) {
  ParamString name = names_.Get(word);
  int c = input_.Peek();
  if (c == '[') {
    input_.Skip();
    return ParseArrayMember(cls, std::move(name));
  }
  SkipBlanks();
  c = input_.Peek();
  if (c != '=') {
    std::string context;
    input_.TakeWhile(context, [](int ch) { return ch != '\n'; });
    Warning("Error context %s", context.c_str());
    Error("'%s': '%c' encountered instead of '='", cls.GetMemberFullName(name).c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  SkipBlanks();
  bool expression = false;
  if (input_.Peek() == '@') {
    input_.Skip();
    expression = true;
  }
  bool quoted = false;
  bool nonEmpty = false;
  std::string_view text;
  if (!ReadValue(kMemberTerminators, text, quoted, nonEmpty)) return 3;
  // `text` may lie in the input buffer, which reading on may free: the entry is made now,
  // except for an evaluated value, whose evaluation (and its messages) waits for the ';'.
  std::unique_ptr<ParamEntry> entry;
  const bool evaluated = !expression && !quoted && IsEvaluated(text);
  if (evaluated) {
    if (text.data() != value_.data()) value_.assign(text);
  } else {
    entry = MakeEntry(std::move(name), text, quoted, expression);
  }
  c = input_.Peek();
  if (c != ';') {
    const ParamString& shown = entry ? entry->GetName() : name;
    if (c == '}') {
      Warning("'%s': Missing ';' prior '}'", cls.GetMemberFullName(shown).c_str());
    } else if (c == '\r' || c == '\n' || quoted) {
      Warning("'%s': Missing ';' at the end of line", cls.GetMemberFullName(shown).c_str());
    } else {
      Error("'%s': '%c' encountered instead of ';'", cls.GetMemberFullName(shown).c_str(), Shown(c));
      return 3;
    }
  } else {
    input_.Skip();
  }
  if (evaluated) entry = MakeEntry(std::move(name), Evaluated(value_), false, false);
  AddMember(cls, std::move(entry));
  return 0;
}

std::unique_ptr<ParamEntry> ParamTextParser::MakeEntry(ParamString&& name, std::string_view text, bool quoted,
                                                       bool expression) {
  if (expression) return MakeParamExpression(std::move(name), text);
  if (quoted) return std::make_unique<ParamValueString>(std::move(name), ParamRawValue{texts_.Get(text)});
  // Made here rather than by the factories, so that making an entry takes no further call.
  ParamNumber number = RecognizeValueNumber(text);
  switch (number.kind) {
    case ParamNumberKind::Int:
      return std::make_unique<ParamValueInt>(std::move(name), ParamRawValueInt{number.intValue});
    case ParamNumberKind::Int64:
      return std::make_unique<ParamValueInt64>(std::move(name), ParamRawValueInt64{number.int64Value});
    case ParamNumberKind::Float:
      return std::make_unique<ParamValueFloat>(std::move(name), ParamRawValueFloat{number.floatValue});
    case ParamNumberKind::None: break;
  }
  return std::make_unique<ParamValueString>(std::move(name), ParamRawValue{texts_.Get(text)});
}

int ParamTextParser::ParseArrayMember(ParamClass& cls, ParamString name) {
  SkipBlanks();
  int c = input_.Peek();
  if (c != ']') {
    Error("Config: %s: '%c' encountered instead of ']'", cls.GetMemberFullName(name).c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  SkipBlanks();
  uint8_t flags = 0;
  c = input_.Peek();
  if (c == '+' || c == '-') {
    flags = c == '+' ? kParamArrayAppend : kParamArrayRemove;
    input_.Skip();
    SkipBlanks();
    c = input_.Peek();
  }
  if (c != '=') {
    Error("Config: %s: '%c' encountered instead of '='", cls.GetMemberFullName(name).c_str(), Shown(c));
    return 3;
  }
  input_.Skip();

  auto array = std::make_unique<ParamArray>(name, flags);
  if (flags != 0) {
    // An append starts from the inherited array and is done; a remove is left to the
    // merge (trying it on the new, empty array reports each inherited element).
    ParamFindResult inherited = cls.Find(name, false, true);
    const ParamArray* from = inherited ? inherited.entry->GetArrayInterface() : nullptr;
    if (from && flags == kParamArrayAppend) {
      inheritedCopied_ += from->Items().size();
      if (inheritedCopied_ <= ParamArray::kMaxInheritedElements) {
        array->AppendFrom(from->Items());
        array->SetFlags(0);
      } else {
        Warning("%s: Too many inherited array elements, the append is left to the merge",
                cls.GetMemberFullName(name).c_str());
      }
    } else if (from) {
      array->RemoveFrom(from->Items());
    }
  }
  int result = ParseArray(array->Items(), 0);
  if (result != 0) return result;
  SkipBlanks();
  c = input_.Peek();
  if (c != ';') {
    Error("%s: '%c' encountered instead of ';'", cls.GetFullName().c_str(), Shown(c));
    return 3;
  }
  input_.Skip();
  AddMember(cls, std::move(array));
  return 0;
}

// --- Entry points.

int ParamFile::Parse(QIStream& in, ParamOwner* owner) {
  if (owner) SetOwner(owner);
  if (auto* preprocessed = dynamic_cast<QIPreprocessedStream*>(&in)) return ParamTextParser(*preprocessed, *this).Parse();
  QIPreprocessedStream wrapped(in, GetFileName());
  return ParamTextParser(wrapped, *this).Parse();
}
