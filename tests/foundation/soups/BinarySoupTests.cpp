// The "ACS$" binary form: writer bytes, the reader's failure table, the
// lazy views and their edit overlay.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/TDBBinaryFile.h"
#include "foundation/soups/TDBBinarySoup.h"
#include "foundation/soups/TDBContainerTag.h"
#include "foundation/soups/TDBDataChunk.h"
#include "foundation/soups/TDBDataTag.h"
#include "SoupTestSupport.h"
#include "support/SmallStack.h"

namespace {

using SoupTest::Bytes;
using SoupTest::Entry;
using SoupTest::Text;
using SoupTest::Word;

Bytes Written(const SoupHandle& soup) {
    TBuffer out;
    WriteBinarySoup(out, soup);
    return SoupTest::Contents(out);
}

// Reads a file's bytes into a handle; the stream lives only for the read.
SoupHandle Read(const Bytes& file, bool* result = nullptr) {
    TBuffer in;
    SoupTest::Fill(in, file);
    SoupHandle soup;
    bool ok = ReadBinarySoup(soup, in);
    if (result) *result = ok;
    return soup;
}

Bytes Body(const Bytes& file) { return Bytes(file.begin() + 16, file.end()); }

std::vector<std::string> TagNames(const SoupHandle& soup) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < soup.Count(); ++i) names.push_back(soup.GetTagName(i).c_str());
    return names;
}

// A value tag appended directly (kinds the setters do not make).
void AppendValue(SoupHandle& soup, const char* name, int32_t kind, const Bytes& bytes) {
    ChunkRef root = soup.EnsureContainerRef();
    root->AppendChild(name, root->CreateChunk(kind, MakeRawDataCopy(static_cast<int32_t>(bytes.size()), bytes.data())));
}

TEST(BinarySoupWriter, EntryBytesForEveryKind) {
    const Bytes header = {'A', 'C', 'S', '$', 1, 0, 0, 0, 0, 0, 0, 0};

    // The Part's example: an int 5 named "a" is these 12 bytes.
    SoupHandle one;
    one.SetInt("a", 5);
    Bytes expected = header;
    SoupTest::Append(expected, Word(12));
    SoupTest::Append(expected, {0x08, 0, 0, 0, 0x02, 0x61, 0x00, 0x01, 0x05, 0, 0, 0});
    EXPECT_EQ(Written(one), expected);

    float half = 0.5f;
    Bytes halfBytes(4);
    std::memcpy(halfBytes.data(), &half, 4);
    struct Case {
        const char* what;
        void (*set)(SoupHandle&);
        Bytes entry;
    };
    const Case cases[] = {
        {"int", [](SoupHandle& s) { s.SetInt("n", -2); }, Entry("n", 1, Word(0xFFFFFFFE))},
        {"float", [](SoupHandle& s) { s.SetFloat("f", 0.5f); }, Entry("f", 2, halfBytes)},
        {"text", [](SoupHandle& s) { s.SetString("t", "hi"); }, Entry("t", 3, Text("hi"))},
        {"empty text", [](SoupHandle& s) { s.SetString("t", ""); }, Entry("t", 3, {})},
        {"KUID", [](SoupHandle& s) { s.SetKUID("k", KUID(3, 100, 2)); },
         Entry("k", 13, {3, 0, 0, 4, 100, 0, 0, 0})},
        {"empty", [](SoupHandle& s) { s.SetEmpty("e"); }, Entry("e", 5, {})},
        {"raw", [](SoupHandle& s) { AppendValue(s, "r", ACSKind::kRaw, {9, 8, 7}); }, Entry("r", 4, {9, 8, 7})},
        {"reserved", [](SoupHandle& s) { AppendValue(s, "x", ACSKind::kReserved, Text("q")); },
         Entry("x", 3, Text("q"))},
        {"container", [](SoupHandle& s) { SoupHandle c; c.SetInt("i", 1); s.SetContainer("c", c); },
         Entry("c", 0, Entry("i", 1, Word(1)))},
        {"empty container", [](SoupHandle& s) { SoupHandle c; s.SetContainer("c", c); }, Entry("c", 0, {})},
        {"no name", [](SoupHandle& s) { s.SetInt("", 7); }, Entry("", 1, Word(7))},
    };
    for (const Case& c : cases) {
        SoupHandle soup;
        c.set(soup);
        EXPECT_EQ(Body(Written(soup)), c.entry) << c.what;
    }
}

