#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTypes.h"
#include "gscompiler/support/GSTestSupport.h"

namespace {

using namespace GSCompiler;
using GSTest::Messages;

// A symbol table with a library "lib.gs" and a unit that collects reports.
class SymbolTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(table.Init());
        unit.Init(&table, &log);
        unit.fileName = "main.gs";
        table.unit = &unit;
        GSDependentSymbol* library = table.NewDependent("lib.gs");
        ASSERT_TRUE(table.Insert(nullptr, false, library));
        table.currentLibrary = library;
    }

    GSClassSymbol* Class(const char* name, std::vector<std::pair<const char*, int>> bases = {}, int members = 0,
                         int functions = 0, uint32_t flags = 0) {
        GSClassSymbol* cls = table.NewClass(name);
        cls->flags = flags;
        EXPECT_TRUE(table.Insert(nullptr, false, cls));
        for (const auto& base : bases) EXPECT_TRUE(cls->AddDeclaredBase(base.first, base.second));
        for (int i = 0; i < members; ++i) Member(cls, (std::string("m") + std::to_string(i)).c_str());
        for (int i = 0; i < functions; ++i) Function(cls, ("::f" + std::to_string(i) + "()").c_str());
        return cls;
    }
    GSVariableSymbol* Member(GSClassSymbol* cls, const char* name) {
        GSVariableSymbol* v = table.NewVariable(name);
        v->typeCode = kGSTypeInt;
        EXPECT_TRUE(table.Insert(cls, true, v));
        return v;
    }
    GSFunctionSymbol* Function(GSClassSymbol* cls, const char* lookupName, int arguments = 0) {
        GSFunctionSymbol* f = table.NewFunction(lookupName);
        f->argumentSlotCount = arguments + 1;
        EXPECT_TRUE(table.Insert(cls, true, f));
        return f;
    }
    static std::string Bases(GSClassSymbol* cls) {
        std::string out;
        for (auto* node = cls->baseList.Begin(); node != cls->baseList.End(); node = node->next) {
            auto* entry = static_cast<GSBaseEntry*>(node->data);
            out += std::string(entry->baseClass->name) + ":" + std::to_string(entry->dataOffset) + ":" +
                   std::to_string(entry->functionOffset) + ":" + std::to_string(entry->direct) + " ";
        }
        return out;
    }

    GSSymbolTable table;
    GSCompileLog log;
    GSCompileUnit unit;
};

TEST_F(SymbolTableTest, FlattensBasesDepthFirstWithTheirOffsets) {
    Class("D", {}, 1, 2);
    Class("B", {{"D", 3}}, 2, 1);
    Class("C", {}, 3, 4);
    GSClassSymbol* a = Class("A", {{"B", 5}, {"C", 5}}, 1, 1);
    ASSERT_TRUE(a->ResolveBases());
    EXPECT_TRUE(Messages(log).empty());
    // B: data base 2 + D's 2 + 1 = 5, function base 0 + 0 + 2 = 2.
    // A: B at 2 (A's data base grows by 5 + 2 = 7 to 9), D through B at
    // 2 + 2, C at 9 (then 9 + 2 + 3 = 14); functions likewise.
    EXPECT_EQ(Bases(a), "B:2:0:1 D:4:0:0 C:9:3:1 ");
    EXPECT_EQ(a->dataBase, 14);
    EXPECT_EQ(a->functionBase, 7);
    EXPECT_FALSE(a->HasDeclaredBases());
    EXPECT_TRUE(a->ResolveBases());  // resolved: nothing more happens
    EXPECT_EQ(Bases(a), "B:2:0:1 D:4:0:0 C:9:3:1 ");

    // Slots: own members after the bases, inherited ones through the views.
    int16_t slot = -1;
    auto* own = static_cast<GSSymbol*>(a->FindLocal("m0", true));
    EXPECT_EQ(table.SlotOf(own, a, slot), 0);
    EXPECT_EQ(slot, 14);
    GSSymbol* inD = a->FindMember("m0", false, false);
    EXPECT_EQ(inD, own);
    auto* d = static_cast<GSClassSymbol*>(table.Find("D", nullptr, false, false));
    EXPECT_EQ(table.SlotOf(d->FindLocal("m0", true), a, slot), 0);
    EXPECT_EQ(slot, 2 + 0 + 4);
    auto* c = static_cast<GSClassSymbol*>(table.Find("C", nullptr, false, false));
    EXPECT_EQ(table.SlotOf(c->FindLocal("::f3()", true), a, slot), 0);
    EXPECT_EQ(slot, 0 + 3 + 3);
    EXPECT_EQ(table.SlotOf(table.Find("lib.gs", nullptr, false, false), a, slot), 1);

    GSBaseEntry entry{};
    EXPECT_TRUE(a->FindBase("A", entry));
    EXPECT_EQ(entry.baseClass, a);
    EXPECT_TRUE(a->FindBase("D", entry));
    EXPECT_EQ(entry.dataOffset, 4);
    EXPECT_FALSE(a->FindBase("Nope", entry));
}

