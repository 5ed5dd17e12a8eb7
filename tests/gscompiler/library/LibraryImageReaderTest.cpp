// The test-side image reader finds what is wrong with an image: damaged
// copies of a compiled library, one fault each.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gscompiler/libsupport/GSCheckedBuild.h"

namespace {

class LibraryImageReaderChecks : public GSTest::CheckedBuildTest {};

void Put(std::vector<uint8_t>& image, uint32_t at, uint32_t word) { std::memcpy(image.data() + at, &word, 4); }

uint32_t Get(const std::vector<uint8_t>& image, uint32_t at) {
    uint32_t word;
    std::memcpy(&word, image.data() + at, 4);
    return word;
}

TEST_F(LibraryImageReaderChecks, EachDamageIsFound) {
    auto compiled = Build(
        "class Base { public int k; int F() { return k + 1; } };\n"
        "class Item isclass Base { string label = \"x\"; int F() { return 2; } };\n");
    const std::vector<uint8_t> image = compiled->image;
    const GSTest::LibraryImage& library = compiled->library;
    ASSERT_TRUE(library.errors.empty());

    struct Damage {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> apply;
    };
    const uint32_t strings = library.ChunkAt("strings");
    const uint32_t classImports = library.ChunkAt("class imports");
    const uint32_t functionImports = library.ChunkAt("function imports");
    const uint32_t vtable = library.ChunkAt("virtual table");
    const uint32_t function = library.ChunkAt("function");
    const std::vector<Damage> damages = {
        {"the image length word", [](auto& b) { Put(b, 0, Get(b, 0) + 4); }},
        {"a section tag", [&](auto& b) { Put(b, strings + 4, 9); }},
        {"a chunk longer than its parent", [&](auto& b) { Put(b, function, Get(b, function) + 400); }},
        {"a chunk shorter than its content", [&](auto& b) { Put(b, function, Get(b, function) - 4); }},
        {"a string offset outside the section", [&](auto& b) { Put(b, library.stringOffsets, 5000); }},
        {"a class import naming no dependent", [&](auto& b) { Put(b, classImports + 12, 7); }},
        {"a function import naming no class", [&](auto& b) { Put(b, functionImports + 12, 9); }},
        {"a function import naming no string", [&](auto& b) { Put(b, functionImports + 16, 999); }},
        {"a virtual-table count that disagrees with its length", [&](auto& b) { Put(b, vtable + 8, 3); }},
        {"code padding that is not 0xFF",
         [&](auto& b) {
             // The first function's code starts after 15 words and its
             // reference slots; its padding follows the code.
             const GSTest::ImageFunction& f = library.classes[0].functions[0];
             const uint32_t code = function + 4 * 15 + 4 * uint32_t(f.referenceSlots.size()) + 4;
             ASSERT_GT(f.padding, 0u);
             b[code + f.code.size()] = 0;
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        std::vector<uint8_t> damaged = image;
        damage.apply(damaged);
        EXPECT_FALSE(GSTest::LibraryImageReader(damaged).Read().errors.empty());
    }
}

}  // namespace
