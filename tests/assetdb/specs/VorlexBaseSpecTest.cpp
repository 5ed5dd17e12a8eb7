#include <gtest/gtest.h>

#include "assetdb/specs/VorlexBaseSpec.h"

namespace {

SoupHandle Config(float build, const char* fileName, const char* extraTag = nullptr) {
    SoupHandle soup;
    soup.SetString("kind", "scenery");
    if (build != 0.0f) soup.SetFloat("vorlex-build", build);
    if (fileName) soup.SetString("asset-filename", fileName);
    if (extraTag) soup.SetInt(extraTag, 1);
    return soup;
}

TEST(VorlexBaseSpec, BuildAndFileBaseNameFollowTheConfiguration) {
    struct Case {
        const char* what;
        SoupHandle config;
        float build;
        const char* baseName;
    };
    const Case cases[] = {
        {"2.5 is not below 2.50", Config(2.5f, "Body"), 2.505f, "default"},
        {"2.49 reads asset-filename, lower-cased", Config(2.49f, "Body"), 2.495f, "body"},
        {"no asset-filename: the folder name", Config(2.0f, nullptr), 2.005f, "myfolder"},
        {"no build: 1.3", Config(0.0f, "X"), 1.3f, "x"},
        {"no build with a mesh-table: 2.0", Config(0.0f, nullptr, "mesh-table"), 2.0f, "myfolder"},
        {"no build with a scriptclass: 2.0", Config(0.0f, nullptr, "scriptclass"), 2.0f, "myfolder"},
        {"build 100 is out of range", Config(100.0f, nullptr, "class"), 2.0f, "myfolder"},
        {"build below 1 is out of range", Config(0.5f, nullptr), 1.3f, "myfolder"},
        {"no configuration", SoupHandle(), 1.3f, "myfolder"},
    };
    for (const Case& c : cases) {
        VorlexBaseSpec spec(Vek::PString(), "parent", KUID(1, 2, 0), c.config, "MyFolder");
        EXPECT_FLOAT_EQ(spec.GetBuild(), c.build) << c.what;
        EXPECT_STREQ(spec.GetFileBaseName().c_str(), c.baseName) << c.what;
    }
}

TEST(VorlexBaseSpec, KindComesFromTheConfigurationAndANullKuidIsInvalid) {
    VorlexBaseSpec spec(Vek::PString(), "parent", KUID(), Config(3.5f, nullptr), "f");
    EXPECT_STREQ(spec.GetKind().c_str(), "scenery");
    EXPECT_TRUE(spec.GetFlags() & AssetSpec::kFlagInvalid);

    VorlexBaseSpec bare(Vek::PString(), "parent", KUID(1, 2, 0), SoupHandle(), "f");
    EXPECT_TRUE(bare.GetKind().IsEmpty());
    EXPECT_FALSE(bare.GetFlags() & AssetSpec::kFlagInvalid);
}

}  // namespace