TEST(BinarySoupWriter, EmptySoupAndNameLimits) {
    // A null handle and an empty container both write the bare header.
    const Bytes bare = SoupTest::File({});
    EXPECT_EQ(Written(SoupHandle()), bare);
    SoupHandle empty;
    empty.EnsureContainer();
    EXPECT_EQ(Written(empty), bare);
    bool ok = false;
    EXPECT_TRUE(Read(bare, &ok).IsEmpty());
    EXPECT_TRUE(ok);

    // 254 bytes fit (N = 255); 255 bytes are left out with their subtree.
    SoupHandle soup;
    std::string fits(254, 'f'), tooLong(255, 'x');
    soup.SetInt(fits.c_str(), 1);
    SoupHandle sub;
    sub.SetInt("inner", 2);
    soup.SetContainer(tooLong.c_str(), sub);
    soup.SetInt("after", 3);
    Bytes body = Body(Written(soup));
    ASSERT_GT(body.size(), 5u);
    EXPECT_EQ(body[4], 255);
    SoupHandle back = Read(SoupTest::File(body));
    EXPECT_EQ(TagNames(back), (std::vector<std::string>{fits, "after"}));
}

TEST(BinarySoupReader, FailureTable) {
    const Bytes good = Entry("a", 1, Word(5));
    Bytes truncatedMagic = {'A', 'C'};
    Bytes badMagic = SoupTest::File(good);
    badMagic[3] = 'X';
    Bytes negative = SoupTest::File(good);
    negative[12] = 0xFF, negative[13] = 0xFF, negative[14] = 0xFF, negative[15] = 0xFF;
    Bytes beyond = SoupTest::File(good);
    beyond[12] = static_cast<uint8_t>(good.size() + 1);
    Bytes overlong = good;
    overlong[0] = 9;  // claims one byte more than remains
    Bytes longName = {0x04, 0, 0, 0, 0x09, 'a', 0, 1};  // N + 6 beyond the span
    Bytes shortLength = {0x01, 0, 0, 0, 0x02, 'a', 0, 1};  // L < N + 2
    // A child entry that claims more than its container holds, though the
    // body has room for it.
    Bytes inner = Entry("i", 1, Word(1));
    inner[0] = 20;
    Bytes childOverflow = Entry("c", 0, inner);
    SoupTest::Append(childOverflow, Bytes(16, 0));
    Bytes rest = good;
    SoupTest::Append(rest, {1, 2, 3, 4, 5});

    struct Case {
        const char* what;
        Bytes file;
        bool result;
        bool body;
        bool root;
    };
    const Case cases[] = {
        {"wrong magic", badMagic, false, false, false},
        {"shorter than the magic", truncatedMagic, false, false, false},
        {"negative body size", negative, false, false, false},
        {"body size 0", SoupTest::File({}), true, false, false},
        {"body size beyond the stream", beyond, false, false, false},
        {"entry longer than the body", SoupTest::File(overlong), true, false, false},
        {"name beyond the body", SoupTest::File(longName), true, false, false},
        {"length below the name", SoupTest::File(shortLength), true, false, false},
        {"child beyond its container", SoupTest::File(childOverflow), true, false, false},
        {"version 2", SoupTest::File(good, 2), true, true, false},
        {"version 0", SoupTest::File(good, 0), true, true, true},
        {"well formed", SoupTest::File(good), true, true, true},
        {"rest of 5 bytes", SoupTest::File(rest), true, true, true},
    };
    for (const Case& c : cases) {
        TBuffer in;
        SoupTest::Fill(in, c.file);
        CountedRef<TDBBinaryFile> file = MakeCounted<TDBBinaryFile>();
        EXPECT_EQ(file->Read(in), c.result) << c.what;
        EXPECT_EQ(file->HasBody(), c.body) << c.what;
        EXPECT_EQ(!IsNullChunk(file->GetRoot()), c.root) << c.what;

        bool ok = !c.result;
        SoupHandle soup = Read(c.file, &ok);
        EXPECT_EQ(ok, c.result) << c.what;
        EXPECT_EQ(soup.IsEmpty(), !c.root) << c.what;
        if (c.root) {
            EXPECT_EQ(soup.GetInt("a", 0), 5) << c.what;
        }
    }

    // The handle loses what it held, also when the read fails.
    SoupHandle soup;
    soup.SetInt("old", 1);
    TBuffer in;
    SoupTest::Fill(in, badMagic);
    EXPECT_FALSE(ReadBinarySoup(soup, in));
    EXPECT_TRUE(soup.IsEmpty());
}

