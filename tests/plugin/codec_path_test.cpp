#include "codec_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PathCase {
  const char *name;
  std::string modulePath;
  const char *codecPath;  // null: no codec path
};

TEST(CodecPath, IsThePluginPathWithTheVcmExtension) {
  const std::string longFolder = "C:\\" + std::string(240, 'd') + "\\";
  const PathCase cases[] = {
      {"normal", "C:\\Host\\Plugins\\zelvanoor.zvo", "C:\\Host\\Plugins\\zelvanoor.vcm"},
      {"other base name and case", "D:\\x\\Render Out.AUO", "D:\\x\\Render Out.vcm"},
      {"dotted folder", "C:\\a.b\\plug.zvo", "C:\\a.b\\plug.vcm"},
      {"no extension", "C:\\Host\\zelvanoor", nullptr},
      {"two-letter extension", "C:\\Host\\zelvanoor.zv", nullptr},
      {"four-letter extension", "C:\\Host\\zelvanoor.zvoo", nullptr},
      {"extension only", "C:\\Host\\.zvo", nullptr},
      {"too long for the buffer", longFolder + std::string(30, 'p') + ".zvo", nullptr},
  };
  for (const PathCase &c : cases) {
    SCOPED_TRACE(c.name);
    char result[MAX_PATH] = "untouched";
    const bool made = CodecPathFromModulePath(c.modulePath.c_str(), result);
    if (c.codecPath) {
      EXPECT_TRUE(made);
      EXPECT_STREQ(result, c.codecPath);
    } else {
      EXPECT_FALSE(made) << result;
    }
  }
}

TEST(CodecPath, LongestPathThatFitsGivesACodecPath) {
  // 259 characters and the NUL fill the 260-character buffer exactly.
  const std::string folder = "C:\\" + std::string(200, 'd') + "\\";
  const std::string base(259 - folder.size() - 4, 'p');
  char result[MAX_PATH] = {};
  ASSERT_TRUE(CodecPathFromModulePath((folder + base + ".zvo").c_str(), result));
  EXPECT_EQ(std::string(result), folder + base + ".vcm");
}

}  // namespace
