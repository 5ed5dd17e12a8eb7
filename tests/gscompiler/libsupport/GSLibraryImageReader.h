#pragma once
// Test-side reader of script-library images, written from the library
// format alone. It reads an image into plain structures and, on the way,
// checks what the format promises: every chunk length (a chunk lies inside
// its parent, and its parts end exactly where it ends), the tags in their
// order, the alignment of the string section and of every function chunk,
// every string offset (inside the section, its text ending before the
// padding), every index into the dependents, strings, class imports and
// function imports, the virtual-table length word and the instance-layout
// rows. Every problem found is kept as a text in `errors`.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace GSTest {

struct ImageFunction {
    uint32_t signature = 0;
    uint32_t resultType = 0;
    int32_t resultClass = -1;
    uint32_t flags = 0;
    int32_t slot = -1;
    uint32_t frameSize = 0;
    int32_t argumentOffset = 0;
    uint32_t headerOffset = 0;
    uint32_t slotsNeeded = 0;
    uint32_t argumentSlots = 0;
    uint32_t localCount = 0;
    uint32_t highestTemporary = 0;
    std::vector<int32_t> referenceSlots;
    std::vector<uint8_t> code;
    bool hasLineTable = false;
    std::vector<std::pair<uint32_t, uint32_t>> lines;  // {code offset, line}
    // Bytes of the 0xFF padding after the code.
    uint32_t padding = 0;
};

struct ImageMember {
    uint32_t name = 0;
    uint32_t type = 0;
    int32_t classIndex = -1;
    uint32_t isPublic = 0;
    int32_t slot = 0;
};

struct ImageBase {
    uint32_t classIndex = 0;
    uint32_t dataOffset = 0;
    uint32_t direct = 0;
};

struct ImageLayoutRow {
    uint32_t kind = 0;
    uint32_t slot = 0;
    int32_t value = 0;
};

struct ImageClass {
    uint32_t name = 0;
    uint32_t flags = 0;
    std::vector<ImageBase> bases;
    std::vector<ImageFunction> functions;  // the class initialisation last
    std::vector<ImageMember> members;
    std::vector<std::pair<uint32_t, uint32_t>> vtable;  // {function index, view offset}
    uint32_t instanceSlots = 0;
    std::vector<ImageLayoutRow> layout;
    std::vector<int32_t> referenceMembers;
};

struct LibraryImage {
    uint32_t lengthWord = 0;
    uint32_t magic = 0;
    uint32_t versionBits = 0;
    uint32_t idA = 0;
    uint32_t idB = 0;
    std::string name;
    uint32_t firstSection = 0;  // image offset of section 2
    std::vector<std::pair<uint32_t, uint32_t>> dependents;
    std::vector<std::string> strings;
    std::vector<std::pair<uint32_t, uint32_t>> classImports;  // {dependent, name string}
    struct FunctionImport {
        uint32_t ownerClass;
        uint32_t signature;
        int32_t slot;
    };
    std::vector<FunctionImport> functionImports;
    std::vector<ImageClass> classes;
    std::vector<std::string> errors;
    // Every chunk met, in image order: what it is and where it starts.
    std::vector<std::pair<std::string, uint32_t>> chunks;
    // The image offset of the string-offset table (section 3).
    uint32_t stringOffsets = 0;

    // Where the first chunk of a kind starts (0 when there is none).
    uint32_t ChunkAt(const std::string& what) const {
        for (const auto& [name, start] : chunks)
            if (name == what) return start;
        return 0;
    }

    const std::string& String(uint32_t i) const {
        static const std::string missing = "<no such string>";
        return i < strings.size() ? strings[i] : missing;
    }
    const ImageClass* Class(const std::string& className) const {
        for (const ImageClass& c : classes)
            if (String(c.name) == className) return &c;
        return nullptr;
    }
    // A function of a class by its signature text.
    const ImageFunction* Function(const std::string& className, const std::string& signature) const {
        const ImageClass* c = Class(className);
        if (!c) return nullptr;
        for (const ImageFunction& f : c->functions)
            if (String(f.signature) == signature) return &f;
        return nullptr;
    }
};

class LibraryImageReader {
public:
    explicit LibraryImageReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}

    LibraryImage Read() {
        LibraryImage image;
        m_image = &image;
        ReadAll();
        return image;
    }

