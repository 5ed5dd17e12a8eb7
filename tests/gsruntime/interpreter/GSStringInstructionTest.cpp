// The string instructions: conversions to text, copies, sizes, byte access
// with its sign, in-place changes, ranges, comparison and concatenation,
// and that every string operand they take is released.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/interpreter/GSInterpreterFixture.h"

namespace {

using namespace GSRuntime;
using GSTest::Outcome;

uint32_t I(int64_t value) { return static_cast<uint32_t>(static_cast<int32_t>(value)); }

// How an argument is loaded: as a reference (counted) or as a value. An
// error leaves the operands on the stack, where the thread's end does not
// release them (operand slots are not known to hold references): the
// error cases load their strings as values, so that no count is left over.
enum Kind { Ref, Val };

class GSStringInstructions : public GSTest::InterpreterTest {
protected:
    // Loads the arguments by kind, runs `ops`, returns the top (ReturnRef
    // for a string result). Reference arguments are the frame's reference
    // slots.
    Outcome RunOps(const std::vector<Kind>& kinds, const std::vector<uint32_t>& arguments,
                   const std::vector<uint8_t>& ops, bool stringResult) {
        std::vector<uint8_t> code;
        GSTest::RawShape shape;
        for (uint32_t i = 0; i < kinds.size(); ++i) {
            code.insert(code.end(), {kinds[i] == Ref ? OP_LoadLocalRef : OP_LoadLocal, static_cast<uint8_t>(i + 1), 0});
            if (kinds[i] == Ref) shape.referenceSlots.push_back(static_cast<int32_t>(i + 1));
        }
        code.insert(code.end(), ops.begin(), ops.end());
        code.push_back(stringResult ? OP_ReturnRef : OP_ReturnValue);
        return RunCode(code, arguments, shape);
    }

    // The text of a returned string, which is released.
    std::string Take(const Outcome& outcome) {
        EXPECT_EQ(outcome.code, ER_Done);
        const std::string text = TextOf(outcome.value);
        if (outcome.value) {
            EXPECT_EQ(GSTest::CountOf(outcome.value), 1) << text;
        }
        GSScriptInstance::ReleaseReference(outcome.value);
        return text;
    }

