// The text parser: the value reader and arrays.
//
// A value is either quoted ("text", with "" for one quote and `"a" \n "b"` for a line feed
// between two pieces) or unquoted: the characters up to a terminator, the end of the
// input or a line break, without trailing blanks. At a line break the reader looks past
// blanks and line directives; the next character must be a terminator.
//
// Unquoted texts starting with "__EVAL" are replaced by the evaluated result of the rest,
// then recognised as numbers.
#include "el/paramfile/param_numbers.h"
#include "el/paramfile/param_parser.h"

namespace {

ParamTextParser::Terminators MakeTerminators(std::string_view characters) {
  ParamTextParser::Terminators set{};
  for (char c : characters) set[static_cast<unsigned char>(c)] = ParamTextParser::kEnds | ParamTextParser::kStops;
  set['\r'] |= ParamTextParser::kStops;
  set['\n'] |= ParamTextParser::kStops;
  return set;
}

using param_text::IsBlank;

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A plain number read along with an element: a sign, at most 15 digits and at most one
// point. The values are those of RecognizeElementNumber for such a text (the digits as one
// whole number, divided by an exact power of ten for a float).
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

}  // namespace

const ParamTextParser::Terminators ParamTextParser::kMemberTerminators = MakeTerminators(";}\r\n");
const ParamTextParser::Terminators ParamTextParser::kElementTerminators = MakeTerminators(",;}");

bool ParamTextParser::ReadValue(const Terminators& terminators, std::string_view& text, bool& quoted, bool& nonEmpty) {
  // Most values lie whole in the buffer with the character after them: they are taken in
  // local pointers, as the general code below would take them.
  const char* p = input_.Position();
  const char* const end = input_.End();
  p = param_text::BlanksEnd(p, end);
  input_.MoveTo(p);
  if (p < end && *p == '"') {
    const char* close = param_text::QuotedTextEnd(p + 1, end);
    if (close != end && *close == '"') {
      const char* after = param_text::BlanksEnd(close + 1, end);
      if (after != end && *after != '"' && *after != '\\') {
        text = std::string_view(p + 1, static_cast<size_t>(close - p - 1));
        quoted = true;
        nonEmpty = true;
        input_.MoveTo(after);
        return true;
      }
    }
  } else if (p < end && !(terminators[static_cast<unsigned char>(*p)] & kEnds)) {
    const char* stop = ParamTextInput::Scan(p, end, [&terminators](int c) { return !(terminators[c] & kStops); });
    if (stop != end && (terminators[static_cast<unsigned char>(*stop)] & kEnds)) {
      const char* last = stop;
      while (last > p && IsBlank(static_cast<unsigned char>(last[-1]))) --last;
      text = std::string_view(p, static_cast<size_t>(last - p));
      quoted = false;
      nonEmpty = last != p;
      input_.MoveTo(stop);
      return true;
    }
  }

  SkipBlanks();
  std::string& value = value_;
  value.clear();
  int c = input_.Peek();
  if (c == '"') {
    quoted = true;
    nonEmpty = true;
    input_.Skip();
    // Most quoted values are one piece in the buffer: taken as they are, without a copy.
    if (input_.TakeQuotedInBuffer(text)) return true;
    for (;;) {
      input_.TakeUntil(value, [](const char* p, const char* end) { return param_text::QuotedTextEnd(p, end); });
      c = input_.Get();
      if (c < 0) {
        Error("Config: End of file encountered after %s", value.c_str());
        return false;
      }
      if (c == '\n') {
        Warning("Config: End of line encountered after %s", value.c_str());
        value.push_back('\n');
        continue;
      }
      // A quote: doubled it stands for itself; otherwise it closes this piece.
      if (input_.Peek() == '"') {
        input_.Skip();
        value.push_back('"');
        continue;
      }
      SkipBlanks();
      if (input_.Peek() != '\\') break;
      input_.Skip();
      c = input_.Peek();
      if (c != 'n') {
        Error("Config: Unsupported escape sequence \\%c after %s", Shown(c), value.c_str());
        return false;
      }
      input_.Skip();
      SkipBlanks();
      if (input_.Peek() != '"') {
        Error("Config: '\"' expected after %s", value.c_str());
        return false;
      }
      input_.Skip();
      value.push_back('\n');
    }
    text = value;
    return true;
  }

  quoted = false;
  text = std::string_view();
  if (c < 0 || (terminators[static_cast<unsigned char>(c)] & kEnds)) {
    nonEmpty = false;
    return true;
  }
  auto accept = [&terminators](int ch) { return !(terminators[ch] & kStops); };
  std::string_view piece;
  if (input_.TakeInBuffer(piece, accept)) {
    // The value and the character that stops it are in the buffer: when that character
    // ends the value (the usual case), the value is taken as it is, without a copy.
    c = input_.Peek();
    if (terminators[static_cast<unsigned char>(c)] & kEnds) {
      while (!piece.empty() && IsBlank(static_cast<unsigned char>(piece.back()))) piece.remove_suffix(1);
      text = piece;
      nonEmpty = !piece.empty();
      return true;
    }
    value.assign(piece);
  } else {
    input_.TakeWhile(value, accept);
    c = input_.Peek();
  }
  if ((c == '\n' || c == '\r') && !(terminators[static_cast<unsigned char>(c)] & kEnds)) {
    for (;;) {
      SkipBlanks();
      if (input_.Peek() != '#') break;
      input_.Skip();
      if (!ReadLineDirective()) {
        Error("Config: Wrong # directive");
        return false;
      }
    }
    c = input_.Peek();
    if (c >= 0 && !(terminators[static_cast<unsigned char>(c)] & kEnds)) {
      Error("Config: '%c' after %s", Shown(c), value.c_str());
      input_.Skip();
    }
  }
  while (!value.empty() && IsBlank(static_cast<unsigned char>(value.back()))) value.pop_back();
  text = value;
  nonEmpty = !value.empty();
  return true;
}