TEST_F(SymbolTableTest, BaseErrorsNameTheLibraryAndTheLine) {
    Class("S", {}, 0, 0, kGSStatic);
    Class("F", {}, 0, 0, kGSFinal);
    Class("D");
    Class("B", {{"D", 3}});
    Class("C", {{"D", 4}});
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, int>> bases;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"X1", {{"Missing", 7}}, "lib.gs(7) : Class Missing has not been declared, line 7."},
        {"X2", {{"S", 8}}, "lib.gs(8) : Cannot extend static class S, line 8."},
        {"X3", {{"F", 9}}, "lib.gs(9) : Cannot extend final class F, line 9."},
        {"X4", {{"B", 10}, {"C", 11}}, "lib.gs(11) : Class C and D causes cyclic derivation, line 11."},
        {"X5", {{"X5", 12}}, "lib.gs(12) : Class X5 and X5 causes cyclic derivation, line 12."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GSClassSymbol* cls = Class(c.name, c.bases);
        const int before = log.Count();
        const int errors = unit.errorCount;
        EXPECT_FALSE(cls->ResolveBases());
        ASSERT_EQ(log.Count(), before + 1);
        EXPECT_STREQ(log.At(before), c.message);
        EXPECT_EQ(unit.errorCount, errors + 1);
        // The failed try leaves nothing behind, so a second one reports the
        // same fault again and nothing else.
        EXPECT_TRUE(cls->HasDeclaredBases());
        EXPECT_EQ(Bases(cls), "");
        EXPECT_EQ(cls->dataBase, 2);
        EXPECT_FALSE(cls->ResolveBases());
        EXPECT_STREQ(log.At(log.Count() - 1), c.message);
    }
    // A variable is no base either.
    GSClassSymbol* holder = Class("H", {}, 1);
    GSClassSymbol* y = Class("Y", {{"m0", 2}});
    (void)holder;
    EXPECT_FALSE(y->ResolveBases());
}

TEST_F(SymbolTableTest, ATrueCycleIsReportedOnce) {
    GSClassSymbol* a = Class("A", {{"B", 2}});
    Class("B", {{"A", 3}});
    EXPECT_FALSE(a->ResolveBases());
    EXPECT_EQ(Messages(log), std::vector<std::string>{"lib.gs(3) : Class A and B causes cyclic derivation, line 3."});
}

TEST_F(SymbolTableTest, LocalsShadowMembersWhileTheirScopeIsOpen) {
    GSClassSymbol* cls = Class("K");
    GSVariableSymbol* member = Member(cls, "x");
    EXPECT_EQ(member->ownIndex, 0);
    EXPECT_EQ(member->flags & GSSymbol::kLocal, 0u);

    ASSERT_TRUE(table.OpenScope());
    GSVariableSymbol* local = table.NewVariable("x");
    local->ownIndex = 3;
    ASSERT_TRUE(table.Insert(cls, true, local));
    EXPECT_EQ(local->ownIndex, 3);  // not numbered as a member
    EXPECT_NE(local->flags & GSSymbol::kLocal, 0u);
    EXPECT_EQ(cls->FindLocal("x", false), local);
    EXPECT_EQ(cls->FindLocal("x", true), member);
    EXPECT_EQ(table.Find("x", cls, true, false), local);
    int16_t slot = -1;
    EXPECT_EQ(table.SlotOf(local, cls, slot), 0);
    EXPECT_EQ(slot, 3);
    // A second "x" in the same scope is refused; one more level down is not.
    EXPECT_FALSE(table.Insert(cls, true, table.NewVariable("x")));
    ASSERT_TRUE(table.OpenScope());
    EXPECT_TRUE(table.Insert(cls, true, table.NewVariable("x")));
    table.CloseScope();
    EXPECT_EQ(cls->FindLocal("x", false), local);
    table.CloseScope();
    EXPECT_EQ(cls->FindLocal("x", false), member);
    EXPECT_EQ(local->owner, nullptr);
    EXPECT_EQ(cls->ownMemberCount, 1);

    // A symbol that already has an owner is refused.
    EXPECT_FALSE(table.Insert(cls, true, member));
    // Scopes stop at 64 levels.
    int opened = 0;
    while (table.OpenScope()) ++opened;
    EXPECT_EQ(opened, GSSymbolTable::kMaxLevels - 1);
}

