// The schema shipped in data/ZIROzod: it loads, and it defines every asset
// kind, container, list and rule that the program itself names.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "assetdb/categories/LegacyCategoryTable.h"
#include "foundation/soups/SoupFiles.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"

namespace {

using TETLib::DataManager;

class ShippedSchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A copy, so that the personal details written at shutdown do not
        // land in the source tree.
        std::filesystem::copy(SourceTreePath("data/ZIROzod"), m_dir / "ZIROzod",
                              std::filesystem::copy_options::recursive);
        DataManager::Create((m_dir / "ZIROzod/").c_str());
        manager = DataManager::Instance();
        ASSERT_TRUE(manager->LoadDefinitions());
        definitions = manager->GetDefinitions();
    }
    void TearDown() override { DataManager::Destroy(); }

    bool IsContainer(const SoupHandle& soup, const char* name) const { return soup.GetTagKind(Vek::PString(name)) == 1; }

    VorlexTest::TempDir m_dir;
    DataManager* manager = nullptr;
    SoupHandle definitions;
};

TEST_F(ShippedSchemaTest, DefinesEveryKindTheProgramNames) {
    const std::vector<const char*> kinds = {
        // the loader's own substitutes
        "tunnel", "double-track", "chunky-track", "mesh-reducing-track", "obsolete-track", "scenery-trackside",
        // the kinds of the upgrade and the commands
        "scenery", "consist", "traincar", "bogey", "map", "turntable", "mocrossing", "mosignal", "mospeedboard",
        // the kinds of the category-class table
        "fixedtrack", "bridge", "spline", "track", "groundbrush", "groundtexture", "industry", "profile", "tutorial",
        "mojunction", "buildable", "water2", "environment", "engine", "steam-engine", "interior", "pantograph",
        "hornsound", "enginesound", "region", "activity", "behavior", "drivercharacter", "drivercommand",
        "library", "vni-render-plugin", "servlet", "gameplaymenu", "product", "product-category", "html-asset",
        "mesh", "texture", "texture-group", "tracksound", "achievement-group", "achievement-category"};
    for (const char* kind : kinds) {
        SCOPED_TRACE(kind);
        const SoupHandle definition = manager->GetDefinition(kind);
        ASSERT_FALSE(definition.IsEmpty());
        EXPECT_NE(definition.GetInt("top-level", 0), 0);
    }
    // The definitions looked up by name, and the containers whose entries
    // are sources.
    for (const char* name : {"smoke", "mesh-element", "effect-corona", "effect-attachment", "mesh-table",
                             "attached-track", "queues", "lights", "kuid-table", "obsolete-table", "string-table"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(manager->GetDefinition(name).IsEmpty());
    }
    EXPECT_STREQ(manager->GetDefinition("smoke").GetString("icon").c_str(), "smoke");
}

TEST_F(ShippedSchemaTest, EveryReferenceResolvesAndEveryRuleIsKnown) {
    const std::set<std::string> tagRules = {"istracksidetype", "isnottraincar", "needcollatemeshes", "ispositive",
                                            "isnotzero", "scriptfileexists", "fileexists", "range", "arraysize",
                                            "notownparent", "mustbeownparent", "mustbeinlightcontainer",
                                            "mustbepaired"};
    const std::set<std::string> containerRules = {"uniquenames", "hasvalidtexturefile", "meshtablehasshadow",
                                                  "meshtablehasvisiblemesh"};
    const std::set<std::string> types = {"float", "string", "int", "bool", "vector2", "vector3", "rgb", "vector4",
                                         "vector5", "floatlist", "combobox", "intcombobox", "listbox", "doublestring",
                                         "kuid", "filepath", "filepathedit", "stringkuid", "kuidbrowser",
                                         "stringkuidbrowser"};
    const std::set<std::string> specialSources = {"attachment", "mesh-table", "attached-track", "queues"};
    std::set<std::string> rulesUsed;

    auto checkName = [&](const Vek::PString& name, const char* what) {
        EXPECT_FALSE(manager->GetDefinition(name).IsEmpty()) << what << " names the unknown definition " << name.c_str();
    };
    auto checkPossibility = [&](const std::string& where, const SoupHandle& possibility) {
        SCOPED_TRACE(where);
        const std::string kind = possibility.GetString("kind").c_str();
        if (kind == "element") checkName(possibility.GetString("element-type"), "element-type");
        if (kind == "value") {
            EXPECT_TRUE(types.count(possibility.GetString("type").c_str())) << possibility.GetString("type").c_str();
        }
        for (int i = 0; i < possibility.Count(); ++i) {
            const std::string key = possibility.GetTagName(i).c_str();
            if (key.rfind("container-type", 0) == 0) checkName(possibility.GetString(key.c_str()), "container-type");
        }
        const std::string source = possibility.GetString("source").c_str();
        if (!source.empty() && !specialSources.count(source)) {
            const std::vector<TETLib::ListEntry>* list = manager->GetList(source);
            EXPECT_TRUE(list && !list->empty()) << "no list " << source;
        }
        const SoupHandle validation = possibility.GetContainer("validation");
        for (int i = 0; i < validation.Count(); ++i) {
            const std::string rule = validation.GetTagName(i).c_str();
            EXPECT_TRUE(tagRules.count(rule)) << rule;
            EXPECT_TRUE(IsContainer(validation, rule.c_str())) << rule;
            rulesUsed.insert(rule);
        }
    };

    for (int32_t d = 0; d < definitions.Count(); ++d) {
        const std::string name = definitions.GetTagName(d).c_str();
        const SoupHandle definition = definitions.GetContainerAt(d);
        const SoupHandle inherit = definition.GetContainer("inherit");
        for (int i = 0; i < inherit.Count(); ++i) {
            const Vek::PString parent = inherit.GetTagName(i);
            checkName(parent, (name + " inherit").c_str());
            // Tags are looked up in the direct parents only: a parent that
            // inherits again would hide its own parents' tags.
            EXPECT_FALSE(IsContainer(manager->GetDefinition(parent), "inherit"))
                << name << " inherits " << parent.c_str() << ", which inherits further";
        }
        // Every kind takes the identity tags (kuid, kind, username) from
        // "asset".
        if (definition.GetInt("top-level", 0) != 0) {
            EXPECT_TRUE(inherit.HasTag("asset")) << name << " does not inherit asset";
        }
        for (const char* group : {"subpossibilities", "tagarray"}) {
            const SoupHandle possibilities = definition.GetContainer(group);
            for (int i = 0; i < possibilities.Count(); ++i)
                checkPossibility(name + "/" + possibilities.GetTagName(i).c_str(), possibilities.GetContainerAt(i));
        }
        if (IsContainer(definition, "array-element"))
            checkPossibility(name + "/array-element", definition.GetContainer("array-element"));
        const SoupHandle validation = definition.GetContainer("validation");
        for (int i = 0; i < validation.Count(); ++i) {
            const std::string rule = validation.GetTagName(i).c_str();
            EXPECT_TRUE(containerRules.count(rule)) << name << ": " << rule;
            rulesUsed.insert(rule);
        }
    }
    // Every rule the program knows is used by the schema somewhere.
    for (const std::set<std::string>* rules : {&tagRules, &containerRules})
        for (const std::string& rule : *rules) EXPECT_TRUE(rulesUsed.count(rule)) << rule << " is never used";
}

TEST_F(ShippedSchemaTest, TheExampleAssetsTagsAreDefinedAndItsListValuesKnown) {
    // examples/assets/water-tower, looked up as the container's import
    // looks up value tags: the kind's own possibilities, then those of each
    // definition it inherits directly.
    SoupHandle config;
    ASSERT_TRUE(LoadSoupFile(config, Vek::PString(), SourceTreePath("examples/assets/water-tower/config.txt").c_str()));
    const std::string kind = config.GetString("kind").c_str();
    ASSERT_EQ(kind, "scenery");
    ASSERT_FALSE(config.HasTag("trackside"));  // stays "scenery"
    const SoupHandle definition = manager->GetDefinition(kind.c_str());
    std::vector<SoupHandle> searched = {definition};
    const SoupHandle inherit = definition.GetContainer("inherit");
    for (int i = 0; i < inherit.Count(); ++i) searched.push_back(manager->GetDefinition(inherit.GetTagName(i)));

    auto find = [&](const Vek::PString& name) {
        for (const SoupHandle& d : searched)
            for (const char* group : {"subpossibilities", "tagarray"})
                if (IsContainer(d.GetContainer(group), name.c_str())) return d.GetContainer(group).GetContainer(name);
        return SoupHandle();
    };
    auto inList = [&](const Vek::PString& list, const std::string& key) {
        const std::vector<TETLib::ListEntry>* entries = manager->GetList(list.c_str());
        if (!entries) return false;
        for (const TETLib::ListEntry& entry : *entries)
            if (entry.key.EqualsIgnoreCase(key.c_str())) return true;
        return false;
    };
    for (int i = 0; i < config.Count(); ++i) {
        const Vek::PString name = config.GetTagName(i);
        SCOPED_TRACE(name.c_str());
        const SoupHandle possibility = find(name);
        ASSERT_FALSE(possibility.IsEmpty()) << "no definition";
        const std::string type = possibility.GetString("type").c_str();
        if (type == "listbox" || type == "combobox") {
            // A list box passes with one known item of its ';' list.
            const std::string value = config.GetString(name).c_str();
            EXPECT_TRUE(inList(possibility.GetString("source"), value.substr(0, value.find(';')))) << value;
        }
    }
    // Every compulsory value of the kind is there.
    for (const SoupHandle& d : searched) {
        const SoupHandle possibilities = d.GetContainer("subpossibilities");
        for (int i = 0; i < possibilities.Count(); ++i) {
            const SoupHandle possibility = possibilities.GetContainerAt(i);
            if (possibility.GetFloat("compulsory", 0) > 0 && possibility.GetString("element-type").IsEmpty()) {
                EXPECT_TRUE(config.HasTag(possibilities.GetTagName(i))) << possibilities.GetTagName(i).c_str();
            }
        }
    }
}

// The legacy upgrade keeps every class code that the legacy table knows
// for the asset's kind, so the class list holds every code of the table.
TEST_F(ShippedSchemaTest, TheClassListHoldsEveryLegacyCode) {
    const std::vector<TETLib::ListEntry>* list = manager->GetList("category-class.txt");
    ASSERT_NE(list, nullptr);
    std::set<std::string> keys;
    for (const TETLib::ListEntry& entry : *list) keys.insert(entry.key.c_str());
    for (const LegacyCategoryRow& row : LegacyCategoryTable()) EXPECT_EQ(keys.count(row.legacyCode), 1u) << row.legacyCode;
}

}  // namespace
