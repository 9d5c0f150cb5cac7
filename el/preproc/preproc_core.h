#pragma once
// The configuration preprocessor: comments, #include, macros, conditional blocks (#ifdef,
// #ifndef, #if and #elif with expressions) and #pragma lines, which are ignored.
//
// One Preproc lives for one top-level call. Each source is read as text and processed
// into the output stream as plain text whose line count equals the input's: every line
// feed of the input reaches the output, also those inside comments, dropped blocks,
// macro argument lists and lines joined by a backslash. With line markers on, included
// text is framed by `#line` lines that tell the parser the file and line the following
// text comes from. The variants differ only in where included files come from
// (OpenInclude).
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "el/preproc/define_symb.h"
#include "el/preproc/expansion_memo.h"
#include "el/preproc/preproc_errors.h"
#include "el/preproc/preproc_limits.h"
#include "el/preproc/preproc_tokenizer.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"

struct PlainBlockFirstChars;

class Preproc {
 public:
  explicit Preproc(QOStream& out) : out_(out) {}
  virtual ~Preproc() = default;
  Preproc(const Preproc&) = delete;
  Preproc& operator=(const Preproc&) = delete;

  // `#line` markers around included text (on by default).
  void SetLineMarkers(bool on) { lineMarkers_ = on; }
  void SetLimits(const PreprocLimits& limits) { limits_ = limits; }
  // Long stretches of plain text are read 64 bytes at a time (on by default); off, they
  // are read token by token. The output is the same either way.
  void SetBlockReading(bool on) { blockReading_ = on; }

  // Defines the macro `name` without parameters; a null `value` gives an empty body.
  void Define(const RString& name, const char* value);
  bool IsDefined(std::string_view name) const { return macros_.Contains(name); }

  // Processes the file `fileName` and everything it includes into the output; called once
  // per Preproc. Returns false on failure; the error code and where it happened are then
  // kept below.
  bool Process(const RString& fileName);

  int Error() const { return error_; }
  // The file and line where processing stopped (empty and 0 when no file was open).
  const RString& ErrorFile() const { return errorFile_; }
  int ErrorLine() const { return errorLine_; }

 protected:
  // Opens the file that `name` names: the top file, or the name of an #include in
  // CurrentFile(). Sets `path` to the file's engine path, which markers and messages
  // show. Returns null when the file cannot be opened (after reporting it).
  virtual std::unique_ptr<QIStream> OpenInclude(const RString& name, RString& path) = 0;
  // Ends the use of a stream from OpenInclude once its text has been read.
  virtual void CloseInclude(std::unique_ptr<QIStream> stream) {}
  // True when `#include name` in CurrentFile() would find its file (for __has_include);
  // nothing is reported either way.
  virtual bool IncludeExists(const RString& name) = 0;

  // The engine path of the file being processed; empty before the top file is open.
  const RString& CurrentFile() const;
  int CurrentLine() const;

 private:
  enum class BlockEnd { None, EndOfInput, Elif, Else, Endif, Failed };
  enum class ConditionKind { Ifdef, Ifndef, If };
  // Where a token comes from: a file, or the body of a macro (with its arguments).
  struct Scope {
    const MacTableList* args = nullptr;
    bool body = false;
  };
  struct OpenFile {
    RString path;
    PreprocTokenizer* tokenizer;
  };

  // Files (preproc_include.cpp).
  void IncludeFile(const RString& name, bool markers);
  // Reads the text of `in`. When the stream holds it in one block without carriage
  // returns, `text` views that block (which lives as long as the stream) and `copy` stays
  // empty; otherwise the text goes to `copy` and `text` views it.
  bool ReadSource(QIStream& in, const RString& path, std::string_view& text, std::string& copy);
  void ProcessSource(const RString& path, std::string_view text);
  void ReserveOutput(size_t inputSize);
  void WriteMarker(int line, const RString& path);

