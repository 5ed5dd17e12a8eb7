// The checked configuration on a small fixture schema. The interface-text
// table of the fixture maps each key to itself followed by its arguments
// ("$tet_val_notwithinrange(weight,1.000000,10.000000)"), so every finding
// shows which key was raised and what it was filled with.
#include "tetlib/container/Container.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/streams/BufferStream.h"
#include "support/AssetToolsSession.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/MeshHolder.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"
#include "tetlib/container/Tag.h"
#include "tetlib/container/TagRules.h"

namespace {

using namespace TETLib;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The soup text reader takes one tag per line; the fixtures are written
// compactly ("a { b 1 c \"x\" }") and laid out one tag a line here.
std::string Expand(const std::string& compact) {
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < compact.size();) {
        if (std::isspace(static_cast<unsigned char>(compact[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        if (compact[i] == '"') {
            end = compact.find('"', i + 1);
            end = end == std::string::npos ? compact.size() : end + 1;
        } else {
            while (end < compact.size() && !std::isspace(static_cast<unsigned char>(compact[end]))) ++end;
        }
        tokens.push_back(compact.substr(i, end - i));
        i = end;
    }
    std::string out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == "{" || tokens[i] == "}" || i + 1 == tokens.size() || tokens[i + 1] == "{") {
            out += tokens[i] + "\n";
        } else {
            out += tokens[i] + " " + tokens[i + 1] + "\n";
            ++i;
        }
    }
    return out;
}

SoupHandle Soup(const std::string& compact) {
    const std::string text = Expand(compact);
    TBuffer in;
    if (!text.empty()) in.Write(text.data(), static_cast<int32_t>(text.size()));
    in.Rewind();
    SoupHandle soup;
    ParseTextSoup(soup, in);
    soup.EnsureContainer();
    return soup;
}

// The interface texts of the fixture: "key(%s,%d)" for every listed key.
std::string TestInterfaceTable() {
    std::string table;
    for (const ToolsTextKey& key : ToolsTextKeys()) {
        std::string text = std::string(key.key) + "(";
        for (const char* c = key.conversions; *c; ++c) {
            if (c != key.conversions) text += ",";
            text += std::string("%") + *c;
        }
        std::string parameters = key.parameters;
        for (std::size_t at = 0; !parameters.empty();) {
            const std::size_t end = parameters.find(';', at);
            text += "$(" + parameters.substr(at, end == std::string::npos ? std::string::npos : end - at) + ")";
            if (end == std::string::npos) break;
            at = end + 1;
        }
        table += std::string(key.key) + " \"" + text + ")\"\n";
    }
    return table;
}

const char* kInheritance = R"(
asset
{
  subpossibilities
  {
    kuid { kind "value" type "kuid" compulsory 2.0 }
    username { kind "value" type "string" }
    kind { kind "value" type "string" }
    vorlex-build { kind "value" type "float" }
    description { kind "value" type "string" }
    category-era { kind "value" type "string" }
    category-class { kind "value" type "string" }
    category-region { kind "value" type "string" }
  }
  obsolete-tag
  {
    old-tag { obsolete-version 2.6 kind "value" type "string" }
  }
}
base-a
{
  subpossibilities { from-a { kind "value" type "string" default "a" } shared { kind "value" type "string" default "a" } }
  validation { meshtablehasshadow { } }
}
base-c
{
  subpossibilities { from-c { kind "value" type "string" default "c" } shared { kind "value" type "string" default "c" } }
}
base-b
{
  inherit { base-c 1 }
  subpossibilities { shared { kind "value" type "string" default "b" } }
}
)";

const char* kKinds = R"(
gadget
{
  top-level 1
  inherit { asset 1 }
  subpossibilities
  {
    size { kind "value" type "vector3" }
    weight { kind "value" type "float" validation { range { min 1 max 10 } nosuchrule { } } }
    enabled { kind "value" type "bool" }
    colour { kind "value" type "combobox" source "colour.txt" }
    label { kind "value" type "string" compulsory 3.5 default "none" }
    light0 { kind "value" type "int" sequence 1 }
    mark0 { kind "value" type "int" }
    owner { kind "value" type "string" default "parent" }
    ref { kind "value" type "kuid" }
    parts { kind "element" element-type "part-list" }
    widgets { kind "element" element-type "part-list" compulsory 3.0 }
    engine { kind "element" element-type "nothing-defines-this" }
    shape { container-type0 "round-shape" container-type1 "square-shape" }
    round { container-type0 "round-shape" container-type1 "square-shape" }
    broken { kind "value-ish" }
    mesh { kind "value" type "filepath" datatype "meshes" }
  }
  validation { uniquenames { } }
}
mixed
{
  top-level 1
  inherit { base-a 1 base-b 1 }
  subpossibilities { own { kind "value" type "string" default "own" } }
}
)";