TEST(BinarySoupReader, NestingIsCappedAndTruncationIsClean) {
    auto nested = [](int depth) {
        Bytes body = Entry("v", 1, Word(1));
        for (int i = 0; i < depth; ++i) body = Entry("c", 0, body);
        return SoupTest::File(body);
    };
    // Checked on a small stack: the nesting costs the reader no calls.
    const Bytes atLimit = nested(TDBBinaryFile::kMaxDepth);
    const Bytes pastLimit = nested(TDBBinaryFile::kMaxDepth + 1);
    SoupHandle deepest;
    SoupHandle tooDeep;
    bool ok = false;
    ASSERT_TRUE(VorlexTest::RunOnSmallStack([&] {
        deepest = Read(atLimit);
        tooDeep = Read(pastLimit, &ok);
    }));
    ASSERT_FALSE(deepest.IsEmpty());
    SoupHandle walk = deepest;
    for (int i = 0; i < TDBBinaryFile::kMaxDepth; ++i) walk = walk.GetContainer("c");
    EXPECT_EQ(walk.GetInt("v", 0), 1);

    EXPECT_TRUE(tooDeep.IsEmpty());
    EXPECT_TRUE(ok);

    // Every prefix of a valid file fails cleanly: false while the header or
    // the announced body is incomplete, and nothing is read past the end.
    SoupHandle soup;
    soup.SetString("text", "value");
    SoupHandle sub;
    sub.SetKUID("k", KUID(1, 2, 0));
    soup.SetContainer("c", sub);
    Bytes file = Written(soup);
    for (std::size_t n = 0; n < file.size(); ++n) {
        bool result = true;
        SoupHandle cut = Read(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)), &result);
        EXPECT_TRUE(cut.IsEmpty()) << n;
        EXPECT_FALSE(result) << n;
    }
}

TEST(BinarySoupReader, DecodesEveryTypeInPlace) {
    Bytes body;
    SoupTest::Append(body, Entry("i", 1, Word(7)));  // value at 8: aligned
    ASSERT_NE((body.size() + 9) % 4, 0u) << "layout of the fixture";
    SoupTest::Append(body, Entry("od", 1, Word(0xFFFFFFFF)));  // value at 21
    SoupTest::Append(body, Entry("f", 2, Word(0x40200000)));                          // 2.5
    SoupTest::Append(body, Entry("t", 3, Text("hello")));
    SoupTest::Append(body, Entry("r", 4, {1, 2, 3}));
    SoupTest::Append(body, Entry("e", 5, {}));
    SoupTest::Append(body, Entry("k", 13, {3, 0, 0, 0, 100, 0, 0, 0}));
    SoupTest::Append(body, Entry("?", 9, {1, 2}));
    // Type 12 whose value starts 4 bytes before a 16-byte boundary: a raw
    // filler first puts it there.
    std::size_t filler = (16 + 12 - (body.size() + 9 + 12) % 16) % 16;
    SoupTest::Append(body, Entry("f2", 4, Bytes(filler, 0)));
    ASSERT_EQ((body.size() + 4 + 1 + 6 + 1) % 16, 12u) << "layout of the fixture";
    SoupTest::Append(body, Entry("pad12", 12, {0xA, 0xB, 0xC, 0xD, 0x11, 0x22}));

    SoupHandle soup = Read(SoupTest::File(body));
    ASSERT_FALSE(soup.IsEmpty());
    EXPECT_EQ(soup.GetInt("i", 0), 7);
    EXPECT_EQ(soup.GetInt("od", 0), -1);
    EXPECT_EQ(soup.GetFloat("f", 0), 2.5f);
    EXPECT_STREQ(soup.GetString("t").c_str(), "hello");
    EXPECT_EQ(soup.GetTagKind("r"), ACSKind::kRaw);
    EXPECT_EQ(soup.GetTagKind("e"), ACSKind::kEmpty);
    EXPECT_FALSE(soup.HasTag("e"));
    EXPECT_EQ(soup.GetKUID("k", KUID()), KUID(3, 100, 0));
    EXPECT_EQ(soup.GetTagKind("?"), ACSKind::kEmpty);
    EXPECT_EQ(soup.Count(), 10);

    ChunkRef aligned = soup.GetRoot()->GetChild("i");
    ChunkRef odd = soup.GetRoot()->GetChild("od");
    ChunkRef text = soup.GetRoot()->GetChild("t");
    ASSERT_TRUE(dynamic_cast<TDBDataChunk*>(aligned.Get()));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(odd->GetData()) % 4, 0u);  // an aligned copy
    EXPECT_EQ(text->GetSize(), 6);                                    // viewed with its NUL
    ChunkRef again = soup.GetRoot()->GetChild("t");
    EXPECT_NE(again, text);  // views are made afresh
    EXPECT_EQ(again->GetData(), text->GetData());

    ChunkRef padded = soup.GetRoot()->GetChild("pad12");
    EXPECT_EQ(padded->GetKind(), ACSKind::kRaw);
    EXPECT_EQ(SoupTest::ChunkBytes(padded), (Bytes{0x11, 0x22}));
}

