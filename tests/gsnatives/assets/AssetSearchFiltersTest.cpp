// The filter trees that the script asset searches send to the asset
// database: one group whose children must all match, in the order below.
#include <gtest/gtest.h>

#include <string>

#include "gsnatives/AssetSearchFilters.h"
#include "gsnatives/support/FakeAssetRequests.h"

namespace {

using namespace GSNatives;
using GSNativesTest::RenderFilter;

TEST(AssetSearchFilters, EachSearchSendsItsChildrenInOrder) {
    struct Case {
        const char* what;
        std::unique_ptr<VADFilterElementGroup> filter;
        const char* expected;
    };
    const Case cases[] = {
        {"SearchAssets, any asset, lower-case text sent upper-cased", BuildSearchAssetsFilter("trains", false),
         "listing-privilege:true, not obsolete, compatible:true, category-list:TRAINS"},
        {"SearchAssets, local only", BuildSearchAssetsFilter("Tr;Tv", true),
         "local:true, locally-available:true, locally-enabled:true, listing-privilege:true, not obsolete, "
         "compatible:true, category-list:TR;TV"},
        {"FindUpdatedAssets: local, neither obsolete nor up to date", BuildUpdatedAssetsFilter(),
         "local:true, not obsolete, not up-to-date"},
        {"GetAssetList(kind)", BuildAssetListFilter("TR;TV", true),
         "local:true, locally-available:true, locally-enabled:true, listing-privilege:true, not obsolete, "
         "compatible:true, not faulty, category-list:TR;TV"},
        {"GetAssetList(kind, type): no element for faulty", BuildAssetListFilter("TR;TV;#XYZ", false),
         "local:true, locally-available:true, locally-enabled:true, listing-privilege:true, not obsolete, "
         "compatible:true, category-list:TR;TV;#XYZ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RenderFilter(*c.filter), c.expected);
    }
}

TEST(AssetSearchFilters, AssetListCategoryClassMapsTheKindAndAddsTheTypeCodes) {
    EXPECT_EQ(AssetListCategoryClass("Bridge", nullptr).Std(), "SPLN;BRG");
    // The kind is mapped without the type word; the word is upper-cased and
    // each of its codes required.
    EXPECT_EQ(AssetListCategoryClass("bridge", "tunnels").Std(), "SPLN;BRG;#TUNNELS");
    EXPECT_EQ(AssetListCategoryClass("bridge", "x;yz").Std(), "SPLN;BRG;#X;#YZ");
    // A kind the table does not know maps to nothing, with or without a type.
    EXPECT_TRUE(AssetListCategoryClass("no-such-kind", nullptr).IsEmpty());
    EXPECT_TRUE(AssetListCategoryClass("no-such-kind", "xyz").IsEmpty());
}

}  // namespace
