#include "tetlib/upgrade/MeshDataFactory.h"

namespace TETLib {

namespace {

class ProductFactory final : public MeshDataFactory {
public:
    std::unique_ptr<MeshData> Make() const override { return std::make_unique<MeshData>(); }
};

}  // namespace

const MeshDataFactory& ProductMeshDataFactory() {
    static const ProductFactory factory;
    return factory;
}

}  // namespace TETLib
