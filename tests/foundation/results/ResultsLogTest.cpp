#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "foundation/notifications/NuMessagePipe.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/results/TransactionLogRegistry.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/BufferStream.h"

namespace {

PropertyRef AssetProperty(const KUID& kuid, const char* name = "AssetID") {
    return PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString(name), kuid));
}

KUID AssetOf(const ResultsLogEntry& entry) {
    auto* asset = dynamic_cast<VorlexPropertyAssetID*>(entry.property.Get());
    return asset ? asset->GetKUID() : KUID();
}

// Hand-built wire bytes.
class Bytes {
public:
    Bytes& Int32(int32_t value) {
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
        return *this;
    }
    Bytes& Text(const std::string& text) {
        Int32(static_cast<int32_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& Interned(const std::string& text) {
        Int32(static_cast<int32_t>(text.size() + 1));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
        return *this;
    }
    Bytes& AssetId(const std::string& name, const std::string& kuidText) {
        return Int32(8).Interned(name).Interned(kuidText);
    }
    const std::vector<uint8_t>& Get() const { return m_bytes; }
    // A memory stream holding the bytes, at its start.
    std::unique_ptr<TBuffer> Stream() const {
        auto stream = std::make_unique<TBuffer>();
        stream->Write(m_bytes.data(), static_cast<int32_t>(m_bytes.size()));
        stream->Rewind();
        return stream;
    }

private:
    std::vector<uint8_t> m_bytes;
};

// Counts the messages a log broadcasts.
class Listener : public NuMessageRecipient {
public:
    int HandleMessage(const NuMessageData& message) override {
        received.push_back(message.Type().c_str());
        values.push_back(message.Value());
        return 0;
    }
    std::vector<std::string> received;
    std::vector<void*> values;
};

TEST(ResultsLog, FillsPlaceholdersFromTheParameterSoup) {
    SoupHandle parameters;
    parameters.SetString(Vek::PString("file"), "a.cdp");
    parameters.SetInt(Vek::PString("count"), 3);
    parameters.SetKUID(Vek::PString("asset_kuid"), KUID(12, 34, 0));

    ResultsLog log;
    log.AddEntry(ResultsLogEntry::kError, PropertyRef(),
                 "$(FILE) $(file) $(File) $(COUNT) $(ASSET_KUID) $(MISSING)", parameters);
    EXPECT_STREQ(log.GetEntry(0).text.c_str(), "a.cdp a.cdp a.cdp 3 <kuid:12:34> $(MISSING)");

    SoupHandle chained;
    chained.SetString(Vek::PString("first"), "$(SECOND)");
    chained.SetString(Vek::PString("second"), "two");
    chained.SetString(Vek::PString("self"), "$(SELF)");
    log.AddEntry(ResultsLogEntry::kError, PropertyRef(), "$(FIRST) $(SELF) $(self)", chained);
    // A value inserted by an earlier tag is filled by a later one; a value
    // holding its own placeholder is filled once.
    EXPECT_STREQ(log.GetEntry(1).text.c_str(), "two $(SELF) $(SELF)");

    log.AddEntry(ResultsLogEntry::kError, PropertyRef(), "$(FILE) stays", nullptr);
    EXPECT_STREQ(log.GetEntry(2).text.c_str(), "$(FILE) stays");
}

TEST(ResultsLog, CountsWarningsErrorsAndSuccessesAndTakesTheContextProperty) {
    ResultsLog log;
    log.AddEntry(ResultsLogEntry::kWarning, "w");
    log.AddEntry(ResultsLogEntry::kError, "e1");
    log.PushContextProperty(AssetProperty(KUID(3, 100, 0)));
    log.AddEntry(ResultsLogEntry::kError, "e2");
    log.AddEntry(ResultsLogEntry::kSuccess, AssetProperty(KUID(7, 7, 1)), "s", nullptr);
    log.PopContextProperty();
    log.PopContextProperty();  // nothing left: no effect
    log.AddEntry(ResultsLogEntry::kInformation, "i");

    EXPECT_EQ(log.GetWarningCount(), 1);
    EXPECT_EQ(log.GetErrorCount(), 2);
    EXPECT_EQ(log.GetSuccessCount(), 1);
    ASSERT_EQ(log.GetEntryCount(), 5u);
    EXPECT_TRUE(log.GetEntry(1).property.IsNull());
    EXPECT_EQ(AssetOf(log.GetEntry(2)), KUID(3, 100, 0));
    EXPECT_EQ(AssetOf(log.GetEntry(3)), KUID(7, 7, 1));
    EXPECT_TRUE(log.GetEntry(4).property.IsNull());
}

TEST(ResultsLog, CopyFromTakesEntriesAndCountersButNotTheContext) {
    ResultsLog source;
    source.AddEntry(ResultsLogEntry::kError, AssetProperty(KUID(1, 2, 0)), "copied", nullptr);
    source.AddEntry(ResultsLogEntry::kWarning, "w");
    ResultsLog target;
    target.AddEntry(ResultsLogEntry::kSuccess, "replaced");
    target.PushContextProperty(AssetProperty(KUID(9, 9, 0)));
    Listener listener;
    NuMessagePipe pipe(target, &listener, nullptr);

    target.CopyFrom(source);
    target.CopyFrom(target);
    EXPECT_EQ(target.GetEntryCount(), 2u);
    EXPECT_STREQ(target.GetEntry(0).text.c_str(), "copied");
    EXPECT_EQ(AssetOf(target.GetEntry(0)), KUID(1, 2, 0));
    EXPECT_EQ(target.GetErrorCount(), 1);
    EXPECT_EQ(target.GetWarningCount(), 1);
    EXPECT_EQ(target.GetSuccessCount(), 0);
    EXPECT_TRUE(listener.received.empty());
    target.AddEntry(ResultsLogEntry::kInformation, "after");
    EXPECT_EQ(AssetOf(target.GetEntry(2)), KUID(9, 9, 0));
    EXPECT_EQ(source.GetEntryCount(), 2u);
}

TEST(ResultsLog, WritesEntriesFromAnIndexInTheWireForm) {
    ResultsLog log;
    for (int i = 0; i < 5; ++i) log.AddEntry(ResultsLogEntry::kInformation, ("entry " + std::to_string(i)).c_str());
    log.AddEntry(ResultsLogEntry::kError, AssetProperty(KUID(3, 100, 2)), "with asset", nullptr);

    TBuffer stream;
    log.WriteEntries(stream, 3);
    Bytes expected;
    expected.Int32(0).Int32(3);
    expected.Int32(1).Text("entry 3").Int32(0);
    expected.Int32(1).Text("entry 4").Int32(0);
    expected.Int32(3).Text("with asset").AssetId("AssetID", "<kuid2:3:100:2>");
    EXPECT_EQ(std::vector<uint8_t>(stream.GetData(), stream.GetData() + stream.GetDataSize()), expected.Get());

    TBuffer past;
    log.WriteEntries(past, 9);
    EXPECT_EQ(std::vector<uint8_t>(past.GetData(), past.GetData() + past.GetDataSize()),
              Bytes().Int32(0).Int32(0).Get());
}

// A log of many entries (its list spans several blocks) gives each entry
// by index, and writes the entries from any index on, whether that index is
// nearer the start or the end; a copy does the same.
TEST(ResultsLog, ALongLogGivesEveryEntryFromAnyIndex) {
    constexpr int kEntries = 100;
    ResultsLog log;
    for (int i = 0; i < kEntries; ++i) log.AddEntry(ResultsLogEntry::kInformation, ("entry " + std::to_string(i)).c_str());
    ResultsLog copy;
    copy.CopyFrom(log);
    for (ResultsLog* source : {&log, &copy}) {
        ASSERT_EQ(source->GetEntryCount(), static_cast<std::size_t>(kEntries));
        for (int i = 0; i < kEntries; ++i)
            EXPECT_EQ(source->GetEntry(static_cast<std::size_t>(i)).text.c_str(), "entry " + std::to_string(i));
        EXPECT_TRUE(source->GetEntry(kEntries).text.IsEmpty());
        for (int first = 0; first <= kEntries + 1; ++first) {
            TBuffer stream;
            source->WriteEntries(stream, first);
            stream.Rewind();
            ResultsLog received;
            received.ReadEntries(stream);
            const int expected = first < kEntries ? kEntries - first : 0;
            ASSERT_EQ(received.GetEntryCount(), static_cast<std::size_t>(expected)) << first;
            for (int i = 0; i < expected; ++i)
                EXPECT_EQ(received.GetEntry(static_cast<std::size_t>(i)).text.c_str(),
                          "entry " + std::to_string(first + i))
                    << first;
        }
    }
}

TEST(ResultsLog, ReadsAWireBlockWithoutFillingPlaceholdersOrTakingTheContext) {
    Bytes block;
    block.Int32(0).Int32(3);
    block.Int32(2).Text("$(FILE) warned").AssetId("AssetID", "<kuid:3:100>");
    block.Int32(3).Text("error").Int32(0);
    block.Int32(4).Text("other kind").Int32(5).Interned("name").Interned("value");
    block.Int32(1234);  // the next field of the frame
    auto stream = block.Stream();

    ResultsLog log;
    log.PushContextProperty(AssetProperty(KUID(9, 9, 0)));
    Listener listener;
    NuMessagePipe pipe(log, &listener, nullptr);
    log.ReadEntries(*stream);

    ASSERT_EQ(log.GetEntryCount(), 3u);
    EXPECT_STREQ(log.GetEntry(0).text.c_str(), "$(FILE) warned");
    EXPECT_EQ(AssetOf(log.GetEntry(0)), KUID(3, 100, 0));
    EXPECT_TRUE(log.GetEntry(1).property.IsNull());
    EXPECT_TRUE(log.GetEntry(2).property.IsNull());
    EXPECT_EQ(log.GetWarningCount(), 1);
    EXPECT_EQ(log.GetErrorCount(), 1);
    EXPECT_EQ(log.GetSuccessCount(), 1);
    EXPECT_EQ(listener.received, std::vector<std::string>{"list-updated"});
    EXPECT_EQ(listener.values, std::vector<void*>{&log});
    int32_t next = 0;
    EXPECT_TRUE(stream->ReadInt32(next));
    EXPECT_EQ(next, 1234);
}

TEST(ResultsLog, ABlockWithAnotherStatusAddsNothingButStillNotifies) {
    auto stream = Bytes().Int32(1).Int32(2).Stream();
    ResultsLog log;
    Listener listener;
    NuMessagePipe pipe(log, &listener, nullptr);
    log.ReadEntries(*stream);
    EXPECT_EQ(log.GetEntryCount(), 0u);
    EXPECT_EQ(listener.received, std::vector<std::string>{"list-updated"});
}

TEST(ResultsLog, ABlockCutShortGivesEmptyEntriesForWhatIsMissing) {
    auto stream = Bytes().Int32(0).Int32(3).Int32(3).Text("only one").Int32(0).Stream();
    ResultsLog log;
    log.ReadEntries(*stream);
    ASSERT_EQ(log.GetEntryCount(), 3u);
    EXPECT_STREQ(log.GetEntry(0).text.c_str(), "only one");
    for (std::size_t i = 1; i < 3; ++i) {
        ResultsLogEntry entry = log.GetEntry(i);
        EXPECT_EQ(entry.severity, 0);
        EXPECT_TRUE(entry.text.IsEmpty());
        EXPECT_TRUE(entry.property.IsNull());
    }
    EXPECT_EQ(log.GetErrorCount(), 1);
    EXPECT_EQ(stream->GetError(), TStream::kErrorPastEnd);
}

TEST(ResultsLog, ADamagedCountIsRefusedInsteadOfFillingMemory) {
    for (int32_t count : {ResultsLog::kMaxWireEntries + 1, 0x7FFFFFFF}) {
        auto stream = Bytes().Int32(0).Int32(count).Int32(3).Text("x").Int32(0).Stream();
        ResultsLog log;
        Listener listener;
        NuMessagePipe pipe(log, &listener, nullptr);
        log.ReadEntries(*stream);
        EXPECT_EQ(log.GetEntryCount(), 0u);
        EXPECT_EQ(stream->GetError(), TStream::kErrorMemory);
        EXPECT_EQ(listener.received, std::vector<std::string>{"list-updated"});
    }
}

// A bounded read keeps the first entries within both bounds and answers how
// many of the block's entries it dropped: the first entry past a bound and
// all after it, whatever their size.
TEST(ResultsLog, ABoundedReadKeepsWhatFitsAndCountsTheRest) {
    struct Case {
        const char* what;
        std::size_t maxEntries;
        std::size_t maxTextBytes;
        std::vector<std::string> kept;
        std::size_t dropped;
    };
    const Case cases[] = {
        {"both bounds wide", 10, 100, {"abc", "de", "fghij", "", "k"}, 0},
        {"the count", 2, 100, {"abc", "de"}, 3},
        {"the text, exactly full", 10, 5, {"abc", "de"}, 3},
        {"the text, one byte short", 10, 4, {"abc"}, 4},
        {"nothing", 0, 100, {}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto stream = Bytes()
                          .Int32(0)
                          .Int32(5)
                          .Int32(1).Text("abc").Int32(0)
                          .Int32(2).Text("de").Int32(0)
                          .Int32(3).Text("fghij").Int32(0)
                          .Int32(1).Text("").Int32(0)
                          .Int32(1).Text("k").Int32(0)
                          .Stream();
        ResultsLog log;
        EXPECT_EQ(log.ReadEntries(*stream, c.maxEntries, c.maxTextBytes), c.dropped);
        ASSERT_EQ(log.GetEntryCount(), c.kept.size());
        for (std::size_t i = 0; i < c.kept.size(); ++i) EXPECT_STREQ(log.GetEntry(i).text.c_str(), c.kept[i].c_str());
    }
    // A block that announces a million entries in a few bytes: the bound
    // is all it costs.
    auto announced = Bytes().Int32(0).Int32(ResultsLog::kMaxWireEntries).Stream();
    ResultsLog log;
    EXPECT_EQ(log.ReadEntries(*announced, 1000, 100), static_cast<std::size_t>(ResultsLog::kMaxWireEntries - 1000));
    EXPECT_EQ(log.GetEntryCount(), 1000u);
}

TEST(ResultsLog, EntriesSurviveTheWireRoundTrip) {
    ResultsLog sent;
    sent.AddEntry(ResultsLogEntry::kWarning, AssetProperty(KUID(-5, 100, 127)), "caf\xC3\xA9", nullptr);
    sent.AddEntry(ResultsLogEntry::kSuccess, "done");
    TBuffer stream;
    sent.WriteEntries(stream, 0);
    stream.Rewind();
    ResultsLog received;
    received.ReadEntries(stream);
    ASSERT_EQ(received.GetEntryCount(), 2u);
    EXPECT_STREQ(received.GetEntry(0).text.c_str(), "caf\xC3\xA9");
    EXPECT_EQ(AssetOf(received.GetEntry(0)), KUID(-5, 100, 127));
    EXPECT_EQ(received.GetEntry(1).severity, ResultsLogEntry::kSuccess);
}

TEST(ResultsLog, DestructionUnregistersEveryTransactionAndNotifies) {
    Listener listener;
    auto log = std::make_unique<ResultsLog>();
    ResultsLog* raw = log.get();
    ResultsLog other;
    RegisterTransactionLog(11, raw);
    RegisterTransactionLog(12, raw);
    RegisterTransactionLog(13, &other);
    EXPECT_EQ(FindTransactionLog(12), raw);
    NuMessagePipe pipe(*log, &listener, nullptr);
    log.reset();
    EXPECT_EQ(FindTransactionLog(11), nullptr);
    EXPECT_EQ(FindTransactionLog(12), nullptr);
    EXPECT_EQ(FindTransactionLog(13), &other);
    EXPECT_EQ(listener.received, std::vector<std::string>{"list-destroyed"});
    EXPECT_FALSE(pipe.IsLinked());

    RegisterTransactionLog(13, raw);  // replaces the earlier log of that id
    EXPECT_EQ(FindTransactionLog(13), raw);
    UnregisterTransactionLog(13);
    UnregisterTransactionLog(13);
    EXPECT_EQ(FindTransactionLog(13), nullptr);
}

}  // namespace