    // Strings the test holds (count 1 each), released at the end.
    GSDataRef Hold(const char* text) {
        m_held.push_back(NewString(text));
        return m_held.back();
    }
    // Every held string is back to the test's own count.
    void ExpectBalanced(const char* what) {
        for (GSDataRef s : m_held) EXPECT_EQ(GSTest::CountOf(s), 1) << what << ": " << TextOf(s);
    }
    void TearDown() override {
        for (GSDataRef s : m_held) GSScriptInstance::ReleaseReference(s);
        GSTest::InterpreterTest::TearDown();
    }

private:
    std::vector<GSDataRef> m_held;
};

TEST_F(GSStringInstructions, ConversionsToText) {
    EXPECT_EQ(Take(RunOps({}, {}, {OP_NewString}, true)), "");
    EXPECT_EQ(Take(RunOps({Val}, {I(-42)}, {OP_IntToString}, true)), "-42");
    EXPECT_EQ(Take(RunOps({Val}, {I(INT32_MIN)}, {OP_IntToString}, true)), "-2147483648");
    EXPECT_EQ(Take(RunOps({Val}, {2}, {OP_BoolToString}, true)), "true");
    EXPECT_EQ(Take(RunOps({Val}, {0}, {OP_BoolToString}, true)), "false");
    EXPECT_EQ(Take(RunOps({Val}, {GSTest::FloatBits(1.5f)}, {OP_FloatToString}, true)), "1.500000");
    EXPECT_EQ(Take(RunOps({Val}, {GSTest::FloatBits(-0.1f)}, {OP_FloatToString}, true)), "-0.100000");
    EXPECT_EQ(Take(RunOps({Val}, {GSTest::FloatBits(1e20f)}, {OP_FloatToString}, true)),
              "100000002004087734272.000000");
}

TEST_F(GSStringInstructions, CopySizeAndBytes) {
    const GSDataRef abc = Hold("abc");
    const Outcome copy = RunOps({Ref}, {abc}, {OP_StringCopy}, true);
    EXPECT_NE(copy.value, abc);
    EXPECT_EQ(Take(copy), "abc");
    EXPECT_EQ(RunOps({Ref}, {0}, {OP_StringCopy}, true).value, 0u);
    EXPECT_EQ(RunOps({Ref}, {abc}, {OP_StringSize}, false).value, 3u);
    EXPECT_EQ(RunOps({Val}, {0}, {OP_StringSize}, false).code, ER_NullStringReference);

    const GSDataRef bytes = Hold("a\xE9");
    EXPECT_EQ(RunOps({Ref, Val}, {bytes, 0}, {OP_StringGet}, false).value, 97u);
    EXPECT_EQ(RunOps({Ref, Val}, {bytes, 1}, {OP_StringGet}, false).value, I(-23));
    EXPECT_EQ(RunOps({Val, Val}, {bytes, 2}, {OP_StringGet}, false).code, ER_StringOutOfBounds);
    EXPECT_EQ(RunOps({Val, Val}, {bytes, I(-1)}, {OP_StringGet}, false).code, ER_StringOutOfBounds);
    EXPECT_EQ(RunOps({Val, Val}, {0, 0}, {OP_StringGet}, false).code, ER_NullStringReference);
    ExpectBalanced("after the reads");
}

// StringSet changes the string in place: every reference sees it.
TEST_F(GSStringInstructions, SetChangesTheSharedStringAndPadsWithBlanks) {
    const GSDataRef ab = Hold("ab");
    // s i c; the popping form returns 0, the Keep form c.
    const auto set = [&](uint8_t op, GSDataRef s, int32_t i, int32_t c, Kind kind = Ref) {
        if (op == OP_StringSetKeep) return RunOps({kind, Val, Val}, {s, I(i), I(c)}, {op}, false);
        return RunOps({kind, Val, Val}, {s, I(i), I(c)}, {op, OP_PushZero}, false);
    };
    EXPECT_EQ(set(OP_StringSet, ab, 4, 'X').code, ER_Done);
    EXPECT_EQ(TextOf(ab), "ab  X");
    EXPECT_EQ(set(OP_StringSet, ab, 0, 0x141).code, ER_Done);  // the low 8 bits
    EXPECT_EQ(TextOf(ab), "Ab  X");
    const Outcome kept = set(OP_StringSetKeep, ab, 5, 'Y');
    EXPECT_EQ(kept.value, uint32_t('Y'));
    EXPECT_EQ(TextOf(ab), "Ab  XY");
    EXPECT_EQ(set(OP_StringSet, ab, -1, 'Z', Val).code, ER_StringOutOfBounds);
    EXPECT_EQ(set(OP_StringSet, 0, 0, 'Z').code, ER_NullStringReference);
    EXPECT_EQ(TextOf(ab), "Ab  XY");
    ExpectBalanced("after the sets");
}

TEST_F(GSStringInstructions, SlicesAndRangesClampAndRefuseAnEndBelowTheStart) {
    const GSDataRef abcde = Hold("abcde");
    const auto slice = [&](int32_t end, int32_t start) {
        return RunOps({Ref, Val, Val}, {abcde, I(end), I(start)}, {OP_StringSlice}, true);
    };
    EXPECT_EQ(Take(slice(-1, 1)), "bcde");
    EXPECT_EQ(Take(slice(3, -1)), "abc");
    EXPECT_EQ(Take(slice(100, 2)), "cde");
    EXPECT_EQ(RunOps({Val, Val, Val}, {abcde, 1, 3}, {OP_StringSlice}, true).code, ER_ArrayOutOfBounds);
    EXPECT_EQ(RunOps({Ref, Val, Val}, {0, 1, 0}, {OP_StringSlice}, true).code, ER_NullStringReference);

    const GSDataRef text = Hold("abcdef");
    const GSDataRef xy = Hold("XY");
    // s end start src
    EXPECT_EQ(RunOps({Ref, Val, Val, Ref}, {text, 3, 1, xy}, {OP_StringSetRange, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(TextOf(text), "aXYdef");
    EXPECT_EQ(RunOps({Ref, Val, Val, Ref}, {text, 3, 1, 0}, {OP_StringSetRange, OP_PushZero}, false).code, ER_Done);
    EXPECT_EQ(TextOf(text), "adef");
    // The Keep form leaves the source.
    const Outcome kept = RunOps({Ref, Val, Val, Ref}, {text, I(-1), 4, xy}, {OP_StringSetRangeKeep}, true);
    EXPECT_EQ(kept.value, xy);
    EXPECT_EQ(GSTest::CountOf(xy), 2);
    GSScriptInstance::ReleaseReference(kept.value);
    EXPECT_EQ(TextOf(text), "adefXY");
    EXPECT_EQ(RunOps({Val, Val, Val, Val}, {text, 1, 3, xy}, {OP_StringSetRange, OP_PushZero}, false).code,
              ER_ArrayOutOfBounds);
    ExpectBalanced("after the ranges");
}

TEST_F(GSStringInstructions, CompareCountsNullAsEmptyAndReleasesBoth) {
    const GSDataRef empty = Hold("");
    const GSDataRef a = Hold("a");
    const GSDataRef abc = Hold("abc");
    const GSDataRef abd = Hold("abd");
    const GSDataRef high = Hold("\xE9");
    const struct {
        GSDataRef left, right;
        int32_t result;
    } cases[] = {
        {0, empty, 0},  {0, 0, 0},     {0, a, -1},    {a, 0, 1},
        {abc, abd, -1}, {abd, abc, 1}, {abc, abc, 0}, {a, high, -1},  // bytes compare unsigned
    };
    for (const auto& c : cases) {
        const Outcome outcome = RunOps({Ref, Ref}, {c.left, c.right}, {OP_CompareString}, false);
        EXPECT_EQ(static_cast<int32_t>(outcome.value), c.result) << TextOf(c.left) << " : " << TextOf(c.right);
    }
    ExpectBalanced("after the compares");
}

TEST_F(GSStringInstructions, ConcatMakesANewStringOrPassesTheOnlyOperandOn) {
    const GSDataRef ab = Hold("ab");
    const GSDataRef cd = Hold("cd");
    EXPECT_EQ(Take(RunOps({Ref, Ref}, {ab, cd}, {OP_ConcatString}, true)), "abcd");
    const Outcome both = RunOps({Ref, Ref}, {0, 0}, {OP_ConcatString}, true);
    EXPECT_NE(both.value, 0u);
    EXPECT_EQ(Take(both), "");
    // One operand null: the other one itself is the result.
    const Outcome left = RunOps({Ref, Ref}, {ab, 0}, {OP_ConcatString}, true);
    EXPECT_EQ(left.value, ab);
    EXPECT_EQ(GSTest::CountOf(ab), 2);
    GSScriptInstance::ReleaseReference(left.value);
    const Outcome right = RunOps({Ref, Ref}, {0, cd}, {OP_ConcatString}, true);
    EXPECT_EQ(right.value, cd);
    GSScriptInstance::ReleaseReference(right.value);
    ExpectBalanced("after the concatenations");
}

// A left operand that only the stack holds may become the result in place;
// a string held anywhere else (a local, the test, the other operand) never
// changes.
TEST_F(GSStringInstructions, ConcatenationChainsChangeNoStringHeldElsewhere) {
    const GSDataRef ab = Hold("ab");
    const GSDataRef cd = Hold("cd");
    struct Case {
        std::vector<uint8_t> ops;  // after ab and cd are loaded
        const char* result;
    } cases[] = {
        // (ab + cd) + ab: the fresh left string takes the right one.
        {{OP_ConcatString, OP_LoadLocalRef, 1, 0, OP_ConcatString}, "abcdab"},
        // ab + (cd + ab): the held left string stays as it is.
        {{OP_LoadLocalRef, 1, 0, OP_ConcatString, OP_ConcatString}, "abcdab"},
        // r + r with r fresh: both operands are the same string.
        {{OP_ConcatString, OP_DupRef, OP_ConcatString}, "abcdabcd"},
        // ((ab + cd) + cd) + ab
        {{OP_ConcatString, OP_LoadLocalRef, 2, 0, OP_ConcatString, OP_LoadLocalRef, 1, 0, OP_ConcatString},
         "abcdcdab"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Take(RunOps({Ref, Ref}, {ab, cd}, c.ops, true)), c.result);
        EXPECT_EQ(TextOf(ab), "ab");
        EXPECT_EQ(TextOf(cd), "cd");
    }
    ExpectBalanced("after the chains");
}

}  // namespace
