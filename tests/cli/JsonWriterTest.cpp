#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zel::cli {
namespace {

// Device texts are 8-bit: a byte above 0x7F or a control byte must neither end zelctl (the
// library throws on invalid UTF-8) nor reach the script unescaped.
TEST(JsonWriter, EightBitTextsNestingAndOrderComeOutAsValidAscii) {
  JsonWriter module;
  module.Add("name", std::string("Ach\xe9se\t\"1\"\n")).AddWord("sysConfig", 0x1001);
  JsonWriter out;
  out.Add("z", 1).Add("a", module).Add("list", std::vector<std::string>{"\x01", "ok"});
  out.Add("nan", std::nan("")).Add("half", 0.5).Add("ok", true);
  EXPECT_EQ(out.Str(),
            "{\"z\":1,\"a\":{\"name\":\"Ach\\u00e9se\\t\\\"1\\\"\\n\",\"sysConfig\":4097,"
            "\"sysConfigHex\":\"0x1001\"},\"list\":[\"\\u0001\",\"ok\"],\"nan\":null,"
            "\"half\":0.5,\"ok\":true}");
}

}  // namespace
}  // namespace zel::cli
