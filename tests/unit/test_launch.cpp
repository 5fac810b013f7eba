// How a launcher path is handed to cmd.exe: its folder as the working folder, and only
// ".\" with a plain file name on cmd.exe's command line.
#include "backend/launch.h"

#include <gtest/gtest.h>

TEST(CmdCall, SplitsTheFolderFromThePlainName) {
  CmdCall call;
  ASSERT_TRUE(cmd_call("C:\\Games\\a & b (x) ^ %OS% 100% !\\tarnwell.bat", &call));
  EXPECT_EQ(call.folder, "C:\\Games\\a & b (x) ^ %OS% 100% !\\");
  EXPECT_EQ(call.command, ".\\tarnwell.bat");
}

TEST(CmdCall, KeepsTheSeparatorOfADriveRoot) {
  CmdCall call;
  ASSERT_TRUE(cmd_call("D:\\tarnwell.bat", &call));
  EXPECT_EQ(call.folder, "D:\\");  // "D:" alone would be the drive's current folder
  EXPECT_EQ(call.command, ".\\tarnwell.bat");
}

TEST(CmdCall, TakesForwardSlashesAndBareNames) {
  CmdCall call;
  ASSERT_TRUE(cmd_call("/tmp/x y/run-game_2.cmd", &call));
  EXPECT_EQ(call.folder, "/tmp/x y/");
  EXPECT_EQ(call.command, ".\\run-game_2.cmd");
  ASSERT_TRUE(cmd_call("tarnwell.bat", &call));
  EXPECT_EQ(call.folder, "");
  EXPECT_EQ(call.command, ".\\tarnwell.bat");
}

TEST(CmdCall, TakesLettersBeyondAscii) {
  CmdCall call;
  ASSERT_TRUE(cmd_call("C:\\Spiele\\st\xc3\xa4rt.bat", &call));
  EXPECT_EQ(call.command, ".\\st\xc3\xa4rt.bat");
}

TEST(CmdCall, RefusesNamesThatCmdWouldReadAsMore) {
  CmdCall call;
  for (const char* name : {"a&b.bat", "a b.bat", "100%.bat", "x!.bat", "(x).bat", "a^b.bat", "a|b.bat",
                           "a\"b.bat", "a,b.bat", "a;b.bat", "a=b.bat", "@x.bat"}) {
    EXPECT_FALSE(cmd_call(std::string("C:\\Games\\") + name, &call)) << name;
  }
  EXPECT_FALSE(cmd_call("C:\\Games\\", &call));  // a folder, no name
  EXPECT_FALSE(cmd_call("", &call));
}