TEST(BinarySoupReader, NamesStayInsideTheirEntry) {
    // N = 3 with no NUL among the name bytes: the name is those 3 bytes, not
    // whatever follows up to some NUL further on.
    Bytes body = {0x09, 0, 0, 0, 0x03, 'a', 'b', 'c', 0x01, 'X', 'Y', 'Z', 'W'};
    SoupHandle soup = Read(SoupTest::File(body));
    ASSERT_EQ(soup.Count(), 1);
    EXPECT_STREQ(soup.GetTagName(0).c_str(), "abc");
    EXPECT_EQ(soup.GetTagKind("abc"), ACSKind::kIntegers);
}

TEST(BinarySoupReader, VersionZeroTextsBecomeUtf8Copies) {
    Bytes body = Entry("t", 3, {'c', 'a', 'f', 0xE9, 0});
    SoupTest::Append(body, Entry("plain", 3, Text("abc")));
    SoupTest::Append(body, Entry("open", 3, {'x', 0xE9}));  // no NUL inside the value
    SoupHandle soup = Read(SoupTest::File(body, 0));
    EXPECT_EQ(std::string(soup.GetString("t").c_str()), "caf\xC3\xA9");
    EXPECT_EQ(std::string(soup.GetString("open").c_str()), "x\xC3\xA9");
    EXPECT_STREQ(soup.GetString("plain").c_str(), "abc");
    ChunkRef text = soup.GetRoot()->GetChild("t");
    EXPECT_TRUE(dynamic_cast<TDBDataTag*>(text.Get()));  // an editable copy

    // The same bytes in a version-1 file are taken as UTF-8 already.
    SoupHandle v1 = Read(SoupTest::File(body, 1));
    EXPECT_EQ(std::string(v1.GetString("t").c_str()), "caf\xE9");

    // Setting a decoded text replaces it (the copy still names its entry).
    soup.SetString("t", "new");
    EXPECT_STREQ(soup.GetString("t").c_str(), "new");
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"plain", "open", "t"}));
}

