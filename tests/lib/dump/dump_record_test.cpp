// Records of the runtime formats' accounts: the same calls as text lines and as JSON.
#include "lib/dump/dump_record.h"

#include <gtest/gtest.h>

#include "el/qstream/serialize_bin_stream.h"
#include "lib/dump/loaded_file_record.h"

namespace {

DumpRecord Sample(bool json) {
  DumpRecord inner(json, 2);
  inner.Int("count", 2).Str("name", "data\\a.paa");
  std::vector<DumpRecord> items;
  items.emplace_back(json, 4).Int("begin", 0).Flags("special", 0x20);
  items.emplace_back(json, 4).Int("begin", 6).Flags("special", 0);
  DumpRecord top(json, 0);
  top.Str("file", "x.p3d")
      .Bool("ok", true)
      .Float("radius", 0.1f)
      .Vector("min", {1.0f, -2.5f, 1e13f})
      .Strings("names", {"a", "b"})
      .Nested("inner", inner)
      .List("sections", items, "section");
  return top;
}

TEST(DumpRecord, TextLines) {
  EXPECT_EQ(Sample(false).Printed(),
            "file: x.p3d\n"
            "ok: yes\n"
            "radius: 0.1\n"
            "min: 1 -2.5 1e+13\n"
            "names: a, b\n"
            "inner: \n"
            "  count: 2\n"
            "  name: data\\a.paa\n"
            "sections: 2\n"
            "  section 0:\n"
            "    begin: 0\n"
            "    special: 0x00000020\n"
            "  section 1:\n"
            "    begin: 6\n"
            "    special: 0x00000000\n");
}

TEST(DumpRecord, JsonKeepsKeysInOrderAndValuesExact) {
  const std::string printed = Sample(true).Printed();
  DumpJson back = DumpJson::parse(printed);
  EXPECT_EQ(back, DumpJson::parse(R"({"file": "x.p3d", "ok": true, "radius": 0.1, "min": [1, -2.5, 1e13],
      "names": ["a", "b"], "inner": {"count": 2, "name": "data\\a.paa"},
      "sections": [{"begin": 0, "special": 32}, {"begin": 6, "special": 0}]})"));
  std::vector<std::string> keys;
  for (const auto& item : back.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"file", "ok", "radius", "min", "names", "inner", "sections"}));
  EXPECT_EQ(back["radius"].get<float>(), 0.1f);
}

TEST(DumpRecord, LoadedFileHeadSaysWhyALoadFailed) {
  DumpJson failed = LoadedFileRecord(true, "a.wrp", SerializeBinStream::EBadFileType, {"bad"}, "not a world").Json();
  EXPECT_EQ(failed, DumpJson::parse(R"({"file": "a.wrp", "ok": false, "error": )" +
                                    std::to_string(SerializeBinStream::EBadFileType) +
                                    R"(, "reason": "not a world", "messages": ["bad"]})"));
  EXPECT_EQ(LoadedFileRecord(false, "a.wrp", SerializeBinStream::EFileStructure, {}, "").Printed(),
            "file: a.wrp\nok: no\nerror: " + std::to_string(SerializeBinStream::EFileStructure) +
                "\nreason: corrupt data\nmessages: \n");
  EXPECT_EQ(LoadedFileRecord(true, "a.wrp", 0, {}, "").Json(),
            DumpJson::parse(R"({"file": "a.wrp", "ok": true, "messages": []})"));
}

}  // namespace
