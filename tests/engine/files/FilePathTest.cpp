// The text rules of File::Path, as one table.
#include <gtest/gtest.h>

#include <string>

#include "engine/File.h"

using Vek::File;

namespace {

enum class Op { Add, AddPath, Normalise, Forward, Back, Lower, Trim, Relative, DelName, Name, Ext, IsExt, First };

struct PathCase {
    Op op;
    const char* input;
    const char* argument;
    const char* expected;   // the path afterwards, or the text the call returns ("<null>" for null)
    bool result = true;     // for the calls that return a bool
    const char* rest = "";  // ExtractFirstPath: what stays in the path
};

const PathCase kCases[] = {
    // Add appends as it is; AddPath puts one separator between.
    {Op::Add, "a\\mesh", ".im", "a\\mesh.im"},
    {Op::AddPath, "a", "b", "a\\b"},
    {Op::AddPath, "a/b", "c", "a/b/c"},
    {Op::AddPath, "a/b\\c", "d", "a/b\\c\\d"},
    {Op::AddPath, "a\\", "b", "a\\b"},
    {Op::AddPath, "a", "/b", "a/b"},
    {Op::AddPath, "a\\", "\\b", "a\\\\b"},
    {Op::AddPath, "", "b", "b"},
    {Op::AddPath, "a", "", "a"},
    // Normalise.
    {Op::Normalise, "a/./b//c", "", "a\\b\\c"},
    {Op::Normalise, "a/b/../c", "", "a\\c"},
    {Op::Normalise, "../../a/..", "", "..\\.."},
    {Op::Normalise, "/../a", "", "\\a"},
    {Op::Normalise, "C:/x/../y/", "", "C:\\y\\"},
    {Op::Normalise, "C:..\\x", "", "C:..\\x"},
    {Op::Normalise, "//srv//x", "", "\\srv\\x"},
    {Op::Normalise, "a/..", "", ""},
    {Op::Normalise, "\\", "", "\\"},
    // Slashes and case.
    {Op::Forward, "a/b\\c/", "", "a\\b\\c\\"},
    {Op::Back, "a/b\\c\\", "", "a/b/c/"},
    {Op::Lower, "AbC\\\xC3\x84Z", "", "abc\\\xC3\x84z"},
    {Op::Trim, "a\\", "", "a"},
    {Op::Trim, "a//", "", "a/"},
    {Op::Trim, "a", "", "a"},
    {Op::Trim, "\\", "", "\\"},
    {Op::Trim, "C:\\", "", "C:\\"},
    // MakeRelativeTo.
    {Op::Relative, "C:\\Games\\UserData\\local\\x.txt", "c:/games/userdata/", "local\\x.txt"},
    {Op::Relative, "c:/games/userdata", "C:\\Games\\UserData\\", ""},
    {Op::Relative, "/home/u/./A/b/", "/HOME/u", "A\\b"},
    {Op::Relative, "\\a\\b", "\\", "a\\b"},
    {Op::Relative, "C:\\Games\\UserDataX", "C:\\Games\\UserData", "C:\\Games\\UserDataX", false},
    {Op::Relative, "C:\\Games", "C:\\Games\\UserData", "C:\\Games", false},
    {Op::Relative, "a\\b", "", "a\\b", false},
    // DelName.
    {Op::DelName, "a\\b\\c.txt", "", "a\\b"},
    {Op::DelName, "a/b", "", "a"},
    {Op::DelName, "c.txt", "", ""},
    {Op::DelName, "out\\", "", "out"},
    {Op::DelName, "\\a", "", "\\"},
    {Op::DelName, "C:\\a", "", "C:\\"},
    // GetName, GetExt, IsExt.
    {Op::Name, "a\\b/c.txt", "", "c.txt"},
    {Op::Name, "a\\", "", ""},
    {Op::Name, "plain", "", "plain"},
    {Op::Ext, "x.tar.GZ", "", "GZ"},
    {Op::Ext, "a\\b.c\\file", "", "<null>"},
    {Op::Ext, ".txt", "", "txt"},
    {Op::Ext, "a.", "", ""},
    {Op::IsExt, "Tree.Texture.TXT", "txt", "", true},
    {Op::IsExt, "mesh.im", ".IM", "", true},
    {Op::IsExt, "a.tx", "txt", "", false},
    {Op::IsExt, "a.txt", "tx", "", false},
    {Op::IsExt, "dir.txt\\noext", "txt", "", false},
    {Op::IsExt, "noext", "", "", false},
    // ExtractFirstPath.
    {Op::First, "data\\foo\\bar", "", "data", true, "foo\\bar"},
    {Op::First, "\\a\\\\b/c", "", "a", true, "b/c"},
    {Op::First, "C:\\x", "", "C:", true, "x"},
    {Op::First, "single", "", "single", true, ""},
    {Op::First, "", "", "", false, ""},
};

std::string Show(const char* text) { return text ? text : "<null>"; }

}  // namespace

TEST(FilePath, Rules) {
    for (const PathCase& c : kCases) {
        SCOPED_TRACE(std::string("input '") + c.input + "' argument '" + c.argument + "'");
        File::Path path(c.input);
        switch (c.op) {
        case Op::Add: path.Add(c.argument); break;
        case Op::AddPath: path.AddPath(c.argument); break;
        case Op::Normalise: path.Normalise(); break;
        case Op::Forward: path.ReplaceForwardSlashes(); break;
        case Op::Back: path.ReplaceBackSlashes(); break;
        case Op::Lower: path.ToLower(); break;
        case Op::Trim: path.RemoveTrailingSeparator(); break;
        case Op::Relative: EXPECT_EQ(path.MakeRelativeTo(c.argument), c.result); break;
        case Op::DelName: path.DelName(); break;
        case Op::Name: EXPECT_EQ(Show(path.GetName()), c.expected); continue;
        case Op::Ext: EXPECT_EQ(Show(path.GetExt()), c.expected); continue;
        case Op::IsExt: EXPECT_EQ(path.IsExt(c.argument), c.result); continue;
        case Op::First: {
            File::Path first("old");
            EXPECT_EQ(path.ExtractFirstPath(first), c.result);
            EXPECT_EQ(first.Str(), c.expected);
            EXPECT_EQ(path.Str(), c.rest);
            continue;
        }
        }
        EXPECT_EQ(path.Str(), c.expected);
    }
}

TEST(FilePath, NullArgumentsChangeNothing) {
    File::Path path("a\\b");
    path.Add(nullptr);
    path.AddPath(nullptr);
    EXPECT_EQ(path.Str(), "a\\b");
    EXPECT_FALSE(path.MakeRelativeTo(nullptr));
    EXPECT_FALSE(path.IsExt(nullptr));
    EXPECT_EQ(path.Str(), "a\\b");
}
