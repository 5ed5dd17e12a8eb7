#pragma once
// Test-only builder of script-library images. It lays an image out byte for
// byte as the library format fixes it, from a description that tests can
// also bend: any frame word, count, index or tag can be set to a wrong value
// to see the loader refuse it, and code can hold instructions the compiler
// never emits. Strings are stored in reverse index order, so a reader that
// does not use the offset table finds the wrong texts.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"

namespace GSTest {

// Assembles bytecode.
class CodeWriter {
public:
    CodeWriter& Op(uint8_t opcode) {
        m_bytes.push_back(opcode);
        return *this;
    }
    CodeWriter& U16(uint32_t value) {
        m_bytes.push_back(static_cast<uint8_t>(value));
        m_bytes.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    CodeWriter& I32(int64_t value) {
        const uint32_t word = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(word >> (8 * i)));
        return *this;
    }
    CodeWriter& Op16(uint8_t opcode, uint32_t operand) { return Op(opcode).U16(operand); }
    CodeWriter& Op32(uint8_t opcode, int64_t operand) { return Op(opcode).I32(operand); }
    uint32_t Position() const { return static_cast<uint32_t>(m_bytes.size()); }
    // Overwrites the word at `position` (a jump operand filled in later).
    void Patch(uint32_t position, int64_t value) {
        const uint32_t word = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) m_bytes[position + i] = static_cast<uint8_t>(word >> (8 * i));
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

struct FunctionSpec {
    std::string signature;
    uint32_t resultType = 0;
    int32_t resultClass = -1;
    uint32_t flags = 0x1;  // public
    int32_t slot = -1;
    uint32_t arguments = 1;  // argument slot count a (`me` included)
    uint32_t locals = 0;     // L: locals and temporaries
    uint32_t depth = 0;      // greatest operand-stack depth D
    uint32_t localCount = 0;
    uint32_t highestTemporary = 0;
    std::vector<int32_t> referenceSlots;
    std::vector<uint8_t> code = {OP_Return};
    bool lineTable = true;
    std::vector<std::pair<int32_t, int32_t>> lines;  // {code offset, line}
    // Frame words written instead of the ones a, L and D give.
    std::optional<uint32_t> frameSize;
    std::optional<int32_t> argumentOffset;
    std::optional<uint32_t> headerOffset;
    std::optional<uint32_t> slotsNeeded;
};

struct BaseSpec {
    uint32_t classImport = 0;
    uint32_t dataOffset = 2;
    uint32_t direct = 1;
    uint32_t functionOffset = 0;  // for the default initialiser rows
};

struct MemberSpec {
    std::string name;
    uint32_t type = 2;
    int32_t classIndex = -1;
    uint32_t isPublic = 1;
    int32_t slot = 2;
};

struct InitRowSpec {
    uint32_t kind;
    uint32_t slot;
    int32_t value;
};

struct ClassSpec {
    std::string name;
    uint32_t flags = 0;
    std::vector<BaseSpec> bases;
    std::vector<FunctionSpec> functions;
    // The class initialisation ("::Name()", no code) unless given.
    std::optional<FunctionSpec> initFunction;
    std::vector<MemberSpec> members;
    std::vector<std::pair<uint32_t, uint32_t>> vtable;  // {function import, data offset}
    std::optional<uint32_t> instanceSlots;             // default: members + 5
    std::optional<std::vector<InitRowSpec>> initRows;   // default: from the bases
    std::vector<int32_t> referenceMembers;
    std::optional<uint32_t> functionCount;  // written instead of the real count
    bool omitInitFunction = false;
};

class ImageBuilder {
public:
    ImageBuilder(std::string name, uint32_t a, uint32_t b) : m_name(std::move(name)), m_a(a), m_b(b) {
        m_dependents.push_back({a, b});
    }