std::string_view ParamTextParser::Evaluated(std::string_view text) {
  if (!IsEvaluated(text)) return text;
  // The text may be value_ itself: the result replaces it only once evaluated.
  value_ = evaluator_.EvaluateToText(text.substr(6));
  return value_;
}

void ParamTextParser::AppendUnquotedElement(ParamArrayItems& items, std::string_view text) {
  ParamNumber number = RecognizeElementNumber(text);
  if (number.kind == ParamNumberKind::Int)
    items.emplace_back(ParamRawValueInt{number.intValue});
  else if (number.kind == ParamNumberKind::Float)
    items.emplace_back(ParamRawValueFloat{number.floatValue});
  else
    items.emplace_back(ParamRawValue{texts_.Get(text)});
}

bool ParamTextParser::TakeElements(ParamArrayItems& items) {
  const char* p = input_.Position();
  const char* const end = input_.End();
  for (;;) {
    p = param_text::BlanksEnd(p, end);
    if (p == end) break;
    // The element ends at `stop`, where a ',' or '}' must follow.
    const char* stop;
    if (*p == '"') {
      const char* close = param_text::QuotedTextEnd(p + 1, end);
      if (close == end || *close != '"') break;
      stop = param_text::BlanksEnd(close + 1, end);
      if (stop == end || (*stop != ',' && *stop != '}')) break;
      items.emplace_back(ParamRawValue{texts_.Get(std::string_view(p + 1, static_cast<size_t>(close - p - 1)))});
    } else if (*p == '}') {
      input_.MoveTo(p + 1);
      return true;
    } else {
      if (*p == '{' || *p == '#' || *p == '@' || (kElementTerminators[static_cast<unsigned char>(*p)] & kEnds)) break;
      // A plain number, read as its characters are passed.
      const char* q = p;
      const bool negative = *q == '-';
      if (*q == '-' || *q == '+') ++q;
      uint64_t whole = 0;
      const char* first = q;
      for (; q < end && IsDigit(*q); ++q) whole = whole * 10 + static_cast<uint64_t>(*q - '0');
      size_t digits = static_cast<size_t>(q - first);
      const bool point = q < end && *q == '.';
      size_t fraction = 0;
      if (point) {
        first = ++q;
        for (; q < end && IsDigit(*q); ++q) whole = whole * 10 + static_cast<uint64_t>(*q - '0');
        fraction = static_cast<size_t>(q - first);
        digits += fraction;
      }
      stop = q;
      while (stop < end && (*stop == ' ' || *stop == '\t')) ++stop;
      const bool plain = stop < end && (*stop == ',' || *stop == '}') && digits > 0 && digits <= 15;
      if (plain && point) {
        double value = static_cast<double>(whole);
        if (fraction > 0) value /= kPowersOfTen[fraction];
        if (negative) value = -value;
        items.emplace_back(ParamRawValueFloat{static_cast<float>(value)});
      } else if (plain && whole <= (negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1)) {
        items.emplace_back(ParamRawValueInt{static_cast<int32_t>(negative ? uint64_t{0} - whole : whole)});
      } else {
        // Any other unquoted text, up to the character that stops it.
        stop = ParamTextInput::Scan(p, end, [](int c) { return !(kElementTerminators[c] & kStops); });
        if (stop == end || (*stop != ',' && *stop != '}')) break;
        const char* last = stop;
        while (IsBlank(static_cast<unsigned char>(last[-1]))) --last;
        std::string_view text(p, static_cast<size_t>(last - p));
        if (IsEvaluated(text)) break;
        AppendUnquotedElement(items, text);
      }
    }
    p = stop + 1;
    if (*stop == '}') {
      input_.MoveTo(p);
      return true;
    }
  }
  input_.MoveTo(p);
  return false;
}