  // Blocks and directives (preproc_block.cpp).
  BlockEnd ProcessBlock(PreprocTokenizer& in, bool outputOn);
  BlockEnd LineStart(PreprocTokenizer& in, bool outputOn);
  // Takes the run of tokens at the read position of `in` that ProcessBlock would only
  // copy (or, with the output off, only skip), and copies it with one write. The run
  // ends before anything that needs more: a macro name, a comment, a joined line, a
  // directive, or line feeds that pending ones must precede. A macro use that
  // ExpandPlainUse can take is expanded, and the next run follows it.
  void CopyPlainRun(PreprocTokenizer& in, bool outputOn, bool& inString);
  // The blanks at the start of a line when no directive follows them, taken as LineStart
  // would take them; false (nothing taken) otherwise.
  bool TakeLineStartBlanks(PreprocTokenizer& in, bool outputOn);
  // The part of the 64 bytes at `p` that CopyPlainRun can take as a whole, with the work
  // and line feeds it counts for them token by token. It ends before anything a closer
  // look must decide: '/', '#', a joined line, a line feed outside strings that only
  // blanks follow, a word that runs on past the block, or a word that names a macro or
  // a position (then `use`, for a macro, and `useLength` are set).
  struct PlainBlock {
    size_t length = 0;
    long long work = 0;
    int lineFeeds = 0;
    bool quoted = false;  // inside a string after the part
    const DefineSymb* use = nullptr;
    size_t useLength = 0;
    bool stopsAtWord = false;
  };
  PlainBlock ScanPlainBlock(const char* p, bool quoted, const PlainBlockFirstChars& first) const;
  // The same with AVX2, for processors that have it (see PlainBlockHasAvx2).
  PlainBlock ScanPlainBlockAvx2(const char* p, bool quoted, const PlainBlockFirstChars& first) const;
  template <class Classify>
  PlainBlock ScanPlainBlockWith(Classify classify, const char* p, bool quoted, const PlainBlockFirstChars& first) const;
  // True when `word`, a word outside a macro body, is expanded rather than copied. Most
  // words of a file name no macro; the table's quick check turns them away first.
  bool ExpandsInFile(std::string_view word) const { return macros_.Contains(word) || IsPositionWord(word); }
  static bool IsPositionWord(std::string_view word) {
    return word.size() == 8 && word[0] == '_' && (word == "__FILE__" || word == "__LINE__");
  }
  // True when `work` more steps and `bytes` more bytes of output stay within the limits.
  bool Fits(long long work, long long bytes) const {
    return work_ + work <= limits_.maxWork + workAllowance_ && written_ + bytes <= limits_.maxOutputSize;
  }
  BlockEnd Directive(PreprocTokenizer& in, bool outputOn);
  void IncludeDirective(PreprocTokenizer& in);

  // Conditional blocks, #if and #elif expressions, #pragma (preproc_condition.cpp).
  // A directive word that the token table does not hold (if, elif, pragma); anything
  // else is an unknown directive.
  BlockEnd OtherDirective(const PreprocToken& word, PreprocTokenizer& in, bool outputOn);
  void Conditional(PreprocTokenizer& in, bool outputOn, ConditionKind kind);
  // The name after #ifdef or #ifndef; false (error set when the output is on) without one.
  bool ConditionName(PreprocTokenizer& in, bool outputOn, bool& defined);
  // Reads the rest of the directive line and evaluates it: `defined` and __has_include
  // first, then macros, then the expression. False also on failure (then error_ is set).
  bool IfCondition(PreprocTokenizer& in, std::string_view directive);
  // The directive text with `defined`, __has_include and macros replaced into `dst`;
  // false, with `problem` saying why, when a `defined` or __has_include is malformed.
  bool ExpandCondition(std::string_view text, std::string& dst, std::string& problem);
  bool DefinedOperand(PreprocTokenizer& in, bool& defined);
  bool HasIncludeOperand(PreprocTokenizer& in, bool& exists);

  // #define and #undef (preproc_define.cpp).
  void DefineDirective(PreprocTokenizer& in);
  void UndefDirective(PreprocTokenizer& in);
  // Reads the rest of a directive line (joined lines included) into `text` (when given),
  // dropping comments outside double quotes. The line feed that ends it is left unread.
  void ReadDirectiveText(PreprocTokenizer& in, std::string* text);
  void SkipLineComment(PreprocTokenizer& in);