    uint32_t String(const std::string& text) {
        for (uint32_t i = 0; i < m_strings.size(); ++i)
            if (m_strings[i] == text) return i;
        m_strings.push_back(text);
        return static_cast<uint32_t>(m_strings.size() - 1);
    }
    // Dependent 0 is the library itself; further ones follow.
    uint32_t Dependent(uint32_t a, uint32_t b) {
        m_dependents.push_back({a, b});
        return static_cast<uint32_t>(m_dependents.size() - 1);
    }
    std::vector<std::pair<uint32_t, uint32_t>>& Dependents() { return m_dependents; }
    uint32_t ClassImport(uint32_t dependent, const std::string& name) {
        m_classImports.push_back({dependent, String(name)});
        return static_cast<uint32_t>(m_classImports.size() - 1);
    }
    std::vector<std::pair<uint32_t, uint32_t>>& ClassImports() { return m_classImports; }
    uint32_t FunctionImport(uint32_t classImport, const std::string& signature, int32_t slot) {
        m_functionImports.push_back({classImport, String(signature), slot});
        return static_cast<uint32_t>(m_functionImports.size() - 1);
    }
    struct FunctionImportRow {
        uint32_t classImport;
        uint32_t signature;
        int32_t slot;
    };
    std::vector<FunctionImportRow>& FunctionImports() { return m_functionImports; }
    ClassSpec& Class(const std::string& name) {
        m_classes.push_back(ClassSpec());
        m_classes.back().name = name;
        return m_classes.back();
    }
    std::vector<ClassSpec>& Classes() { return m_classes; }

    uint32_t magic = 0xF762575D;
    uint32_t versionBits = 0x3F828F5C;
    std::optional<uint32_t> lengthWord;
    std::optional<uint32_t> stringCount;  // written instead of the real count

    std::vector<uint8_t> Build() {
        // Intern every text first: the string section precedes the classes.
        std::vector<std::vector<uint32_t>> functionSignatures;
        std::vector<uint32_t> classNames;
        for (ClassSpec& cls : m_classes) {
            classNames.push_back(String(cls.name));
            functionSignatures.emplace_back();
            for (FunctionSpec& f : AllFunctions(cls)) functionSignatures.back().push_back(String(f.signature));
            for (MemberSpec& m : cls.members) String(m.name);
        }

        m_out.clear();
        Word(0);  // the length, patched below
        Word(magic);
        Word(versionBits);
        Word(m_a);
        Word(m_b);
        Word(static_cast<uint32_t>(m_name.size() + 1));
        for (char c : m_name) m_out.push_back(static_cast<uint8_t>(c));
        m_out.push_back(0);

        size_t chunk = Begin(2);
        Word(static_cast<uint32_t>(m_dependents.size()));
        for (auto& d : m_dependents) {
            Word(d.first);
            Word(d.second);
        }
        End(chunk);

        chunk = Begin(3);
        Word(stringCount.value_or(static_cast<uint32_t>(m_strings.size())));
        if (!m_strings.empty()) {
            const size_t table = m_out.size();
            m_out.resize(m_out.size() + 4 * m_strings.size());
            const size_t base = m_out.size();
            std::vector<uint32_t> offsets(m_strings.size());
            for (size_t i = m_strings.size(); i-- > 0;) {
                offsets[i] = static_cast<uint32_t>(m_out.size() - base);
                for (char c : m_strings[i]) m_out.push_back(static_cast<uint8_t>(c));
                m_out.push_back(0);
            }
            for (size_t i = 0; i < offsets.size(); ++i) PatchWord(table + 4 * i, offsets[i]);
            while (m_out.size() % 4) m_out.push_back(0);
        }
        End(chunk);

        chunk = Begin(4);
        Word(static_cast<uint32_t>(m_classImports.size()));
        for (auto& c : m_classImports) {
            Word(c.first);
            Word(c.second);
        }
        End(chunk);

        chunk = Begin(5);
        Word(static_cast<uint32_t>(m_functionImports.size()));
        for (auto& f : m_functionImports) {
            Word(f.classImport);
            Word(f.signature);
            Word(static_cast<uint32_t>(f.slot));
        }
        End(chunk);

        chunk = Begin(6);
        Word(static_cast<uint32_t>(m_classes.size()));
        for (size_t k = 0; k < m_classes.size(); ++k) WriteClass(m_classes[k], classNames[k], functionSignatures[k]);
        End(chunk);

        PatchWord(0, lengthWord.value_or(static_cast<uint32_t>(m_out.size())));
        return m_out;
    }

private:
    static std::vector<FunctionSpec> AllFunctions(ClassSpec& cls) {
        std::vector<FunctionSpec> all = cls.functions;
        if (!cls.omitInitFunction) {
            if (cls.initFunction) {
                all.push_back(*cls.initFunction);
            } else {
                FunctionSpec init;
                init.signature = "::" + cls.name + "()";
                init.flags = 0x20;
                init.code.clear();
                init.lineTable = false;
                all.push_back(init);
            }
        }
        return all;
    }

