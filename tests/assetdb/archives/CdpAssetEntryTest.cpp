#include "assetdb/archives/CdpAssetEntry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "foundation/streams/BufferStream.h"

using namespace ArchiveTest;

namespace {

struct SignatureCase {
    const char* name;
    std::function<SoupHandle()> files;
    const char* text;
};

TEST(CdpAssetEntrySignature, OfFilesTree) {
    const std::vector<SignatureCase> cases = {
        {"no files container", [] { return SoupHandle(); }, "0:0"},
        {"empty files container",
         [] {
             SoupHandle files;
             files.EnsureContainer();
             return files;
         },
         "0:0"},
        {"only folders",
         [] {
             SoupHandle files;
             SoupHandle a;
             SoupHandle b;
             b.EnsureContainer();
             a.SetContainer("deeper", b);
             files.SetContainer("art", a);
             return files;
         },
         "0:0"},
        {"files of four bytes or less",
         [] {
             SoupHandle files;
             SetRaw(files, "a.txt", Bytes("abcd"));
             SetRaw(files, "b.txt", Bytes("x"));
             return files;
         },
         "0:0"},
        {"one file of eight letters",
         [] {
             SoupHandle files;
             SetRaw(files, "a.txt", Bytes("abcdefgh"));
             return files;
         },
         "8:1650218576"},
        {"the same file in a folder beside texts",
         [] {
             SoupHandle files;
             files.SetString("note", "texts contribute nothing");
             SoupHandle art;
             SetRaw(art, "a.txt", Bytes("abcdefghij"));
             files.SetContainer("art", art);
             return files;
         },
         "8:1650218576"},
        {"two files add up",
         [] {
             SoupHandle files;
             SetRaw(files, "a.txt", Bytes("abcdefgh"));
             SetRaw(files, "b.txt", Bytes("abcdefgh"));
             return files;
         },
         "16:-994530144"},
    };
    for (const SignatureCase& c : cases) {
        SCOPED_TRACE(c.name);
        SoupHandle soup = AssetSoup(KUID(1, 2, 0));
        SoupHandle files = c.files();
        if (!files.IsEmpty()) soup.SetContainer("files", files);
        CdpAssetEntry entry(soup);
        EXPECT_STREQ(entry.ComputeSignature().ToText().c_str(), c.text);
        EXPECT_FALSE(entry.CheckSignature());  // no "dsid" yet
        entry.SetSignature();
        EXPECT_STREQ(soup.GetString("dsid").c_str(), c.text);
        EXPECT_TRUE(entry.CheckSignature());
    }
}

TEST(CdpAssetEntrySignature, ChangedFilesNoLongerMatch) {
    SoupHandle soup = AssetSoup(KUID(1, 2, 0));
    SoupHandle files;
    SetRaw(files, "a.txt", Bytes("abcdefgh"));
    soup.SetContainer("files", files);
    CdpAssetEntry entry(soup);
    entry.SetSignature();
    ASSERT_TRUE(entry.CheckSignature());
    SetRaw(files, "a.txt", Bytes("abcdefgX"));
    EXPECT_FALSE(entry.CheckSignature());
}

TEST(CdpAssetEntry, NewEntryAndAccessors) {
    CdpAssetEntry fresh;
    EXPECT_EQ(TagNames(fresh.GetSoup()), std::vector<std::string>{"compression"});
    EXPECT_STREQ(fresh.GetCompression().c_str(), "LZSS");
    EXPECT_TRUE(fresh.GetKUID().IsNull());
    EXPECT_FALSE(fresh.HasValidKUID());
    EXPECT_TRUE(fresh.GetFiles().IsEmpty());

    CdpAssetEntry asset(AssetSoup(KUID(5, 6, 1)));
    EXPECT_TRUE(asset.HasValidKUID());
    EXPECT_EQ(asset.GetKUID(), KUID(5, 6, 1));
    EXPECT_STREQ(asset.GetCompression().c_str(), "");
}

TEST(CdpAssetEntry, BinaryRoundTripAndDamagedInput) {
    SoupHandle soup = AssetSoup(KUID(5, 6, 1));
    SoupHandle files;
    SetRaw(files, "a.txt", Bytes("hello there"));
    soup.SetContainer("files", files);
    TBuffer stream;
    ASSERT_TRUE(CdpAssetEntry(soup).WriteBinary(stream));
    stream.Rewind();
    CdpAssetEntry read;
    EXPECT_TRUE(read.ReadBinary(stream));
    EXPECT_EQ(read.GetKUID(), KUID(5, 6, 1));
    EXPECT_EQ(TagNames(read.GetSoup()), TagNames(soup));

    TBuffer junk;
    junk.Write("ACS$\x01\0\0\0\0\0\0\0\xff\xff\0\0", 16);
    junk.Rewind();
    CdpAssetEntry damaged;
    EXPECT_TRUE(damaged.ReadBinary(junk));
    EXPECT_TRUE(damaged.GetSoup().IsEmpty());
}

}  // namespace