const char* kContainers = R"(
part-list
{
  array-element { container-type0 "part" }
  validation { uniquenames { } }
}
part
{
  subpossibilities { name { kind "value" type "string" } }
}
round-shape { subpossibilities { kind { kind "value" type "string" } radius { kind "value" type "float" } } }
square-shape { subpossibilities { kind { kind "value" type "string" } side { kind "value" type "float" } } }
smoke { icon "smoke" subpossibilities { rate { kind "value" type "float" } } }
)";

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_install = m_dir / "install";
        WriteFile(m_install + "/Data/InterfaceText.txt", TestInterfaceTable());
        const std::string data = m_install + "/bin/ZIROzod/";
        WriteFile(data + "inheritance.txt", Expand(kInheritance));
        WriteFile(data + "kind.txt", Expand(kKinds));
        WriteFile(data + "container.txt", Expand(kContainers));
        WriteFile(data + "lists/colour.txt", "red 1\ngreen 2\n");
        // An asset folder "gadget" in "local", and a file beside it that no
        // path of the asset may reach.
        WriteFile(m_install + "/UserData/local/gadget/present.wav", "x");
        WriteFile(m_install + "/UserData/local/secret.wav", "x");
        m_session.emplace(m_install, data, "local", "gadget");
        ASSERT_TRUE(m_session->Loaded());
    }
    void TearDown() override { m_session.reset(); }

    // Every record of the error handler as "E:", "W:" or "M:" and its text.
    static std::vector<std::string> Findings() {
        std::vector<std::string> out;
        for (const ErrorRecord& record : ErrorHandler::Instance()->Records()) {
            const char* mark = record.severity == 3 ? "E:" : record.severity == 2 ? "W:" : "M:";
            out.push_back(std::string(mark) + record.text.c_str());
        }
        return out;
    }

    // Loads, exports and runs the root's rules; the findings of all three.
    static std::vector<std::string> Validate(const std::string& configuration, bool* loaded = nullptr) {
        ErrorHandler::Instance()->Clear();
        Container root;
        const bool ok = root.LoadFromConfig(Soup(configuration));
        if (loaded) *loaded = ok;
        if (ok) {
            SoupHandle out;
            out.EnsureContainer();
            root.Export(out);
            root.RunValidators();
        }
        return Findings();
    }

    VorlexTest::TempDir m_dir;
    std::string m_install;
    std::optional<VorlexTest::AssetToolsSession> m_session;
};

const std::string kGood = "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 3.5\nusername \"G\"\nlabel \"L\"\n"
                          "widgets { }\n";

