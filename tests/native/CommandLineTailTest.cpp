#include "framework/CommandLineTail.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SkipProgramPath, SkipsThePathAndTheBlanksAfterIt) {
    EXPECT_EQ(std::string(fw::SkipProgramPath("Orvane.exe -i C:\\T")), "-i C:\\T");
    EXPECT_EQ(std::string(fw::SkipProgramPath("\"C:\\Pro gram\\Orvane.exe\"   -u x")), "-u x");
    EXPECT_EQ(std::string(fw::SkipProgramPath("Orvane.exe \t -i x  ")), "-i x  ");
    EXPECT_EQ(std::string(fw::SkipProgramPath("Orvane.exe")), "");
    EXPECT_EQ(std::string(fw::SkipProgramPath("\"unclosed path")), "");
    EXPECT_EQ(std::string(fw::SkipProgramPath<char>(nullptr)), "");
    EXPECT_EQ(std::wstring(fw::SkipProgramPath(L"\"C:\\K\\O.exe\" -i C:\\K\x3a9")),
              L"-i C:\\K\x3a9");
}

}  // namespace