int ParamTextParser::ParseArray(ParamArrayItems& items, int depth) {
  SkipBlanks();
  int c = input_.Peek();
  if (c != '{') {
    Error("Config: '%c' encountered instead of '{'", Shown(c));
    return 3;
  }
  input_.Skip();
  if (depth >= ParamClass::kMaxNesting) {
    Error("Config: Arrays nested too deeply");
    return 3;
  }
  // Elements are collected in a list kept for this depth, then moved into an exact-size
  // list in one copy: arrays are the bulk of large files.
  ParamArrayItems& read = scratch_[static_cast<size_t>(depth)];
  read.clear();
  int result = 0;
  for (;;) {
    if (TakeElements(read)) break;
    SkipBlanks();
    c = input_.Peek();
    if (c == '}') {
      input_.Skip();
      break;
    }
    if (c == '#') {
      input_.Skip();
      if (!ReadLineDirective()) {
        Error("Config: Wrong # directive");
        result = 3;
        break;
      }
      continue;
    }
    if (c == '{') {
      ParamArrayValueArray nested;
      result = ParseArray(nested.Items(), depth + 1);
      if (result != 0) break;
      read.emplace_back(std::move(nested));
    } else {
      bool expression = false;
      if (c == '@') {
        input_.Skip();
        expression = true;
      }
      bool quoted = false;
      bool nonEmpty = false;
      std::string_view text;
      if (!ReadValue(kElementTerminators, text, quoted, nonEmpty)) {
        result = 3;
        break;
      }
      // `text` may lie in the input buffer: it is used up before reading on. Elements are
      // made in place in the list.
      if (expression) {
        read.emplace_back(ParamRawValueExpression{ParamString(text)});
      } else if (quoted) {
        read.emplace_back(ParamRawValue{texts_.Get(text)});
      } else if (nonEmpty) {
        AppendUnquotedElement(read, Evaluated(text));
      }
    }
    SkipBlanks();
    c = input_.Peek();
    if (c == ',') {
      input_.Skip();
      continue;
    }
    if (c == ';') {
      Warning("Config: ';' used as a separator in the array");
      input_.Skip();
      continue;
    }
    if (c == '}') {
      input_.Skip();
      break;
    }
    if (c < 0) {
      Error("EOF encountered.");
    } else {
      Error("Config: '%c' encountered instead of ','", Shown(c));
    }
    result = 3;
    break;
  }
  items.AppendMoved(std::move(read));
  return result;
}