TEST_F(SymbolTableTest, DependentNamesClashWithoutCaseOtherNamesDoNot) {
    EXPECT_FALSE(table.Insert(nullptr, false, table.NewDependent("LIB.GS")));
    EXPECT_TRUE(table.Insert(nullptr, false, table.NewDependent("other.gs")));
    EXPECT_TRUE(table.Insert(nullptr, false, table.NewClass("Name")));
    EXPECT_TRUE(table.Insert(nullptr, false, table.NewClass("name")));
    EXPECT_FALSE(table.Insert(nullptr, false, table.NewClass("Name")));
    EXPECT_EQ(table.Find("NAME", nullptr, false, false), nullptr);
}

TEST_F(SymbolTableTest, IndexesFollowTheOrderOfFirstLookup) {
    GSClassSymbol* p = Class("P", {}, 0, 1);
    GSClassSymbol* q = Class("Q", {}, 0, 2);
    EXPECT_EQ(p->index, -1);
    EXPECT_EQ(table.Find("Q", nullptr, false, false), q);
    EXPECT_EQ(q->index, 0);
    GSSymbol* f = table.Find("::f0()", p, false, false);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->index, 0);
    EXPECT_EQ(p->index, 1);  // numbered with its function
    EXPECT_EQ(table.Find("::f1()", q, false, false)->index, 1);
    EXPECT_EQ(table.Find("::f0()", p, false, false)->index, 0);  // kept
    table.ResetNumbering();
    EXPECT_EQ(p->index, -1);
    EXPECT_EQ(q->index, -1);
    EXPECT_EQ(f->index, -1);
    EXPECT_EQ(table.Find("P", nullptr, false, false)->index, 0);

    // Flattening numbers the functions of each base it adds.
    GSClassSymbol* r = Class("R", {{"Q", 1}});
    table.ResetNumbering();
    ASSERT_TRUE(r->ResolveBases());
    EXPECT_NE(q->FindLocal("::f0()", true)->index, -1);
    EXPECT_NE(q->FindLocal("::f1()", true)->index, -1);
    EXPECT_NE(q->index, -1);
}

TEST_F(SymbolTableTest, FunctionCandidatesInWalkOrderThenFromBases) {
    GSClassSymbol* base = Class("Base");
    Function(base, "::Go(int)", 1);
    Function(base, "::Go(float)", 1);
    Function(base, "::Go()", 0);
    GSClassSymbol* derived = Class("Derived", {{"Base", 1}});
    Function(derived, "::Stop(int)", 1);
    ASSERT_TRUE(derived->ResolveBases());

    GSFunctionSymbol* found[4] = {};
    EXPECT_EQ(base->FindFunctions("Go", found, 4, 1, true), 2);
    std::vector<std::string> walk;
    Utils::IHashTable::Iterator it;
    for (base->memberTable.Begin(it); !it.IsEnd(); it.Next()) {
        auto* s = static_cast<GSSymbol*>(it.Node());
        if (std::string(s->name) != "::Go()") walk.push_back(s->name);
    }
    EXPECT_EQ((std::vector<std::string>{found[0]->name, found[1]->name}), walk);

    EXPECT_EQ(derived->FindFunctions("Go", found, 4, 1, false), 0);
    EXPECT_EQ(derived->FindFunctions("Go", found, 4, 1, true), 2);
    EXPECT_EQ(derived->FindFunctions("Go", found, 1, 1, true), 1);  // the capacity holds
    EXPECT_EQ(derived->FindFunctions("Go", found, 4, 0, true), 1);
    EXPECT_EQ(derived->FindFunctions("Stop", found, 4, 1, true), 1);
    EXPECT_EQ(derived->FindFunctions("Sto", found, 4, 1, true), 0);
}

TEST_F(SymbolTableTest, DumpsDescribeTheSymbols) {
    GSClassSymbol* base = Class("Base", {}, 1);
    GSClassSymbol* cls = Class("Thing", {{"Base", 1}}, 0, 0, kGSGame | kGSSecured);
    GSVariableSymbol* v = Member(cls, "speed");
    v->typeCode = kGSTypeFloat;
    v->flags = kGSPublic;
    GSFunctionSymbol* f = Function(cls, "::Get()");
    f->typeCode = kGSTypeObject;
    f->resultClassName = "Base";
    (void)base;
    ASSERT_TRUE(cls->ResolveBases());
    static_cast<GSDependentSymbol*>(table.Find("lib.gs", nullptr, false, false))->sourceId = 0xABC;

    GSCompileLog dump;
    table.Dump(&dump);
    const auto lines = Messages(dump);
    const std::string rule(40, '=');
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_EQ(lines.front(), "Symbol Table");
    EXPECT_TRUE(has("\nDependent \"lib.gs\", crc 0xABC, filename crc 0x0\n"));
    EXPECT_TRUE(has(rule));
    EXPECT_TRUE(has("0:Thing game secured  (lib.gs)::2:Base,"));
    EXPECT_TRUE(has("0:0:float speed public "));
    EXPECT_TRUE(has("0:0:object<Base> ::Get() "));
    EXPECT_TRUE(has("0:0:int m0 "));
}

}  // namespace
