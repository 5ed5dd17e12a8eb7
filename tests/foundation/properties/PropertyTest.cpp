#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "foundation/properties/PropertyRef.h"
#include "foundation/properties/PropertyStream.h"
#include "foundation/properties/VariableProperties.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/streams/BufferStream.h"

namespace {

std::vector<uint8_t> Bytes(const TBuffer& buffer) {
    return std::vector<uint8_t>(buffer.GetData(), buffer.GetData() + buffer.GetDataSize());
}

void PutInt32(std::vector<uint8_t>& bytes, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
}

void PutPString(std::vector<uint8_t>& bytes, const char* text) {
    size_t n = std::strlen(text);
    PutInt32(bytes, static_cast<int32_t>(n + 1));
    bytes.insert(bytes.end(), text, text + n + 1);
}

TEST(PropertyStream, AssetIdWritesItsKindNameAndTagTextAndReadsBack) {
    TBuffer buffer;
    WriteProperty(buffer, PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString("AssetID"), KUID(3, 100, 2))));
    WriteProperty(buffer, PropertyRef());

    std::vector<uint8_t> expected;
    PutInt32(expected, 8);
    PutPString(expected, "AssetID");
    PutPString(expected, "<kuid2:3:100:2>");
    PutInt32(expected, 0);
    EXPECT_EQ(Bytes(buffer), expected);

    buffer.Rewind();
    PropertyRef read;
    ReadProperty(buffer, read);
    auto* asset = dynamic_cast<VorlexPropertyAssetID*>(read.Get());
    ASSERT_NE(asset, nullptr);
    EXPECT_STREQ(asset->GetName().c_str(), "AssetID");
    EXPECT_EQ(asset->GetKUID(), KUID(3, 100, 2));
    ReadProperty(buffer, read);
    EXPECT_TRUE(read.IsNull());
    EXPECT_EQ(buffer.GetError(), TStream::kErrorNone);
}

TEST(PropertyStream, OtherKindsAreReadOverAndAShortReadGivesNoProperty) {
    std::vector<uint8_t> bytes;
    PutInt32(bytes, 5);
    PutPString(bytes, "Other");
    PutPString(bytes, "value");
    PutInt32(bytes, 77);
    bytes.push_back(1);  // a kind cut short
    TBuffer buffer;
    buffer.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    buffer.Rewind();

    PropertyRef read = PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString("old"), KUID(1, 2, 0)));
    ReadProperty(buffer, read);
    EXPECT_TRUE(read.IsNull());
    int32_t next = 0;
    EXPECT_TRUE(buffer.ReadInt32(next));
    EXPECT_EQ(next, 77);
    read = PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString("old"), KUID(1, 2, 0)));
    ReadProperty(buffer, read);
    EXPECT_TRUE(read.IsNull());
    EXPECT_EQ(buffer.GetError(), TStream::kErrorPastEnd);
}

TEST(VorlexPropertyAssetID, ValueTextFollowsTheKuid) {
    PropertyRef ref = PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString("AssetID"), KUID(3, 100, 0)));
    EXPECT_STREQ(ref.GetValueText().c_str(), "<kuid:3:100>");
    ref->SetValueText("3:100:2");  // lenient: no prefix needed, but this form is refused
    EXPECT_STREQ(ref.GetValueText().c_str(), "<NULL>");
    ref->SetValueText("<KUID2:3:100:2>");
    EXPECT_STREQ(ref.GetValueText().c_str(), "<kuid2:3:100:2>");
    ref->SetValueText("not a kuid");
    EXPECT_STREQ(ref.GetValueText().c_str(), "<NULL>");
    EXPECT_STREQ(PropertyRef().GetValueText().c_str(), "");
}

// An asset-id property that reports its destruction.
class WatchedAssetID : public VorlexPropertyAssetID {
public:
    explicit WatchedAssetID(bool& destroyed) : VorlexPropertyAssetID(Vek::PString("AssetID"), KUID()), m_destroyed(destroyed) {}

protected:
    ~WatchedAssetID() override { m_destroyed = true; }

private:
    bool& m_destroyed;
};

TEST(PropertyRef, TheLastReferenceDestroysTheProperty) {
    bool destroyed = false;
    auto first = std::make_unique<PropertyRef>(PropertyRef::Adopt(new WatchedAssetID(destroyed)));
    PropertyRef copy = *first;
    first.reset();
    EXPECT_FALSE(destroyed);
    PropertyRef assigned;
    assigned = copy;
    assigned = assigned;
    copy.Reset();
    EXPECT_FALSE(destroyed);
    assigned.Reset();
    EXPECT_TRUE(destroyed);
}

TEST(VariableProperties, ReadAndSetTheirVariables) {
    uint32_t code = 0x41424344;
    VorlexPropertyFourCC fourcc(Vek::PString("code"), &code);
    EXPECT_STREQ(fourcc.ValueText().c_str(), "ABCD");
    fourcc.SetValueText("AB");
    EXPECT_EQ(code, 0x41422020u);

    int32_t number = 5;
    VorlexPropertyInt integer(Vek::PString("n"), &number);
    integer.SetValueText("-12x");
    EXPECT_EQ(number, -12);
    EXPECT_STREQ(integer.ValueText().c_str(), "-12");
    integer.SetValueText("");
    EXPECT_EQ(number, 0);

    float f = 0;
    VorlexPropertyFloat real(Vek::PString("f"), &f);
    real.SetValueText("2.5");
    EXPECT_STREQ(real.ValueText().c_str(), "2.5");

    uint32_t flags = 0x10;
    VorlexPropertyFlags bits(Vek::PString("b"), &flags, 0x3);
    EXPECT_STREQ(bits.ValueText().c_str(), "false");
    bits.SetValueText("T");
    EXPECT_EQ(flags, 0x13u);
    EXPECT_STREQ(bits.ValueText().c_str(), "true");
    bits.SetValueText("yes");
    EXPECT_EQ(flags, 0x10u);

    bool b = false;
    VorlexPropertyBool boolean(Vek::PString("b"), &b);
    for (const char* truth : {"TRUE", "1", "t"}) {
        b = false;
        boolean.SetValueText(truth);
        EXPECT_TRUE(b) << truth;
    }
    boolean.SetValueText("0");
    EXPECT_FALSE(b);
    EXPECT_STREQ(boolean.ValueText().c_str(), "false");

    Vek::PString name("before");
    VorlexPropertyString text(Vek::PString("s"), &name);
    text.SetValueText("after");
    EXPECT_STREQ(name.c_str(), "after");

    Vek::String stored;
    VorlexPropertyCallback callback(
        Vek::PString("cb"),
        [](PropertyValuePair& pair) {
            EXPECT_TRUE(pair.value.IsEmpty());
            pair.value = (std::string(pair.name.c_str()) + "=got").c_str();
        },
        [&stored](PropertyValuePair& pair) { stored = pair.value; });
    EXPECT_STREQ(callback.ValueText().c_str(), "cb=got");
    callback.SetValueText("set");
    EXPECT_STREQ(stored.c_str(), "set");
}

}  // namespace
