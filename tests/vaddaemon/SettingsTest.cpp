// Settings soups by name and their single values, user names and KUIDs
// generated in the user's range, with the soups written out byte by byte in
// the binary soup form.
#include <gtest/gtest.h>

#include <string>

#include "vaddaemon/SoupBytes.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

// The form of no soup: "ACS$", version 1, reserved 0, body size 0.
const char kNoSoup[] = "41435324 01000000 00000000 00000000";

using StoreSettings = StoreTest;

TEST_F(StoreSettings, SoupsByNameAndTheirSingleValues) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    // {"language": "DE", "username": "alice", "password": "pw"}, by hand:
    const Bytes internet = Hex("41435324 01000000 00000000 39000000"
                               "0e000000 09 6c616e677561676500 03 444500"          // language "DE"
                               "11000000 09 757365726e616d6500 03 616c69636500"    // username "alice"
                               "0e000000 09 70617373776f726400 03 707700");       // password "pw"
    ASSERT_EQ(ToHex(internet), ToHex(Soup(TextEntry("language", "DE") + TextEntry("username", "alice") +
                                          TextEntry("password", "pw"))));

    EXPECT_EQ(ToHex(link.Request(100, Interned("internet"))), ToHex(Hex(kNoSoup))) << "nothing stored yet";
    EXPECT_EQ(ToHex(link.Request(101, Interned("internet") + internet)), "01") << "stored";
    EXPECT_TRUE(link.notices.empty());
    EXPECT_EQ(ToHex(link.Request(100, Interned("internet"))), ToHex(internet));

    const struct {
        const char* key;
        Bytes value;
    } values[] = {
        {"language", Hex("03000000 444500")},
        {"username", Hex("06000000 616c69636500")},
        {"password", Hex("03000000 707700")},
        {"missing", Hex("00000000")},
    };
    for (const auto& v : values) {
        SCOPED_TRACE(v.key);
        EXPECT_EQ(ToHex(link.Request(102, Interned("internet") + Interned(v.key))), ToHex(v.value));
    }
    EXPECT_EQ(ToHex(link.Request(102, Interned("nothing") + Interned("language"))), "00000000");

    // Names are separate soups; the form of no soup is stored as it is.
    const Bytes other = Soup(TextEntry("a", "b"));
    link.Request(101, Interned("display") + other);
    link.Request(101, Interned("cleared") + Hex(kNoSoup));
    EXPECT_EQ(ToHex(link.Request(100, Interned("display"))), ToHex(other));
    EXPECT_EQ(ToHex(link.Request(100, Interned("cleared"))), ToHex(Hex(kNoSoup)));
    EXPECT_EQ(ToHex(link.Request(100, Interned("internet"))), ToHex(internet));

    // The settings survive a restart.
    StopDaemon(link);
    RawLink again;
    ASSERT_NO_FATAL_FAILURE(Connect(again));
    EXPECT_EQ(ToHex(again.Request(102, Interned("internet") + Interned("username"))), ToHex(Hex("06000000 616c69636500")));
    // The online profile names the user.
    EXPECT_EQ(ToHex(again.Request(240, Bytes())),
              ToHex(Text("alice") + Text("") + Text("") + Hex("0000") + Text("") + Hex("0000")));
}

// A link keeps its buffers from request to request only up to a size: a
// soup far larger than that, written and read, leaves the small requests
// after it answered as before.
TEST_F(StoreSettings, LargeAndSmallRequestsFollowOnOneLink) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    const Bytes large = Soup(TextEntry("text", std::string(300000, 'x')));
    const Bytes small = Soup(TextEntry("a", "b"));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(ToHex(link.Request(101, Interned("large") + large)), "01");
        EXPECT_EQ(link.Request(100, Interned("large")), large);
        EXPECT_EQ(ToHex(link.Request(101, Interned("small") + small)), "01");
        EXPECT_EQ(ToHex(link.Request(100, Interned("small"))), ToHex(small));
    }
}