private:
    // One chunk being read: its start and end in the image.
    struct Chunk {
        uint32_t start = 0;
        uint32_t end = 0;
        bool ok = false;
    };

    void Error(const std::string& text) { m_image->errors.push_back(text + " (at " + std::to_string(m_pos) + ")"); }

    bool Word(uint32_t& out, uint32_t limit) {
        if (m_pos + 4 > limit) {
            Error("word past the end of its chunk");
            m_pos = limit;
            return false;
        }
        std::memcpy(&out, m_bytes.data() + m_pos, 4);
        m_pos += 4;
        return true;
    }
    uint32_t Word(uint32_t limit) {
        uint32_t value = 0;
        Word(value, limit);
        return value;
    }
    int32_t Int(uint32_t limit) { return static_cast<int32_t>(Word(limit)); }

    Chunk Enter(uint32_t tag, uint32_t limit, const char* what) {
        Chunk chunk;
        chunk.start = m_pos;
        m_image->chunks.push_back({what, m_pos});
        uint32_t length = 0;
        uint32_t actualTag = 0;
        if (!Word(length, limit) || !Word(actualTag, limit)) return chunk;
        if (actualTag != tag) {
            Error(std::string(what) + ": tag " + std::to_string(actualTag) + ", expected " + std::to_string(tag));
            return chunk;
        }
        if (length < 8 || uint64_t(chunk.start) + length > limit) {
            Error(std::string(what) + ": length " + std::to_string(length) + " does not fit");
            return chunk;
        }
        chunk.end = chunk.start + length;
        chunk.ok = true;
        return chunk;
    }
    // Checks that the parts of a chunk ended exactly at its end.
    void Leave(const Chunk& chunk, const char* what) {
        if (chunk.ok && m_pos != chunk.end)
            Error(std::string(what) + ": content ends at " + std::to_string(m_pos) + ", chunk at " +
                  std::to_string(chunk.end));
        if (chunk.ok) m_pos = chunk.end;
    }

    void CheckIndex(uint64_t index, uint64_t count, const char* what) {
        if (index >= count) Error(std::string(what) + " " + std::to_string(index) + " out of " + std::to_string(count));
    }

    void ReadAll() {
        LibraryImage& image = *m_image;
        const uint32_t size = static_cast<uint32_t>(m_bytes.size());
        image.lengthWord = Word(size);
        image.magic = Word(size);
        image.versionBits = Word(size);
        image.idA = Word(size);
        image.idB = Word(size);
        if (image.lengthWord != size) Error("image length word " + std::to_string(image.lengthWord));
        if (image.magic != 0xF762575D) Error("magic");
        const uint32_t nameLength = Word(size);
        if (nameLength == 0 || uint64_t(m_pos) + nameLength > size) {
            Error("name length");
            return;
        }
        const char* name = reinterpret_cast<const char*>(m_bytes.data() + m_pos);
        if (name[nameLength - 1] != '\0' || std::strlen(name) != nameLength - 1) Error("name is not one NUL-ended text");
        image.name.assign(name, strnlen(name, nameLength));
        m_pos += nameLength;
        image.firstSection = m_pos;

        // Section 2: dependents.
        Chunk chunk = Enter(2, size, "dependents");
        if (!chunk.ok) return;
        const uint32_t dependents = Word(chunk.end);
        for (uint32_t i = 0; i < dependents && m_pos < chunk.end; ++i) {
            const uint32_t a = Word(chunk.end);
            const uint32_t b = Word(chunk.end);
            image.dependents.push_back({a, b});
        }
        Leave(chunk, "dependents");

        // Section 3: strings, found through their offsets only.
        chunk = Enter(3, size, "strings");
        if (!chunk.ok) return;
        const uint32_t strings = Word(chunk.end);
        if (strings > 0) {
            std::vector<uint32_t> offsets;
            image.stringOffsets = m_pos;
            for (uint32_t i = 0; i < strings; ++i) offsets.push_back(Word(chunk.end));
            const uint32_t base = m_pos;
            if (chunk.end % 4 != 0) Error("string section does not end 4-aligned");
            uint64_t textsEnd = base;
            for (uint32_t i = 0; i < strings; ++i) {
                const uint64_t at = uint64_t(base) + offsets[i];
                if (at >= chunk.end) {
                    Error("string " + std::to_string(i) + " offset outside the section");
                    image.strings.push_back("");
                    continue;
                }
                const char* text = reinterpret_cast<const char*>(m_bytes.data() + at);
                const std::size_t length = strnlen(text, chunk.end - at);
                if (at + length >= chunk.end) Error("string " + std::to_string(i) + " not NUL-ended in its section");
                if (at + length + 1 > textsEnd) textsEnd = at + length + 1;
                image.strings.emplace_back(text, length);
            }
            // After the last text: fewer than 4 zero bytes up to the end.
            if (chunk.end - textsEnd >= 4) Error("string padding of 4 bytes or more");
            for (uint64_t p = textsEnd; p < chunk.end; ++p)
                if (m_bytes[p] != 0) Error("string padding byte is not 0");
            m_pos = chunk.end;
        } else if (chunk.end - chunk.start != 12) {
            Error("an empty string section is not 12 bytes");
        }
        Leave(chunk, "strings");

        // Section 4: class imports.
        chunk = Enter(4, size, "class imports");
        if (!chunk.ok) return;
        const uint32_t classImports = Word(chunk.end);
        for (uint32_t i = 0; i < classImports && m_pos < chunk.end; ++i) {
            const uint32_t dependent = Word(chunk.end);
            const uint32_t nameIndex = Word(chunk.end);
            CheckIndex(dependent, image.dependents.size(), "class import dependent");
            CheckIndex(nameIndex, image.strings.size(), "class import name");
            image.classImports.push_back({dependent, nameIndex});
        }
        Leave(chunk, "class imports");

        // Section 5: function imports.
        chunk = Enter(5, size, "function imports");
        if (!chunk.ok) return;
        const uint32_t functionImports = Word(chunk.end);
        for (uint32_t i = 0; i < functionImports && m_pos < chunk.end; ++i) {
            LibraryImage::FunctionImport row{};
            row.ownerClass = Word(chunk.end);
            row.signature = Word(chunk.end);
            row.slot = Int(chunk.end);
            CheckIndex(row.ownerClass, image.classImports.size(), "function import class");
            CheckIndex(row.signature, image.strings.size(), "function import signature");
            image.functionImports.push_back(row);
        }
        Leave(chunk, "function imports");

        // Section 6: classes.
        chunk = Enter(6, size, "classes");
        if (!chunk.ok) return;
        const uint32_t classes = Word(chunk.end);
        for (uint32_t i = 0; i < classes && m_pos < chunk.end; ++i) ReadClass(chunk.end);
        Leave(chunk, "classes");
        if (m_pos != size) Error("bytes after section 6");
    }

    void ReadClass(uint32_t limit) {
        LibraryImage& image = *m_image;
        ImageClass cls;
        Chunk chunk = Enter(7, limit, "class");
        if (!chunk.ok) {
            m_pos = limit;
            return;
        }
        cls.name = Word(chunk.end);
        CheckIndex(cls.name, image.strings.size(), "class name");
        cls.flags = Word(chunk.end);
        if (cls.flags & ~0x14Cu) Error("class flags outside 0x14C");
        const uint32_t bases = Word(chunk.end);
        for (uint32_t i = 0; i < bases && m_pos < chunk.end; ++i) {
            ImageBase base;
            base.classIndex = Word(chunk.end);
            base.dataOffset = Word(chunk.end);
            base.direct = Word(chunk.end);
            CheckIndex(base.classIndex, image.classImports.size(), "base class");
            if (base.direct > 1) Error("base direct flag not 0 or 1");
            cls.bases.push_back(base);
        }

        Chunk table = Enter(8, chunk.end, "function table");
        if (table.ok) {
            const uint32_t functions = Word(table.end);
            if (functions == 0) Error("function table without the class initialisation");
            for (uint32_t i = 0; i < functions && m_pos < table.end; ++i)
                ReadFunction(cls, table.end, i + 1 == functions);
            Leave(table, "function table");
        }

        Chunk members = Enter(10, chunk.end, "members");
        if (members.ok) {
            const uint32_t count = Word(members.end);
            for (uint32_t i = 0; i < count && m_pos < members.end; ++i) {
                ImageMember member;
                member.name = Word(members.end);
                member.type = Word(members.end);
                member.classIndex = Int(members.end);
                member.isPublic = Word(members.end);
                member.slot = Int(members.end);
                CheckIndex(member.name, image.strings.size(), "member name");
                if (member.classIndex != -1) CheckIndex(uint32_t(member.classIndex), image.classImports.size(), "member class");
                cls.members.push_back(member);
            }
            Leave(members, "members");
        }

        Chunk vtable = Enter(11, chunk.end, "virtual table");
        if (vtable.ok) {
            const uint32_t count = Word(vtable.end);
            if (vtable.end - vtable.start != 12 + 8 * uint64_t(count)) Error("virtual table length is not 12 + 8 x E");
            for (uint32_t i = 0; i < count && m_pos < vtable.end; ++i) {
                const uint32_t function = Word(vtable.end);
                const uint32_t offset = Word(vtable.end);
                CheckIndex(function, image.functionImports.size(), "virtual table function");
                cls.vtable.push_back({function, offset});
            }
            Leave(vtable, "virtual table");
        }

        Chunk layout = Enter(12, chunk.end, "instance layout");
        if (layout.ok) {
            cls.instanceSlots = Word(layout.end);
            const uint32_t rows = Word(layout.end);
            if (rows != 2 * cls.bases.size() + 1) Error("layout row count is not 2 x B + 1");
            for (uint32_t i = 0; i < rows && m_pos < layout.end; ++i) {
                ImageLayoutRow row;
                row.kind = Word(layout.end);
                row.slot = Word(layout.end);
                row.value = Int(layout.end);
                cls.layout.push_back(row);
            }
            const uint32_t references = Word(layout.end);
            for (uint32_t i = 0; i < references && m_pos < layout.end; ++i) cls.referenceMembers.push_back(Int(layout.end));
            Leave(layout, "instance layout");
        }
        Leave(chunk, "class");
        image.classes.push_back(cls);
    }

    void ReadFunction(ImageClass& cls, uint32_t limit, bool last) {
        LibraryImage& image = *m_image;
        ImageFunction f;
        Chunk chunk = Enter(9, limit, "function");
        if (!chunk.ok) {
            m_pos = limit;
            return;
        }
        f.signature = Word(chunk.end);
        CheckIndex(f.signature, image.strings.size(), "function signature");
        f.resultType = Word(chunk.end);
        f.resultClass = Int(chunk.end);
        if (f.resultClass != -1) CheckIndex(uint32_t(f.resultClass), image.classImports.size(), "result class");
        f.flags = Word(chunk.end);
        if (f.flags & ~0x3Bu) Error("function flags outside 0x3B");
        f.slot = Int(chunk.end);
        f.frameSize = Word(chunk.end);
        f.argumentOffset = Int(chunk.end);
        f.headerOffset = Word(chunk.end);
        f.slotsNeeded = Word(chunk.end);
        f.argumentSlots = Word(chunk.end);
        f.localCount = Word(chunk.end);
        f.highestTemporary = Word(chunk.end);
        const uint32_t references = Word(chunk.end);
        for (uint32_t i = 0; i < references && m_pos < chunk.end; ++i) f.referenceSlots.push_back(Int(chunk.end));
        const uint32_t codeLength = Word(chunk.end);
        if (uint64_t(m_pos) + codeLength > chunk.end) {
            Error("code past its chunk");
            m_pos = chunk.end;
            cls.functions.push_back(f);
            return;
        }
        f.code.assign(m_bytes.begin() + m_pos, m_bytes.begin() + m_pos + codeLength);
        m_pos += codeLength;
        while (m_pos % 4 != 0 && m_pos < chunk.end) {
            if (m_bytes[m_pos] != 0xFF) Error("code padding byte is not 0xFF");
            ++m_pos;
            ++f.padding;
        }
        if (m_pos % 4 != 0) Error("code padding does not reach a multiple of 4");
        if (m_pos < chunk.end) {
            const uint32_t tag = Word(chunk.end);
            if (tag != 0x6462676C) Error("line table tag");
            f.hasLineTable = true;
            const uint32_t pairs = Word(chunk.end);
            for (uint32_t i = 0; i < pairs && m_pos < chunk.end; ++i) {
                const uint32_t offset = Word(chunk.end);
                const uint32_t line = Word(chunk.end);
                f.lines.push_back({offset, line});
            }
        }
        if (chunk.end % 4 != 0) Error("function chunk does not end 4-aligned");
        if (last && f.hasLineTable) Error("the class initialisation has a line table");
        if (!last && !f.hasLineTable) Error("a function without a line table");
        Leave(chunk, "function");
        cls.functions.push_back(f);
    }

    const std::vector<uint8_t>& m_bytes;
    uint32_t m_pos = 0;
    LibraryImage* m_image = nullptr;
};

}  // namespace GSTest