TEST(BinarySoupRoundTrip, WriteReadWriteIsByteIdentical) {
    SoupHandle soup;
    soup.SetInt("int", -5);
    soup.SetFloat("float", 3.25f);
    SoupHandle::FloatArray floats;
    floats.Add(1.5f), floats.Add(-2.0f);
    soup.SetFloatArray("floats", floats);
    soup.SetString("text", "caf\xC3\xA9 \"quoted\"");
    soup.SetString("empty", "");
    soup.SetKUID("kuid", KUID(-3, 1012, 127));
    soup.SetEmpty("nothing");
    AppendValue(soup, "raw", ACSKind::kRaw, {0, 1, 2, 255});
    SoupHandle inner, innermost;
    innermost.SetInt("deep", 1);
    inner.SetContainer("innermost", innermost);
    inner.SetInt("a", 1);
    inner.SetInt("a", 2);
    soup.SetContainer("inner", inner);
    soup.SetInt("", 9);

    Bytes first = Written(soup);
    SoupHandle back = Read(first);
    ASSERT_FALSE(back.IsEmpty());
    EXPECT_EQ(Written(back), first);
    SoupHandle copy;
    copy.CopyFrom(back);
    EXPECT_EQ(Written(copy), first);
    EXPECT_TRUE(dynamic_cast<TDBContainerTag*>(copy.Get()));
    EXPECT_TRUE(dynamic_cast<TDBContainerTag*>(copy.GetContainer("inner").Get()));

    EXPECT_EQ(back.GetContainer("inner").GetContainer("innermost").GetInt("deep", 0), 1);
    EXPECT_EQ(back.GetKUID("kuid", KUID()), KUID(-3, 1012, 127));
}

TEST(BinarySoupOverlay, RemoveHidesAndAppendsFollowTheBody) {
    SoupHandle original;
    original.SetInt("a", 1);
    original.SetInt("b", 2);
    original.SetInt("c", 3);
    Bytes file = Written(original);

    TBuffer in;
    SoupTest::Fill(in, file);
    CountedRef<TDBBinaryFile> binary = MakeCounted<TDBBinaryFile>();
    ASSERT_TRUE(binary->Read(in));
    SoupHandle soup = SoupHandle::FromChunk(binary->GetRoot());
    ChunkRef hiddenB = soup.Get()->GetChild("b");

    EXPECT_EQ(soup.Count(), 3);
    soup.RemoveTag("b");
    EXPECT_EQ(soup.Count(), 2);
    EXPECT_FALSE(soup.HasTag("b"));
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"a", "c"}));

    soup.SetInt("a", 10);  // hides the body entry, adds after the body
    soup.SetInt("d", 4);
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"c", "a", "d"}));
    EXPECT_EQ(soup.GetInt("a", 0), 10);

    // The same chunk appended twice is stored once.
    ChunkRef extra = soup.Get()->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(4, "\x05\0\0\0"));
    soup.Get()->AppendChild("e", extra);
    soup.Get()->AppendChild("e", extra);
    EXPECT_EQ(soup.Count(), 4);

    // Writing makes the edits permanent; the loaded body is unchanged.
    SoupHandle rewritten = Read(Written(soup));
    EXPECT_EQ(TagNames(rewritten), (std::vector<std::string>{"c", "a", "d", "e"}));
    EXPECT_EQ(rewritten.GetInt("a", 0), 10);
    EXPECT_EQ(binary->GetBodySize(), static_cast<int32_t>(file.size() - 16));
    EXPECT_EQ(SoupTest::ChunkBytes(hiddenB), Word(2));
}

TEST(BinarySoupOverlay, FreeRecordsAreReused) {
    SoupHandle original;
    original.SetInt("body", 0);
    SoupHandle soup = Read(Written(original));
    soup.SetInt("x", 1);
    soup.SetInt("y", 2);
    // Replacing "x" frees its record (not the last one, so it stays) and the
    // new "x" takes that free record: it comes before "y".
    soup.SetInt("x", 3);
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"body", "x", "y"}));
    EXPECT_EQ(soup.GetInt("x", 0), 3);
    // Removing the last addition drops its record from the end of the list.
    soup.RemoveTag("y");
    soup.SetInt("z", 4);
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"body", "x", "z"}));
}

TEST(BinarySoupOverlay, EditsAreSharedByEveryViewOfAContainer) {
    SoupHandle original, sub;
    sub.SetInt("one", 1);
    original.SetContainer("sub", sub);
    SoupHandle soup = Read(Written(original));

    SoupHandle first = soup.GetContainer("sub");
    SoupHandle second = soup.GetContainer("sub");
    ASSERT_NE(first.Get(), second.Get());
    EXPECT_EQ(first.Count(), 1);  // cached now
    second.SetInt("two", 2);
    EXPECT_EQ(first.Count(), 2);  // the cache follows edits made elsewhere
    EXPECT_EQ(first.GetInt("two", 0), 2);
    first.RemoveTag("one");
    EXPECT_EQ(second.Count(), 1);
    EXPECT_EQ(TagNames(second), (std::vector<std::string>{"two"}));
}