  // Expansion (preproc_expand.cpp).
  bool EmitWordOrOperator(const PreprocToken& token, PreprocTokenizer& in, const Scope& scope, std::string& dst);
  void EmitWord(const PreprocToken& token, PreprocTokenizer& in, const Scope& scope, std::string& dst);
  void ExpandMacro(const DefineSymb& macro, PreprocTokenizer& in, const Scope& scope, std::string& dst);
  bool ReadArguments(PreprocTokenizer& in, const Scope& scope, AutoArray<RString>& values);
  void ProcessBody(const DefineSymb& macro, const MacTableList* args, std::string& dst);

  // Shortcuts of expansion (preproc_shortcuts.cpp).
  // The body of `macro` with `args` (null for a macro without parameters) appended to
  // `dst` as ProcessBody does it; a result known from an earlier expansion is taken from
  // the memo when nothing can differ: the expansion is not nested, `dst` is empty and no
  // limit can be reached.
  void ExpandBody(const DefineSymb& macro, const MacTableList* args, std::string& dst);
  // The argument list of a macro used in a file, up to its ')', when it holds only words
  // that are not expanded and characters without a meaning of their own: taken from the
  // text at once, with the work ReadArguments counts for it. False, with nothing taken
  // and `values` empty, otherwise.
  bool ReadPlainArguments(PreprocTokenizer& in, AutoArray<RString>& values);
  // The argument list that starts at `p` (after its '('), read as ReadPlainArguments
  // reads it: the arguments go to argViews_ and their work is added to `work`. Returns
  // the end of the list (after its ')'), or null when the list needs the tokens.
  const char* ScanPlainArguments(const char* p, const char* end, long long& work);
  // The use of `macro` (a name of `nameLength` characters) at the read position of a
  // file, with its argument list when it has one, expanded and written as EmitWord and
  // ProcessBlock would. False, with nothing taken, when the use needs the tokens: its
  // list holds more than plain text, or something in it is to be reported.
  bool ExpandPlainUse(PreprocTokenizer& in, const DefineSymb& macro, size_t nameLength);
  // Takes the run of tokens at the read position of a macro body that ProcessBody would
  // only append to `dst` as they are, and appends it at once. The run ends before a
  // parameter, a macro name, a word before `##`, `#` and `##` outside strings.
  void AppendPlainBodyRun(PreprocTokenizer& in, const Scope& scope, std::string& dst, bool& inString);

  // Tokens, output and errors (preproc_core.cpp).
  // The next token of `in`; End once an error is set or the work limit is reached.
  PreprocToken Next(PreprocTokenizer& in);
  PreprocToken NextNonBlank(PreprocTokenizer& in);
  void Write(std::string_view text);
  void WriteLineFeeds(int count);
  void FlushPendingLineFeeds();
  // Appends expanded text to `dst`, counted against the work limit.
  void Append(std::string& dst, std::string_view text);
  void SetError(int code);
  void CountWork(long long amount);
  void ReportOutputLimit();

  QOStream& out_;
  MacroTable macros_;
  ExpansionMemo memo_;
  uint64_t memoGeneration_ = 0;  // the macro table the memo's results belong to
  bool positionUsed_ = false;    // __FILE__ or __LINE__ was expanded
  std::string expanded_;         // a word expanded in a file, on its way to the output
  AutoArray<std::string_view> argViews_;  // the arguments ScanPlainArguments found
  AutoArray<OpenFile> files_;  // the include stack
  PreprocLimits limits_;
  bool lineMarkers_ = true;
  int error_ = kPreprocOk;
  RString errorFile_;
  int errorLine_ = 0;
  int pendingLineFeeds_ = 0;  // line feeds of joined lines, written at the next line feed
  int conditionalDepth_ = 0;
  int macroDepth_ = 0;
  long long work_ = 0;
  long long workAllowance_ = 0;     // beyond limits_.maxWork, granted by the files read
  std::set<RString> filesGranted_;  // files whose size is in the allowance
  long long written_ = 0;
  char lastWritten_ = '\n';
  // Runs are copied in one piece only while no limit can be reached inside them; once
  // one could be, tokens go one by one to the end.
  bool runsOff_ = false;
  bool blockReading_ = true;
};
