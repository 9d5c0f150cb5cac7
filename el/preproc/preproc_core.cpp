#include "el/preproc/preproc_core.h"

#include <algorithm>

#include "el/appframe/app_frame.h"

namespace {

// Carriage returns never reach the preprocessor.
RString WithoutCarriageReturns(const char* text) {
  RString result;
  for (; text && *text; ++text)
    if (*text != '\r') result += *text;
  return result;
}

}  // namespace

void Preproc::Define(const RString& name, const char* value) {
  auto macro = std::make_shared<DefineSymb>();
  macro->name = name;
  macro->body = WithoutCarriageReturns(value);
  macros_.Define(std::move(macro));
}

bool Preproc::Process(const RString& fileName) {
  IncludeFile(fileName, false);
  return error_ == kPreprocOk;
}

const RString& Preproc::CurrentFile() const {
  static const RString kNone;
  return files_.empty() ? kNone : files_.back().path;
}

int Preproc::CurrentLine() const { return files_.empty() ? 0 : files_.back().tokenizer->Line(); }

PreprocToken Preproc::Next(PreprocTokenizer& in) {
  if (error_) return {};
  CountWork(1);
  if (error_) return {};
  return in.Next();
}

PreprocToken Preproc::NextNonBlank(PreprocTokenizer& in) {
  PreprocToken token = Next(in);
  while (IsBlankToken(token)) token = Next(in);
  return token;
}

void Preproc::Write(std::string_view text) {
  if (text.empty() || error_) return;
  if (written_ + static_cast<long long>(text.size()) > limits_.maxOutputSize) {
    ReportOutputLimit();
    return;
  }
  out_.write(text.data(), text.size());
  written_ += static_cast<long long>(text.size());
  lastWritten_ = text.back();
}

void Preproc::WriteLineFeeds(int count) {
  static constexpr std::string_view kLineFeeds = "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n";
  while (count > 0) {
    int now = std::min<int>(count, static_cast<int>(kLineFeeds.size()));
    Write(kLineFeeds.substr(0, static_cast<size_t>(now)));
    count -= now;
  }
}

void Preproc::FlushPendingLineFeeds() {
  WriteLineFeeds(pendingLineFeeds_);
  pendingLineFeeds_ = 0;
}

void Preproc::Append(std::string& dst, std::string_view text) {
  CountWork(static_cast<long long>(text.size()));
  if (error_) return;
  // Expanded text is bound for the output; it may not grow beyond it either.
  if (static_cast<long long>(dst.size() + text.size()) > limits_.maxOutputSize) {
    ReportOutputLimit();
    return;
  }
  dst += text;
}

void Preproc::ReportOutputLimit() {
  ErrorMessage("Preprocessed text of %s grows beyond %lld bytes.", files_.empty() ? "" : files_.front().path.c_str(),
               limits_.maxOutputSize);
  SetError(kPreprocTooLarge);
}

void Preproc::CountWork(long long amount) {
  work_ += amount;
  if (work_ <= limits_.maxWork + workAllowance_ || error_) return;
  ErrorMessage("Preprocessing needs more than %lld steps; a macro or an include repeats without end?",
               limits_.maxWork + workAllowance_);
  SetError(kPreprocTooLarge);
}

void Preproc::SetError(int code) {
  if (error_) return;
  error_ = code;
  errorFile_ = CurrentFile();
  errorLine_ = CurrentLine();
}
