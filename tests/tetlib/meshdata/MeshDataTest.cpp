#include "tetlib/meshdata/MeshData.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/callbacks/MainThread.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/meshdata/LODMeshData.h"

namespace {

using TETLib::ErrorHandler;
using TETLib::LODMeshData;
using TETLib::MeshData;

class MeshDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordMainThread();
        ErrorHandler::CreateInstance();
    }
    void TearDown() override { ErrorHandler::DestroyInstance(); }
    static std::string LastText() {
        const auto& records = ErrorHandler::Instance()->Records();
        return records.empty() ? std::string() : std::string(records.back().text.c_str());
    }
};

TEST_F(MeshDataTest, AnEmptyHolderAnswersEmptyListsAndTheFixedName) {
    LODMeshData lod;
    for (MeshData* holder : {static_cast<MeshData*>(&lod), static_cast<MeshData*>(new MeshData)}) {
        EXPECT_EQ(std::string(holder->GetName().c_str()), "some name");
        EXPECT_EQ(holder->GetAttachmentCount(), 0);
        EXPECT_EQ(holder->GetBoneCount(), 0);
        EXPECT_EQ(holder->GetThirdRecordCount(), 0);
        EXPECT_TRUE(holder->GetThirdRecords().empty());
        EXPECT_TRUE(holder->GetAnimations().empty());
        EXPECT_EQ(holder->GetInstance(), nullptr);
        EXPECT_EQ(holder->GetDefinition(), nullptr);
        EXPECT_FALSE(holder->IsLoaded());
        if (holder != &lod) delete holder;
    }
}

TEST_F(MeshDataTest, AnAnimationWithoutALoadedMeshIsReportedAndFails) {
    MeshData holder;
    EXPECT_FALSE(holder.LoadAnimation(Vek::PString("anim/walk.kin")));
    // Without an interface-text table the key stands for its text.
    EXPECT_EQ(LastText(), "$tet_mesh_animationfailedmesh");
    EXPECT_TRUE(holder.GetAnimations().empty());
}

}  // namespace
