// Compiled code with one instruction changed into a form the code generator
// never writes: a value load of `me`, a counted load of a base view's
// offset slot, a native call past every method table. The loader refuses
// each, and the machine goes on running ordinary code as before, clean
// under the sanitizers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/text/CRC32.h"
#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

using GSRuntime::GSLibraryId;

// `Run` starts with `v = me;` (LoadLocalRef 0, StoreLocalRef 1); `w =
// other.other` reads a member through a member; `GetId()` is a native.
const char* const kVictim = R"(include "gs.gs"
class Victim isclass GameObject
{
	string name;
	Victim other;
	int n;
	public void Run(void)
	{
		Victim v;
		v = me;
		name = "x";
		other = me;
		Victim w = other.other;
		n = GetId();
		v = null;
		other = null;
	}
};
)";

uint32_t Word(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

void PutWord(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

size_t Find(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& pattern) {
    for (size_t i = 0; i + pattern.size() <= bytes.size(); ++i)
        if (std::memcmp(bytes.data() + i, pattern.data(), pattern.size()) == 0) return i;
    return 0;
}

// The image under another id pair (the header's and dependent 0's).
std::vector<uint8_t> WithId(std::vector<uint8_t> bytes, GSLibraryId id) {
    const size_t dependents = 24 + Word(bytes, 20);
    PutWord(bytes, 12, id.a);
    PutWord(bytes, 16, id.b);
    PutWord(bytes, dependents + 12, id.a);
    PutWord(bytes, dependents + 16, id.b);
    return bytes;
}

TEST(GSRefusedCode, DamagedFormsAreRefusedAndOrdinaryCodeRunsAfterThem) {
    GSTest::TestHost host;
    ASSERT_TRUE(host.Load("victim.gs", kVictim));
    std::vector<uint8_t> image;
    {
        std::ifstream in(host.root.Path() + "/victim.gsl", std::ios::binary);
        image.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Run's code as the compiler writes it: v = me; name = "x"; other = me;
    // w = other.other; n = GetId(); ...
    const std::vector<uint8_t> start = {OP_LoadLocalRef, 0, 0, OP_StoreLocalRef, 1, 0, OP_PushString};
    const size_t code = Find(image, start);
    ASSERT_NE(code, 0u);
    const size_t memberLoad = Find(image, {OP_LoadMyMemberRef, 7, 0, OP_LoadMemberRef, 7, 0}) + 3;
    const size_t nativeCall = Find(image, {OP_LoadLocalRef, 0, 0, OP_CallNative, 0, 0}) + 3;
    ASSERT_GT(memberLoad, code);
    ASSERT_GT(nativeCall, code);
    const GSRuntime::GSClass* victim = host.library->FindClass("Victim");
    ASSERT_NE(victim, nullptr);
    // Slot 4 of a Victim is where its GSObject view starts.
    ASSERT_EQ(victim->DataSlotKinds()[4], GSRuntime::GSClass::kDataViewStart);

    struct Form {
        const char* name;
        size_t at;
        std::vector<uint8_t> bytes;
        int32_t result;
    };
    const Form forms[] = {
        {"value load of me", code, {OP_LoadLocal}, GSRuntime::kGSLoadMalformed},
        {"counted load of a view's offset slot", memberLoad, {OP_LoadMemberRef, 4, 0}, GSRuntime::kGSLoadLinkError},
        {"native call past the method table", nativeCall, {OP_CallNative, 0, 0, 1025 & 0xFF, 1025 >> 8},
         GSRuntime::kGSLoadLinkError},
    };
    uint32_t n = 0;
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        std::vector<uint8_t> damaged(image);
        std::copy(form.bytes.begin(), form.bytes.end(), damaged.begin() + static_cast<std::ptrdiff_t>(form.at));
        const GSLibraryId id{0x7E570000u + ++n, 0x5EED0000u + n};
        damaged = WithId(damaged, id);
        // VORLEX_KEEP_LIBRARIES collects the damaged images with the
        // compiled ones (the fuzz seeds are made this way).
        if (const char* keep = std::getenv("VORLEX_KEEP_LIBRARIES")) {
            std::ofstream out(std::string(keep) + "/refused" + std::to_string(n) + ".gsl." +
                                  std::to_string(ComputeCRC32(damaged.data(), damaged.size())),
                              std::ios::binary);
            out.write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
        }
        const std::string file = "refused" + std::to_string(n) + ".gsl";
        host.root.Write(file, damaged);
        ASSERT_TRUE(host.machine->AddLibrary(host.root.Root(), "", file.c_str(), nullptr));
        host.log.Clear();
        EXPECT_EQ(host.machine->GetLibrary(id), nullptr);
        EXPECT_EQ(host.log.Count("GSMachine: Error " + std::to_string(form.result) + " loading library " + file +
                                 " (victim.gs)"),
                  1);
    }

    // The ordinary library, in the same machine, runs as before.
    host.log.Clear();
    for (int round = 0; round < 2; ++round) {
        GSRuntime::GSGameObject* object = host.Spawn("Victim");
        ASSERT_NE(object, nullptr);
        EXPECT_TRUE(host.Call(object, "$void@Victim::Run()"));
        EXPECT_TRUE(host.Call(object, "$void@Victim::Run()"));
        host.Release(object);
        host.Run(2, 100);
    }
    EXPECT_EQ(host.log.Lines(), std::vector<std::string>{});
    host.EndContext();
    EXPECT_EQ(host.leftBlocks, 0);
}

}  // namespace