TEST(BuildNumbers, EachRoundingAtItsBoundaries) {
    struct Case {
        float build;
        int margin, truncated, rounded;
    };
    const std::vector<Case> cases = {
        {2.69f, 269, 269, 269}, {2.7f, 270, 270, 270}, {2.89f, 289, 289, 289},
        {2.9f, 290, 290, 290},  {3.49f, 349, 349, 349}, {3.5f, 350, 350, 350},
        // Where the margin matters: values whose float lies just below.
        {0.29f, 29, 28, 29},    {1.13f, 113, 112, 113},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.build);
        EXPECT_EQ(BuildCodeWithMargin(c.build), c.margin);
        EXPECT_EQ(BuildCodeTruncated(c.build), c.truncated);
        EXPECT_EQ(BuildCodeRounded(c.build), c.rounded);
        // The stored build (+0.001) truncates to the margin code.
        EXPECT_EQ(BuildCodeTruncated(StoredAssetBuild(c.build)), c.margin);
    }
    EXPECT_TRUE(IsBuildBelow(2.89f, 2.89f + 1e-6f));
    EXPECT_FALSE(IsBuildBelow(StoredAssetBuild(2.89f), 2.89f));
    EXPECT_TRUE(IsBuildBelow(StoredAssetBuild(3.49f), 3.5f));
    EXPECT_FALSE(IsBuildBelow(StoredAssetBuild(3.5f), 3.5f));
    EXPECT_TRUE(IsBuildBelow(StoredAssetBuild(2.69f), 2.7f));
    EXPECT_LT(BuildTimesHundred(StoredAssetBuild(3.0f)), 310.0);
    EXPECT_GE(BuildTimesHundred(StoredAssetBuild(3.1f)), 310.0);
    // Builds no int holds saturate; NaN is the highest code.
    const float huge = 1e30f, infinite = std::numeric_limits<float>::infinity(),
                nan = std::numeric_limits<float>::quiet_NaN();
    for (int (*code)(float) : {&BuildCodeWithMargin, &BuildCodeTruncated, &BuildCodeRounded}) {
        EXPECT_EQ(code(huge), INT_MAX);
        EXPECT_EQ(code(infinite), INT_MAX);
        EXPECT_EQ(code(nan), INT_MAX);
        EXPECT_EQ(code(-infinite), INT_MIN);
        EXPECT_EQ(code(-huge), INT_MIN);
    }
}