TEST(BinarySoupOverlay, AdditionsOfOneNameKeepTheirOwnValues) {
    SoupHandle original;
    original.SetInt("body", 0);
    SoupHandle soup = Read(Written(original));
    ChunkRef root = soup.GetRoot();
    root->AppendChild("dup", root->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(4, "\x01\0\0\0")));
    root->AppendChild("dup", root->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(4, "\x02\0\0\0")));
    root->AppendChild("", root->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(4, "\x03\0\0\0")));

    SoupHandle back = Read(Written(soup));
    ASSERT_EQ(back.Count(), 4);
    EXPECT_EQ(TagNames(back), (std::vector<std::string>{"body", "dup", "dup", ""}));
    Vek::PString name;
    ChunkRef chunk;
    std::vector<int32_t> values;
    for (int32_t i = 1; i < 4; ++i) {
        ASSERT_TRUE(back.Get()->GetChildAt(i, name, chunk));
        int32_t v;
        std::memcpy(&v, chunk->GetData(), 4);
        values.push_back(v);
    }
    EXPECT_EQ(values, (std::vector<int32_t>{1, 2, 3}));
}

TEST(BinarySoupOverlay, RemovalFindsOnlyEntriesOfThisFileAndContainer) {
    Bytes body = Entry("pad12", 12, {1, 2, 3, 4, 5, 6, 7, 8});
    SoupTest::Append(body, Entry("c", 0, Entry("inner", 1, Word(1))));
    Bytes file = SoupTest::File(body);
    SoupHandle soup = Read(file);
    SoupHandle twin = Read(file);  // another file with the same layout

    // A chunk of the other file at the same position removes nothing.
    soup.Get()->RemoveChild(twin.Get()->GetChild("pad12"));
    EXPECT_TRUE(soup.HasTag("pad12"));
    // Nor does a child of a nested container, removed from the root.
    soup.Get()->RemoveChild(soup.GetContainer("c").Get()->GetChild("inner"));
    EXPECT_EQ(soup.GetContainer("c").Count(), 1);
    // A padded raw value still names its entry.
    soup.RemoveTag("pad12");
    EXPECT_FALSE(soup.HasTag("pad12"));
    EXPECT_EQ(soup.Count(), 1);
    EXPECT_EQ(twin.Count(), 2);
}

TEST(BinarySoupFile, ReadingAgainIsRefusedWhileViewsLive) {
    SoupHandle original;
    original.SetInt("a", 1);
    Bytes file = Written(original);
    CountedRef<TDBBinaryFile> binary = MakeCounted<TDBBinaryFile>();
    TBuffer in;
    SoupTest::Fill(in, file);
    ASSERT_TRUE(binary->Read(in));
    SoupHandle soup = SoupHandle::FromChunk(binary->GetRoot());
    in.Rewind();
    EXPECT_FALSE(binary->Read(in));
    EXPECT_EQ(soup.GetInt("a", 0), 1);  // the body is still there
    soup.Clear();
    in.Rewind();
    EXPECT_TRUE(binary->Read(in));
    EXPECT_EQ(SoupHandle::FromChunk(binary->GetRoot()).GetInt("a", 0), 1);
}

TEST(BinarySoupFile, ViewsKeepTheBodyAlive) {
    SoupHandle original, sub;
    sub.SetString("s", "kept");
    original.SetContainer("sub", sub);
    RawDataRef bytes;
    SoupHandle child;
    {
        SoupHandle soup = Read(Written(original));
        child = soup.GetContainer("sub");
        bytes = child.GetData("s");
    }
    // Only the child view and a data view are left; both still read.
    EXPECT_STREQ(child.GetString("s").c_str(), "kept");
    child.Clear();
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes->Data()), "kept");
}

}  // namespace
