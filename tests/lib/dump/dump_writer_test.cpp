#include "lib/dump/dump_writer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "lib/dump/dump_json.h"

namespace {

// The same calls in both forms.
std::string Write(bool json) {
  DumpWriter w(json);
  w.BeginObject();
  w.String("file", "data\\a \"b\".paa");
  w.Int("size", -12);
  w.Bool("ok", true);
  w.Hex("color", 0x80402010);
  w.Null("error");
  w.BeginArray("list");
  w.Int("", 1);
  w.String("", "x");
  w.BeginObject();
  w.Int("inner", 2);
  w.EndObject();
  w.EndArray();
  w.BeginArray("empty");
  w.EndArray();
  w.BeginObject("nothing");
  w.EndObject();
  w.EndObject();
  return w.Take();
}

TEST(DumpWriter, JsonHasTheDumpsLayout) {
  EXPECT_EQ(Write(true),
            "{\n"
            "  \"file\": \"data\\\\a \\\"b\\\".paa\",\n"
            "  \"size\": -12,\n"
            "  \"ok\": true,\n"
            "  \"color\": \"0x80402010\",\n"
            "  \"error\": null,\n"
            "  \"list\": [\n"
            "    1,\n"
            "    \"x\",\n"
            "    {\n"
            "      \"inner\": 2\n"
            "    }\n"
            "  ],\n"
            "  \"empty\": [],\n"
            "  \"nothing\": {}\n"
            "}\n");
}

TEST(DumpWriter, TextHasTheSameFacts) {
  EXPECT_EQ(Write(false),
            "file: data\\a \"b\".paa\n"
            "size: -12\n"
            "ok: yes\n"
            "color: 0x80402010\n"
            "error: -\n"
            "list:\n"
            "  [0] 1\n"
            "  [1] x\n"
            "  [2]:\n"
            "    inner: 2\n"
            "empty:\n"
            "nothing:\n");
}

TEST(DumpWriter, JsonEscapesBytesOutsidePrintableAscii) {
  DumpWriter w(true);
  w.BeginObject();
  // Names are ANSI bytes, not UTF-8: each byte is one character.
  w.String("name", std::string("a\xe9\x01\n\tb", 6));
  w.EndObject();
  EXPECT_EQ(w.Take(), "{\n  \"name\": \"a\\u00e9\\u0001\\n\\tb\"\n}\n");
  EXPECT_EQ(JsonQuoted("x\xff\"\\"), "\"x\\u00ff\\\"\\\\\"");
}

TEST(DumpWriter, FloatsKeepSixDigitsAndNonFiniteValuesAreNull) {
  DumpWriter w(true);
  w.BeginObject();
  w.Float("third", 1.0 / 3.0);
  w.Float("half", 0.5);
  w.Float("infinite", INFINITY);
  w.Float("nan", NAN);
  w.EndObject();
  std::string json = w.Take();
  EXPECT_NE(json.find("\"third\": 0.333333,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"half\": 0.5,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"infinite\": null,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"nan\": null\n"), std::string::npos) << json;

  DumpWriter text(false);
  text.BeginObject();
  text.Float("third", 1.0 / 3.0);
  text.EndObject();
  EXPECT_EQ(text.Take(), "third: 0.333333\n");
}

TEST(DumpWriter, TakeStartsAfresh) {
  DumpWriter w(true);
  w.BeginObject();
  w.Int("a", 1);
  w.EndObject();
  w.Take();
  w.BeginObject();
  w.EndObject();
  EXPECT_EQ(w.Take(), "{}\n");
}

}  // namespace
