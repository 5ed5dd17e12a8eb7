// A call's result passed straight on as another call's argument: the loader
// cannot tell from the code whether such a result is a value or a
// reference, so the interpreter checks what the inner call really returned.
#include <gtest/gtest.h>

#include "gsnatives/support/NativeScriptHost.h"

namespace {

const char* const kProbe = R"(include "gs.gs"
include "Soup.gs"
include "Constructors.gs"

class Taker isclass GSObject
{
	public int TakeSoup(string name, Soup soup) { if (soup) return 2; return 1; }
	public int TakeInt(string name, int value) { return value; }
	public int Seven(void) { return 7; }
	public Soup Made(void) { return ConstructorsBase.NewSoup(); }
};

class Probe isclass GameObject
{
	Taker taker;
	public void Make(void) { taker = new Taker(); }
	public int NativeResult(void) { return taker.TakeSoup("x", ConstructorsBase.NewSoup()); }
	public int ScriptResult(void) { return taker.TakeSoup("x", taker.Made()); }
	public int ValueResult(void) { return taker.TakeInt("x", taker.Seven()); }
	public int ThroughALocal(void) { Soup s = ConstructorsBase.NewSoup(); return taker.TakeSoup("x", s); }
	public int Nested(void) { return taker.TakeInt("x", taker.TakeSoup("y", taker.Made())); }
};
)";

TEST(NestedCallArguments, AResultPassedStraightOnReachesTheCallee) {
    GSNativesTest::NativeScriptHost host;
    ASSERT_TRUE(host.Start(kProbe));
    bool ok = false;
    host.Call("$void@Probe::Make()", {}, &ok);
    ASSERT_TRUE(ok);
    const struct {
        const char* signature;
        uint32_t result;
    } cases[] = {
        {"$int@Probe::NativeResult()", 2}, {"$int@Probe::ScriptResult()", 2}, {"$int@Probe::ValueResult()", 7},
        {"$int@Probe::ThroughALocal()", 2}, {"$int@Probe::Nested()", 2},
    };
    for (const auto& c : cases) {
        ok = false;
        EXPECT_EQ(host.Call(c.signature, {}, &ok), c.result) << c.signature;
        EXPECT_TRUE(ok) << c.signature;
    }
}

}  // namespace
