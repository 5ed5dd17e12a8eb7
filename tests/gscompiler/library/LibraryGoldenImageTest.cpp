// One library image written out byte for byte from the format, for a tiny
// class, and compared with what the compiler writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/text/CRC32.h"
#include "gscompiler/libsupport/GSCheckedBuild.h"

namespace {

class Bytes {
public:
    Bytes& W(uint32_t word) {
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(word >> (8 * i)));
        return *this;
    }
    Bytes& B(std::initializer_list<uint8_t> bytes) {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    // A text and its NUL.
    Bytes& S(const std::string& text) {
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
        return *this;
    }
    std::size_t Size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& Get() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

class LibraryGoldenImage : public GSTest::CheckedBuildTest {};

TEST_F(LibraryGoldenImage, TinyClass) {
    const std::string source =
        "class T {\n"
        "    public int n = 2;\n"
        "    int Get() { return n; }\n"
        "};\n";
    auto compiled = Build(source, {}, "tiny.gs");
    ASSERT_TRUE(compiled->written);

    // The unit looks up T and then T::Get() first when it generates them:
    // class 0 and function 0. The strings are numbered as the sections are
    // written: the class import "T" (0), the function import's signature
    // (1), then, in the class chunk, the initialisation's "::T()" (2) and
    // the member "n" (3). Their hash buckets (h = h * 3 + byte, modulo 61)
    // are 23, 28, 44 and 49, so they also lie in that order.
    const uint32_t idA = ComputeCRC32(source.data(), source.size());
    const uint32_t idB = ComputeCRC32("tiny.gs", 7);
    Bytes image;
    image.W(436).W(0xF762575D).W(0x3F828F5C).W(idA).W(idB);
    image.W(8).S("tiny.gs");  // no padding: section 2 starts at 32
    ASSERT_EQ(image.Size(), 32u);
    // Section 2: one dependent, the library itself.
    image.W(20).W(2).W(1).W(idA).W(idB);
    // Section 3: four offsets, then 24 bytes of texts, ending 4-aligned at
    // 104.
    image.W(52).W(3).W(4).W(0).W(2).W(16).W(22);
    image.S("T").S("$int@T::Get()").S("::T()").S("n");
    ASSERT_EQ(image.Size(), 104u);
    // Section 4: class 0 is T of dependent 0.
    image.W(20).W(4).W(1).W(0).W(0);
    // Section 5: function 0 is "$int@T::Get()" of class 0, slot 0.
    image.W(24).W(5).W(1).W(0).W(1).W(0);
    // Section 6: one class chunk of 276 bytes.
    image.W(288).W(6).W(1);
    image.W(276).W(7).W(0).W(0).W(0);  // name "T", no flags, no bases
    image.W(172).W(8).W(2);            // Get and the initialisation
    // Get: int result, no class, not public, slot 0; no locals: L = 0, so
    // frame 4, argument offset 0, header 1; depth 1 + 4 slots; `me` only.
    image.W(84).W(9).W(1).W(2).W(0xFFFFFFFF).W(0).W(0).W(4).W(0).W(1).W(5).W(1).W(0).W(0);
    image.W(0);                                  // no reference slots
    image.W(4).B({103, 2, 0, 110});              // LoadMyMember 2, ReturnValue
    image.W(0x6462676C).W(1).W(0).W(3);          // "dbgl": offset 0 is line 3
    // The initialisation: "::T()", void, constructor, no slot, the same
    // frame; 9 bytes of code and 3 of padding, no line table.
    image.W(76).W(9).W(2).W(0).W(0xFFFFFFFF).W(0x20).W(0xFFFFFFFF).W(4).W(0).W(1).W(5).W(1).W(0).W(0);
    image.W(0);
    image.W(9).B({30, 2, 0, 0, 0, 105, 2, 0, 109, 0xFF, 0xFF, 0xFF});  // PushConst 2, StoreMyMember 2, Return
    // Members: "n", int, no class, public, slot 2.
    image.W(32).W(10).W(1).W(3).W(2).W(0xFFFFFFFF).W(1).W(2);
    // Virtual table: function 0 in the class's own view.
    image.W(20).W(11).W(1).W(0).W(0);
    // Layout: 1 member + data base 2 + 3 slots; the one row {1, 1, 0}; no
    // reference members.
    image.W(32).W(12).W(6).W(1).W(1).W(1).W(0).W(0);
    ASSERT_EQ(image.Size(), 436u);

    EXPECT_EQ(compiled->image, image.Get());
}

}  // namespace