TEST(NumberList, SeparatorsEndOneTokenEach) {
    struct Case {
        const char* text;
        std::vector<float> numbers;
    };
    const std::vector<Case> cases = {
        {"1, 2", {1, 0, 2}}, {"1,2,", {1, 2, 0}}, {"", {0}}, {"0 1", {0, 1}}, {"5,20", {5, 20}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseNumberList(c.text), c.numbers) << c.text;
    EXPECT_EQ(ParseIntegerList("3 x,12"), (std::vector<int>{3, 0, 12}));
}

TEST_F(ContainerTest, ConfigurationInFindingsOut) {
    struct Case {
        const char* name;
        std::string configuration;
        std::vector<std::string> findings;
        bool loaded = true;
    };
    const std::vector<Case> cases = {
        {"a clean asset", kGood, {}},
        {"no kind", "vorlex-build 3.5\n", {"E:$tet_container_nokindtag()"}, false},
        {"unknown kind", "kind \"lamp\"\nvorlex-build 3.5\n", {"E:$tet_container_nokindspecification()"}, false},
        {"capitals find the lower-case kind", "kuid <kuid:1:2>\nkind \"Gadget\"\nvorlex-build 3.5\nlabel \"L\"\nwidgets { }\n",
         {}},
        {"2.69 is obsolete, upgraded, and compulsory label only warned",
         "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 2.69\n",
         {"W:$tet_obsolete_asset(2.7)", "W:$tet_container_missingtag(label)",
          "W:$tet_container_missingcontainer(widgets)"}},
        {"2.9 is neither obsolete nor old", "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 2.9\n",
         {"W:$tet_container_missingtag(label)", "W:$tet_container_missingcontainer(widgets)"}},
        {"compulsory at 3.5 reached: tag made with its default and an error",
         "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 3.5\nwidgets { }\n",
         {"E:$tet_container_missingtag(label)"}},
        {"range 1..10 on 5,20; the unknown rule key is ignored", kGood + "weight \"5,20\"\n",
         {"E:$tet_val_notwithinrange(weight,1.000000,10.000000)"}},
        {"a bool 'true' is kept and warned", kGood + "enabled \"true\"\n",
         {"W:$tet_container_notboolean(enabled,gadget)"}},
        {"a value without definition", kGood + "mystery 1\n", {"E:$tet_container_nodefinition(mystery,gadget)"}},
        {"numbered era categories at 2.89 are joined by the upgrade",
         "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 2.89\nlabel \"L\"\nwidgets { }\ncategory-era-1 1\n", {}},
        {"era category without definition at 2.9: an error",
         "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 2.9\nlabel \"L\"\nwidgets { }\ncategory-era-1 1\n",
         {"E:$tet_container_obsoletetag(category-era-1,gadget)"}},
        {"'rem' of an old build is removed by the upgrade",
         "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 2.5\nlabel \"L\"\nwidgets { }\nrem 1\n", {"W:$tet_obsolete_asset(2.7)"}},
        {"a kuid value that is no KUID", kGood + "ref \"nothing\"\n", {}},
        {"a sequence possibility takes numbered names", kGood + "light12 4\nlight1 4\n", {}},
        {"a possibility without sequence does not", kGood + "mark1 4\n", {"E:$tet_container_nodefinition(mark1,gadget)"}},
        {"sub-soup without possibility, .cache", kGood + ".cache { }\n",
         {"E:$tet_container_nodefinition(.cache,gadget)", "E:$tet_container_oldcontainer()"}},
        {"element of unknown type fails the load", kGood + "engine { }\n",
         {"E:$tet_container_nocontainerdefinition(nothing-defines-this)"}, false},
        {"possibility that is no element", kGood + "broken { }\n", {"E:$tet_container_errorintemplate(value-ish)"}},
        {"vector3 of two numbers at 3.5", kGood + "size \"1,2\"\n", {"E:$tet_val_arraywrongsize(size,3,2)"}},
        {"combobox value outside its list is cleared, then reported empty", kGood + "colour \"blue\"\n",
         {"E:$tet_container_emptycombobox(colour,gadget)"}},
        {"combobox value in its list, any case", kGood + "colour \"RED\"\n", {}},
        {"mesh path with a wrong extension", kGood + "mesh \"body.png\"\n",
         {"E:$tet_container_nomeshext(mesh,gadget)"}},
        {"array elements take their type from the array element", kGood + "parts { a { name \"x\" } b { name \"y\" } }\n",
         {}},
        {"an array element with a value its type lacks", kGood + "parts { a { size 1 } }\n",
         {"E:$tet_container_nodefinition(size,a)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool loaded = false;
        EXPECT_EQ(Validate(c.configuration, &loaded), c.findings);
        EXPECT_EQ(loaded, c.loaded);
    }
}

TEST_F(ContainerTest, ImportShapesTheTree) {
    // (The text reader keeps one tag per name, letter case ignored, so
    // each sub-soup here has its own name.)
    Container root;
    ASSERT_TRUE(root.LoadFromConfig(Soup("kind \"gadget\"\nusername \"G\"\nvorlex-build 3.5\nlabel \"L\"\n"
                                         "kuid <kuid:1:2>\nwidgets { }\nshape { kind \"square\" side 1 }\n"
                                         "smoke0 { rate 1 }\nround { kind \"round\" radius 1 }\nusername-de \"X\"\n")));
    EXPECT_TRUE(Findings().empty());
    struct Expected {
        const char* name;
        const char* type;
    };
    const std::vector<Expected> expected = {
        {"widgets", "part-list"}, {"shape", "square-shape"}, {"smoke0", "smoke"}, {"round", "round-shape"}};
    ASSERT_EQ(root.subContainers.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(root.subContainers[i]->name, Vek::PString(expected[i].name));
        EXPECT_EQ(root.subContainers[i]->typeName, Vek::PString(expected[i].type));
        EXPECT_EQ(root.subContainers[i]->id, static_cast<int32_t>(i));
    }
    // Identity tags first, in their order; "username-de" is matched as
    // "username" but keeps its name and place.
    std::vector<std::string> names;
    for (Tag* tag : root.tags) names.push_back(tag->name.c_str());
    EXPECT_EQ(names, (std::vector<std::string>{"username", "kuid", "kind", "vorlex-build", "label", "username-de"}));
    // Optional values with a default stay default tags; "parent" gives the
    // owner's name.
    bool ownerDefault = false;
    for (Tag* tag : root.defaultTags)
        if (tag->name == Vek::PString("owner")) ownerDefault = tag->value == "gadget";
    EXPECT_TRUE(ownerDefault);
}

TEST_F(ContainerTest, ContainerRules) {
    DataManager::Instance()->SetAssetBuild(3.5f);
    Container root;
    root.name = "gadget";
    for (int i = 0; i < 3; ++i) {
        Container* sub = new Container();
        sub->name = "a";
        sub->parent = &root;
        root.AddSubContainer(sub);
    }
    int index = 0;
    for (const char* tagName : {"t", "u", "t", "u", "t"}) root.tags.push_back(new Tag(index++, &root, tagName));
    ASSERT_FALSE(FindContainerRule("uniquenames")(root, SoupHandle()));
    // The second and the third repeat: one finding each (one per owner);
    // the tags' repeats by the order of their names' first tags.
    EXPECT_EQ(Findings(), (std::vector<std::string>{"E:$tet_val_duplicatecontainername(a,gadget)",
                                                    "E:$tet_val_duplicatecontainername(a,gadget)",
                                                    "E:$tet_val_duplicatetagname(t,gadget)",
                                                    "E:$tet_val_duplicatetagname(t,gadget)",
                                                    "E:$tet_val_duplicatetagname(u,gadget)"}));
    const auto& records = ErrorHandler::Instance()->Records();
    EXPECT_EQ(records[0].ownerContainer, root.subContainers[1]);
    EXPECT_EQ(records[1].ownerContainer, root.subContainers[2]);
    EXPECT_EQ(records[2].ownerTag, root.tags[2]);
    EXPECT_EQ(records[3].ownerTag, root.tags[4]);
    EXPECT_EQ(records[4].ownerTag, root.tags[3]);

    ErrorHandler::Instance()->Clear();
    const ContainerRule shadow = FindContainerRule("meshtablehasshadow");
    const ContainerRule visible = FindContainerRule("meshtablehasvisiblemesh");
    EXPECT_TRUE(shadow(root, SoupHandle()) && visible(root, SoupHandle()));  // no mesh table
    Container* table = new Container();
    table->name = "mesh-table";
    table->parent = &root;
    root.AddSubContainer(table);
    Container* entry = new Container();
    entry->name = "default";
    entry->parent = table;
    table->AddSubContainer(entry);
    Tag* autoCreate = new Tag(0, entry, "auto-create");
    autoCreate->value = "0";
    entry->tags.push_back(autoCreate);
    EXPECT_FALSE(shadow(root, SoupHandle()));
    EXPECT_FALSE(visible(root, SoupHandle()));
    EXPECT_TRUE(shadow(*table, SoupHandle()));  // only the root's table counts
    EXPECT_EQ(Findings(),
              (std::vector<std::string>{"W:$tet_val_shadow_missing()", "W:$tet_val_no_visible_mesh()"}));
    autoCreate->value = "1";
    EXPECT_TRUE(visible(root, SoupHandle()));
}

TEST_F(ContainerTest, InheritanceMergesParentsInOrderOwnEntriesLast) {
    Container root;
    ASSERT_TRUE(root.LoadFromConfig(Soup("kind \"mixed\"\nvorlex-build 3.5\n")));
    std::vector<std::string> order, shared;
    for (Tag* tag : root.defaultTags) {
        order.push_back(tag->name.c_str());
        if (tag->name == Vek::PString("shared")) shared.push_back(tag->value);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"from-a", "from-c", "shared", "own"}));
    EXPECT_EQ(shared, (std::vector<std::string>{"b"}));
    EXPECT_EQ(root.inheritedNames.size(), 3u);
    // base-a's container rule is inherited.
    EXPECT_EQ(root.validators.size(), 1u);
}

TEST_F(ContainerTest, ObsoleteEntriesDoNotLeakIntoLaterAssets) {
    // An asset of build 2.5 keeps "old-tag" as a possibility; a 3.5 asset
    // validated after it must still be told the tag is obsolete, and so on.
    const std::string old = "kuid <kuid:1:2>\nkind \"gadget\"\nvorlex-build 2.5\nlabel \"L\"\nwidgets { }\nold-tag \"x\"\n";
    const std::string current = kGood + "old-tag \"x\"\n";
    const std::vector<std::string> oldFindings = {"W:$tet_obsolete_asset(2.7)"};
    const std::vector<std::string> currentFindings = {"E:$tet_container_obsoletetag(old-tag,gadget)"};
    EXPECT_EQ(Validate(old), oldFindings);
    EXPECT_EQ(Validate(current), currentFindings);
    EXPECT_EQ(Validate(old), oldFindings);
    EXPECT_EQ(Validate(current), currentFindings);
}

class FixedMesh : public MeshHolder {
public:
    bool HasAttachmentPoint(const Vek::PString& name) const override { return name == Vek::PString("a.front"); }
    void SetVisible(bool) override {}
    Vek::PString GetFilePath() const override { return "gadget/meshes/body.im"; }
};

TEST_F(ContainerTest, ParentRulesWithoutGrandparentFailQuietly) {
    Container root;
    root.name = "gadget";
    Container* child = new Container();
    child->name = "lights";
    child->parent = &root;
    root.AddSubContainer(child);
    const TagRule ownParent = FindTagRule("mustbeownparent");
    const TagRule inLights = FindTagRule("mustbeinlightcontainer");
    ASSERT_TRUE(ownParent && inLights);
    for (Container* owner : {&root, child}) {
        Tag tag(0, owner, "att");
        tag.value = "1";
        EXPECT_FALSE(ownParent(tag, SoupHandle()));
        EXPECT_FALSE(inLights(tag, SoupHandle()));
    }
    // A grandparent without a mesh: no entry is made for it, the rule fails
    // without a message, and a later walk over the meshes finds nothing.
    Container* grandchild = new Container();
    grandchild->name = "entry";
    grandchild->parent = child;
    child->AddSubContainer(grandchild);
    Tag tag(0, grandchild, "att");
    tag.value = "a.front";
    EXPECT_FALSE(ownParent(tag, SoupHandle()));
    EXPECT_EQ(DataManager::Instance()->GetContainerMesh(&root), nullptr);
    EXPECT_FALSE(DataManager::Instance()->IsKnownSourceEntry("a.front", "attachment"));
    EXPECT_TRUE(Findings().empty());
    // With a mesh: a known point passes, another is reported.
    DataManager::Instance()->SetAssetBuild(3.5f);
    DataManager::Instance()->RegisterMesh(&root, std::make_unique<FixedMesh>());
    EXPECT_TRUE(ownParent(tag, SoupHandle()));
    tag.value = "a.back";
    EXPECT_FALSE(ownParent(tag, SoupHandle()));
    EXPECT_EQ(Findings(), (std::vector<std::string>{"E:$tet_val_mustbeownparent(a.back,/meshes/body.im)"}));
}

TEST_F(ContainerTest, TagRulesOnValues) {
    DataManager::Instance()->SetAssetBuild(StoredAssetBuild(3.5f));
    Container owner;
    owner.name = "gadget";
    struct Case {
        const char* rule;
        const char* parameters;
        const char* tagName;
        const char* value;
        bool passes;
        std::vector<std::string> findings;
    };
    const std::vector<Case> cases = {
        {"range", "min 1 max 10", "w", "1, 10", false, {"E:$tet_val_notwithinrange(w,1.000000,10.000000)"}},
        {"range", "min 1", "w", "5", false, {"E:$tet_val_notwithinrange(w,1.000000,0.000000)"}},
        {"range", "min 1 max 10", "w", "", false, {}},
        {"ispositive", "", "w", "0", true, {}},
        {"ispositive", "", "w", "1 -2", false, {"E:$tet_val_notpositive(w)"}},
        {"isnotzero", "", "w", "0 1", false, {"E:$tet_val_notzero(w)"}},
        {"mustbepaired", "0 \"a\" 1 \"b\"", "initial-count", "0", true, {}},
        {"mustbepaired", "0 \"a\" 1 \"b\"", "c", "1", false,
         {"E:$tet_val_mustbepaired(b,a)", "E:$tet_val_mustbepaired(a,b)"}},
        {"notownparent", "", "gadget", "x", false, {"E:$tet_val_notownparent()"}},
        {"scriptfileexists", "", "script", "/anything", true, {}},
        {"scriptfileexists", "", "script", "../../Other/Script", false, {"E:$tet_val_scriptfiledne(../../other/script)"}},
        {"fileexists", "", "f", "present.wav", true, {}},
        {"fileexists", "", "f", "../secret.wav", false, {"E:$tet_val_file_dne(../secret.wav)"}},
        {"fileexists", "", "f", "../../../etc/passwd", false, {"E:$tet_val_file_dne(../../../etc/passwd)"}},
        {"arraysize", "size 2", "v", "1 2", true, {}},
        {"arraysize", "", "v", "1 2", false, {}},
        {"needcollatemeshes", "", "v", "1", false, {"E:$tet_val_nocollatemeshes(v,collate-meshes)"}},
        {"istracksidetype", "", "v", "1", false, {"E:$tet_val_notype(v,type,trackside)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rule) + " " + c.value);
        ErrorHandler::Instance()->Clear();
        const TagRule rule = FindTagRule(c.rule);
        ASSERT_NE(rule, nullptr);
        Tag tag(0, &owner, c.tagName);
        tag.value = c.value;
        EXPECT_EQ(rule(tag, Soup(c.parameters)), c.passes);
        EXPECT_EQ(Findings(), c.findings);
    }
}

TEST_F(ContainerTest, FileExistsIsAWarningBefore34) {
    Container owner;
    owner.name = "gadget";
    const TagRule rule = FindTagRule("fileexists");
    for (const auto& [build, mark] : {std::pair{3.3f, "W:"}, std::pair{3.4f, "E:"}}) {
        ErrorHandler::Instance()->Clear();
        DataManager::Instance()->SetAssetBuild(StoredAssetBuild(build));
        Tag tag(0, &owner, "f");
        tag.value = "missing.wav";
        EXPECT_FALSE(rule(tag, SoupHandle()));
        EXPECT_EQ(Findings(), (std::vector<std::string>{std::string(mark) + "$tet_val_file_dne(missing.wav)"}));
    }
}

TEST(AssetPaths, ConfinedToTheLocation) {
    struct Case {
        const char* path;
        bool confined;
    };
    const std::vector<Case> cases = {
        {"body.im", true},       {"meshes/body.im", true}, {"a..b/c", true},     {"../x", false},
        {"a/../../x", false},    {"a\\..\\x", false},      {"/etc/passwd", false}, {"\\x", false},
        {"c:/x", false},         {"", false},              {"..", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsConfinedAssetPath(c.path), c.confined) << c.path;
}

}  // namespace

namespace {

TEST(KindMapping, FinerKindsByHeightMeshesAndTrackside) {
    struct Case {
        const char* configuration;
        float build;
        const char* kind;
    };
    const std::vector<Case> cases = {
        {"kind \"bridge\"\nheight 0.0005\n", 3.5f, "double-track"},
        {"kind \"bridge\"\nheight -1\n", 3.5f, "bridge"},
        {"kind \"bridge\"\nheight 2\n", 3.5f, "tunnel"},
        {"kind \"track\"\nunit_mesh 1\n", StoredAssetBuild(2.9f), "track"},
        {"kind \"track\"\nunit_mesh 1\n", StoredAssetBuild(2.8f), "mesh-reducing-track"},
        {"kind \"track\"\nunit_mesh 1\nchunky_mesh 1\n", StoredAssetBuild(2.8f), "chunky-track"},
        {"kind \"track\"\n", StoredAssetBuild(2.8f), "obsolete-track"},
        {"kind \"scenery\"\ntrackside 1\n", 3.5f, "scenery-trackside"},
        {"kind \"Bridge\"\nheight 2\n", 3.5f, "Bridge"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MapConfigurationKind(Soup(c.configuration), c.build), Vek::PString(c.kind)) << c.configuration;
}

TEST_F(ContainerTest, ExportWritesByTypeAndChecks) {
    struct Tagged {
        const char* name;
        int type;
        const char* value;
        const char* datatype;
    };
    struct Case {
        const char* name;
        float build;
        const char* container;
        std::vector<Tagged> tags;
        bool result;
        std::string written;  // "name=value;" for each written tag, in order
        std::vector<std::string> findings;
    };
    const std::vector<Case> cases = {
        {"an empty string stops later floats, not ints", 3.5f, "gadget",
         {{"s", 1, "", ""}, {"f", 0, "1", ""}, {"i", 3, "2", ""}}, false, "s=;i=2;",
         {"E:$tet_container_emptystringerr(s,gadget)"}},
        {"an empty sound string passes at 3.0", 3.0f, "sound", {{"s", 1, "", ""}}, true, "s=;", {}},
        {"an empty sound string fails at 3.1", 3.1f, "sound", {{"s", 1, "", ""}}, false, "s=;",
         {"E:$tet_container_emptystringerr(s,sound)"}},
        {"kind mapped back", 3.5f, "gadget", {{"kind", 1, "Double-Track", ""}}, true, "kind=bridge;", {}},
        {"bool true is 0", 3.5f, "gadget", {{"b", 4, "true", ""}}, true, "b=0;", {}},
        {"lm.txt mesh path loses its last extension", 3.5f, "gadget", {{"m", 15, "a/body.lm.txt", "meshes"}}, true,
         "m=a\\body.lm;", {}},
        {"lm.txt in the edit writer", 3.5f, "gadget", {{"m", 16, "body.lm.txt", "meshes"}}, true, "m=body.lm;", {}},
        {"image path with forward slashes", 3.5f, "gadget", {{"p", 15, "a/b.tga", "image"}}, true, "p=a\\b.tga;", {}},
        {"animation that is no kin", 3.5f, "gadget", {{"a", 15, "a.anim", "animation"}}, true, "a=a.anim;",
         {"E:$tet_container_noanimationext(a,gadget)"}},
        {"empty file path", 3.5f, "gadget", {{"p", 15, "", "image"}}, false, "",
         {"E:$tet_container_emptystringwarn(p,gadget)"}},
        {"empty list box at 3.49 warns", 3.49f, "gadget", {{"l", 12, "", ""}}, true, "l=;",
         {"W:$tet_container_emptylistbox(l,gadget)"}},
        {"empty list box at 3.5 fails", 3.5f, "gadget", {{"l", 12, "", ""}}, false, "l=;",
         {"E:$tet_container_emptylistbox(l,gadget)"}},
        {"empty combo box: an error, yet true", 3.5f, "gadget", {{"c", 10, "", ""}}, true, "c=;",
         {"E:$tet_container_emptycombobox(c,gadget)"}},
        {"empty int combo box fails", 3.5f, "gadget", {{"c", 11, "", ""}}, false, "c=0;",
         {"E:$tet_container_emptycombobox(c,gadget)"}},
        {"double string: name lower-cased, empty value warned", 3.5f, "gadget", {{"Name-EN", 13, "", ""}}, true,
         "name-en=;", {"W:$tet_container_emptystringwarn(Name-EN,gadget)"}},
        {"kuid browser with no KUID", 3.5f, "gadget", {{"k", 18, "nothing", ""}}, true, "k=<NULL>;",
         {"W:$tet_val_nullkuidwarn(k)"}},
        {"vector2 of three numbers", 3.5f, "gadget", {{"v", 5, "1 2 3", ""}}, false, "v=1,2,3;",
         {"E:$tet_val_arraywrongsize(v,2,3)"}},
        {"vector3 of two numbers before 2.89 passes", 2.8f, "gadget", {{"v", 6, "1 2", ""}}, true, "v=1,2;", {}},
        {"other types are written as text", 3.5f, "gadget", {{"x", 20, "y", ""}}, true, "x=y;", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ErrorHandler::Instance()->Clear();
        DataManager::Instance()->SetAssetBuild(StoredAssetBuild(c.build));
        Container parent;
        parent.name = "gadget";
        Container* container = new Container();
        container->name = c.container;
        container->parent = &parent;
        parent.AddSubContainer(container);
        for (const Tagged& t : c.tags) {
            Tag* tag = new Tag(static_cast<int32_t>(container->tags.size()), container, t.name);
            tag->typeCode = t.type;
            tag->value = t.value;
            tag->datatype = t.datatype;
            container->tags.push_back(tag);
        }
        SoupHandle out;
        out.EnsureContainer();
        EXPECT_EQ(container->Export(out), c.result);
        std::string written;
        for (int32_t i = 0; i < out.Count(); ++i) {
            const Vek::PString n = out.GetTagName(i);
            std::string value;
            SoupHandle::FloatArray numbers;
            if (out.GetTagKind(n) == ACSKind::kFloats && out.GetFloatArray(n, numbers) && numbers.Count() > 1) {
                for (int32_t j = 0; j < numbers.Count(); ++j)
                    value += (j ? "," : "") + std::to_string(static_cast<int>(numbers[j]));
            } else if (out.GetTagKind(n) == ACSKind::kKUID) {
                value = out.GetKUID(n, KUID()).ToTagString().c_str();
            } else {
                value = out.GetString(n).c_str();
            }
            written += std::string(n.c_str()) + "=" + value + ";";
        }
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(Findings(), c.findings);
    }
}

}  // namespace
