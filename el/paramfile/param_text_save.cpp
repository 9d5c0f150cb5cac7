// Saving the tree as text, in the form the parser reads back:
//
//   class Name: Base
//   {
//   	value = 1;
//   	text = "say ""hi""" \n "second line";
//   	list[] = {1, 2.5, "a", {3}};
//   	more[] += {4};
//   	class Declared;
//   	delete Removed;
//   };
//
// Floats are written with "%.8g", expressions as @"text", a line feed inside a string in
// the continuation form.
#include <charconv>

#include "el/paramfile/param_file.h"
#include "el/paramfile/param_numbers.h"
#include "el/qstream/qo_file_stream.h"

namespace {

void Write(QOStream& out, std::string_view text) { out.write(text.data(), text.size()); }

void Indent(QOStream& out, int indent) {
  for (int i = 0; i < indent; ++i) out.put('\t');
}

// A quoted string: quotes doubled, line feeds as `" \n "`. The characters between them
// go out a run at a time.
void WriteQuoted(QOStream& out, std::string_view text) {
  out.put('"');
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"' && text[i] != '\n') continue;
    Write(out, text.substr(start, i - start));
    Write(out, text[i] == '"' ? std::string_view("\"\"") : std::string_view("\" \\n \""));
    start = i + 1;
  }
  Write(out, text.substr(start));
  out.put('"');
}

// std::to_chars with a precision writes what printf's "%.8g" writes, without the format
// parsing and locale work of printf.
void WriteFloat(QOStream& out, float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof(text), static_cast<double>(value), std::chars_format::general, 8);
  out.write(text, static_cast<size_t>(result.ptr - text));
}

void WriteInt(QOStream& out, int64_t value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  out.write(text, static_cast<size_t>(result.ptr - text));
}

template <class Raw>
void WriteRaw(QOStream& out, const Raw& raw) {
  if constexpr (Raw::kType == ParamValueType::String) {
    WriteQuoted(out, raw.value);
  } else if constexpr (Raw::kType == ParamValueType::Expression) {
    out.put('@');
    WriteQuoted(out, raw.value);
  } else if constexpr (Raw::kType == ParamValueType::Float) {
    WriteFloat(out, raw.value);
  } else {
    WriteInt(out, raw.value);
  }
}

void WriteItems(QOStream& out, const ParamArrayItems& items) {
  out.put('{');
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) Write(out, ", ");
    std::visit(
        [&out](const auto& value) {
          if constexpr (std::is_same_v<std::decay_t<decltype(value)>, ParamArrayValueArray>)
            WriteItems(out, value.Items());
          else
            WriteRaw(out, value);
        },
        items[i].GetStorage());
  }
  out.put('}');
}

}  // namespace

template <class Raw>
void ParamValueSpec<Raw>::SaveText(QOStream& out, int indent) const {
  Indent(out, indent);
  Write(out, name_);
  Write(out, " = ");
  WriteRaw(out, raw_);
  Write(out, ";\n");
}

template class ParamValueSpec<ParamRawValue>;
template class ParamValueSpec<ParamRawValueFloat>;
template class ParamValueSpec<ParamRawValueInt>;
template class ParamValueSpec<ParamRawValueInt64>;
template class ParamValueSpec<ParamRawValueExpression>;

void ParamArray::SaveText(QOStream& out, int indent) const {
  Indent(out, indent);
  Write(out, name_);
  Write(out, (flags_ & kParamArrayAppend) ? "[]+=" : (flags_ & kParamArrayRemove) ? "[]-=" : "[]=");
  WriteItems(out, items_);
  Write(out, ";\n");
}

void ParamClass::SaveText(QOStream& out, int indent) const {
  Indent(out, indent);
  if (kind_ != Kind::Defined) {
    Write(out, kind_ == Kind::Deleted ? "delete " : "class ");
    Write(out, name_);
    Write(out, ";\n");
    return;
  }
  Write(out, "class ");
  Write(out, name_);
  if (const ParamClass* base = GetBase()) {
    Write(out, ": ");
    Write(out, base->GetName());
  }
  if (GetEntryCount() == 0) {
    Write(out, " {};\n");
    return;
  }
  out.put('\n');
  Indent(out, indent);
  Write(out, "{\n");
  SaveEntriesText(out, indent + 1);
  Indent(out, indent);
  Write(out, "};\n");
}

void ParamClass::SaveEntriesText(QOStream& out, int indent) const {
  for (int i = 0; i < GetEntryCount(); ++i) GetEntry(i).SaveText(out, indent);
}

bool ParamFile::SaveText(QOStream& out) const {
  if (evaluator_ && !evaluator_->Constants().empty()) {
    Write(out, "enum\n{\n");
    const auto& constants = evaluator_->Constants();
    for (size_t i = 0; i < constants.size(); ++i) {
      out.put('\t');
      Write(out, constants[i].first);
      Write(out, " = ");
      WriteInt(out, RoundToInt(constants[i].second));
      Write(out, i + 1 < constants.size() ? ",\n" : "\n");
    }
    Write(out, "};\n");
  }
  SaveEntriesText(out, 0);
  return !out.fail();
}

bool ParamFile::SaveText(const RString& fileName) const {
  QOFStream out;
  if (!out.OpenAtomic(fileName)) return false;
  if (!SaveText(out)) {
    out.Discard();
    return false;
  }
  return out.Close();
}