    void WriteClass(ClassSpec& cls, uint32_t nameIndex, const std::vector<uint32_t>& signatures) {
        const size_t chunk = Begin(7);
        Word(nameIndex);
        Word(cls.flags);
        Word(static_cast<uint32_t>(cls.bases.size()));
        for (auto& b : cls.bases) {
            Word(b.classImport);
            Word(b.dataOffset);
            Word(b.direct);
        }
        std::vector<FunctionSpec> functions = AllFunctions(cls);
        size_t sub = Begin(8);
        Word(cls.functionCount.value_or(static_cast<uint32_t>(functions.size())));
        for (size_t i = 0; i < functions.size(); ++i) WriteFunction(functions[i], signatures[i]);
        End(sub);

        sub = Begin(10);
        Word(static_cast<uint32_t>(cls.members.size()));
        for (auto& m : cls.members) {
            Word(String(m.name));
            Word(m.type);
            Word(static_cast<uint32_t>(m.classIndex));
            Word(m.isPublic);
            Word(static_cast<uint32_t>(m.slot));
        }
        End(sub);

        sub = Begin(11);
        Word(static_cast<uint32_t>(cls.vtable.size()));
        for (auto& v : cls.vtable) {
            Word(v.first);
            Word(v.second);
        }
        End(sub);

        sub = Begin(12);
        Word(cls.instanceSlots.value_or(static_cast<uint32_t>(cls.members.size() + 5)));
        std::vector<InitRowSpec> rows;
        if (cls.initRows) {
            rows = *cls.initRows;
        } else {
            for (auto& b : cls.bases) {
                rows.push_back({0, b.dataOffset, -static_cast<int32_t>(b.dataOffset)});
                rows.push_back({1, b.dataOffset + 1, static_cast<int32_t>(b.functionOffset)});
            }
            rows.push_back({1, 1, 0});
        }
        Word(static_cast<uint32_t>(rows.size()));
        for (auto& r : rows) {
            Word(r.kind);
            Word(r.slot);
            Word(static_cast<uint32_t>(r.value));
        }
        Word(static_cast<uint32_t>(cls.referenceMembers.size()));
        for (int32_t s : cls.referenceMembers) Word(static_cast<uint32_t>(s));
        End(sub);
        End(chunk);
    }

    void WriteFunction(const FunctionSpec& f, uint32_t signature) {
        const size_t chunk = Begin(9);
        Word(signature);
        Word(f.resultType);
        Word(static_cast<uint32_t>(f.resultClass));
        Word(f.flags);
        Word(static_cast<uint32_t>(f.slot));
        Word(f.frameSize.value_or(f.locals + 4));
        Word(static_cast<uint32_t>(f.argumentOffset.value_or(1 - static_cast<int32_t>(f.arguments))));
        Word(f.headerOffset.value_or(f.locals + 1));
        Word(f.slotsNeeded.value_or(f.depth + f.locals + 4));
        Word(f.arguments);
        Word(f.localCount);
        Word(f.highestTemporary);
        Word(static_cast<uint32_t>(f.referenceSlots.size()));
        for (int32_t s : f.referenceSlots) Word(static_cast<uint32_t>(s));
        Word(static_cast<uint32_t>(f.code.size()));
        m_out.insert(m_out.end(), f.code.begin(), f.code.end());
        while (m_out.size() % 4) m_out.push_back(0xFF);
        if (f.lineTable) {
            Word(0x6462676C);
            Word(static_cast<uint32_t>(f.lines.size()));
            for (auto& p : f.lines) {
                Word(static_cast<uint32_t>(p.first));
                Word(static_cast<uint32_t>(p.second));
            }
        }
        End(chunk);
    }

    void Word(uint32_t value) {
        for (int i = 0; i < 4; ++i) m_out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void PatchWord(size_t position, uint32_t value) {
        for (int i = 0; i < 4; ++i) m_out[position + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    size_t Begin(uint32_t tag) {
        const size_t start = m_out.size();
        Word(0);
        Word(tag);
        return start;
    }
    void End(size_t start) { PatchWord(start, static_cast<uint32_t>(m_out.size() - start)); }

    std::string m_name;
    uint32_t m_a;
    uint32_t m_b;
    std::vector<std::string> m_strings;
    std::vector<std::pair<uint32_t, uint32_t>> m_dependents;
    std::vector<std::pair<uint32_t, uint32_t>> m_classImports;
    std::vector<FunctionImportRow> m_functionImports;
    std::vector<ClassSpec> m_classes;
    std::vector<uint8_t> m_out;
};

}  // namespace GSTest