TEST_F(StoreSettings, ADamagedSoupIsNotStored) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    const Bytes good = Soup(TextEntry("language", "DE"));
    link.Request(101, Interned("internet") + good);
    const struct {
        const char* what;
        Bytes payload;
    } cases[] = {
        {"body longer than the payload", Interned("internet") + Hex("41435324 01000000 00000000 ff000000 0000")},
        {"entry longer than the body", Interned("internet") + Soup(Hex("40000000 02 6100 03 6200"))},
        {"wrong magic", Interned("internet") + Hex("58435324 01000000 00000000 00000000")},
        {"no soup at all", Interned("internet")},
        {"no name", Interned("") + good},
        {"bytes after the soup", Interned("internet") + Soup(TextEntry("language", "FR")) + Hex("00")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ToHex(link.Request(101, c.payload)), "");
        EXPECT_TRUE(TranscriptHas("bad payload op=101 id=" + std::to_string(link.lastId) + "\n"));
        EXPECT_EQ(ToHex(link.Request(100, Interned("internet"))), ToHex(good));
    }
}

// A write the store refuses (here a store in SQLite's query-only mode, as a
// full disk or a write-protected file refuses it) is answered 0 with the
// store's reason, never as stored.
TEST_F(StoreSettings, AWriteTheStoreRefusesIsAnsweredAsNotStored) {
    UseScenario("read-only-store 1\n");
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    EXPECT_EQ(ToHex(link.Request(101, Interned("internet") + Soup(TextEntry("username", "carol")))), "00");
    ASSERT_EQ(link.notices.size(), 1u);
    EXPECT_EQ(link.notices[0].word, 3);
    const std::string line(link.notices[0].body.begin(), link.notices[0].body.end());
    EXPECT_NE(line.find("The settings \"internet\" could not be stored: attempt to write a readonly database."),
              std::string::npos);
    EXPECT_EQ(ToHex(link.Request(100, Interned("internet"))), ToHex(Hex(kNoSoup))) << "nothing stored";
}

TEST_F(StoreSettings, KuidsAreGeneratedInTheUsersRangeAndUsersAreNamed) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    // Without a user id there is no range: the null KUID.
    EXPECT_EQ(ToHex(link.Request(58, Bytes())), "ffffffffffffffff");
    EXPECT_EQ(ToHex(link.Request(35, Hex("ffffffff ffffffff 01 00000000"))),
              ToHex(Hex("ffffffffffffffff ffffffffffffffff 00000000 00000000")));

    // {"user-id": 4242, "username": "Alice"}: an int entry is type 1 with 4 bytes.
    const Bytes internet = Hex("41435324 01000000 00000000 27000000"
                               "0e000000 08 757365722d696400 01 92100000"
                               "11000000 09 757365726e616d6500 03 416c69636500");
    link.Request(101, Interned("internet") + internet);

    // <kuid:4242:1>, then <kuid:4242:2>: content, then packed word 4242.
    EXPECT_EQ(ToHex(link.Request(58, Bytes())), "0100000092100000");
    // A request that carries a payload is malformed and uses up no KUID.
    EXPECT_EQ(ToHex(link.Request(58, Hex("00"))), "");
    EXPECT_TRUE(TranscriptHas("bad payload op=58 id=" + std::to_string(link.lastId) + "\n"));
    EXPECT_EQ(ToHex(link.Request(58, Bytes())), "0200000092100000");
    // A new asset with the null KUID takes the next one.
    const Bytes created = link.Request(35, Hex("ffffffff ffffffff 01") + Text("Made"));
    ASSERT_GE(created.size(), 16u);
    EXPECT_EQ(ToHex(Bytes(created.begin() + 8, created.begin() + 16)), "0300000092100000");
    EXPECT_TRUE(IsFolder(Folder("editing", "kuid 4242 3")));
    // Above an asset already known in the range.
    link.Request(35, Kuid(4242, 50) + Hex("00") + Text(""));
    EXPECT_EQ(ToHex(link.Request(58, Bytes())), "3300000092100000");

    // Operation 90: second id -1 and the name (interned form).
    EXPECT_EQ(ToHex(link.Request(90, Le32(4242))), "ffffffff06000000416c69636500");
    EXPECT_EQ(ToHex(link.Request(90, Le32(77))), "ffffffff00000000");

    // The counter survives a restart: no KUID is handed out twice.
    StopDaemon(link);
    RawLink again;
    ASSERT_NO_FATAL_FAILURE(Connect(again));
    EXPECT_EQ(ToHex(again.Request(58, Bytes())), "3400000092100000");
}

}  // namespace
