#include "vaddaemon/Scenario.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/BufferStream.h"

namespace {

std::vector<std::string> Items(const SoupHandle& container) {
    std::vector<std::string> items;
    for (int32_t i = 0; i < container.Count(); ++i)
        items.push_back(container.GetString(container.GetTagName(i)).c_str());
    return items;
}

bool ParseAction(const char* text, ScenarioRule::Action& action) {
    static const struct {
        const char* name;
        ScenarioRule::Action action;
    } kActions[] = {{"reply", ScenarioRule::kReply},
                    {"carry", ScenarioRule::kCarry},
                    {"drop-reply", ScenarioRule::kDropReply},
                    {"drop-link", ScenarioRule::kDropLink},
                    {"exit", ScenarioRule::kExit},
                    {"keep-running", ScenarioRule::kKeepRunning}};
    if (!*text) return true;
    for (const auto& entry : kActions) {
        if (std::strcmp(entry.name, text) == 0) {
            action = entry.action;
            return true;
        }
    }
    return false;
}

// Waits a scenario names are bounded: a value outside 0 to a minute (a
// negative one would wrap to weeks, a large one reach poll as "forever")
// gives `otherwise`.
constexpr int32_t kMaxWaitMs = 60000;

uint32_t WaitMs(int32_t value, uint32_t otherwise) {
    return value >= 0 && value <= kMaxWaitMs ? static_cast<uint32_t>(value) : otherwise;
}

bool ParseNumber(const std::string& text, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 0);
    return end && end != text.c_str() && *end == '\0' && errno != ERANGE;
}

// A number that the item's bytes hold, signed or not: "int32 4294967295"
// and "byte -1" are the all-ones forms; anything wider is a bad item.
bool Fits(long long value, int bits) {
    return value >= -(1LL << (bits - 1)) && value < (1LL << bits);
}

}  // namespace

bool Scenario::Load(const std::string& path, std::string& error) {
    SoupHandle soup;
    if (!LoadSoupFile(soup, Vek::PString(), path.c_str(), "txt")) {
        error = "cannot read the scenario " + path;
        return false;
    }
    refuseAttach = soup.GetInt("refuse-attach", 0) != 0;
    dropHello = soup.GetInt("drop-hello", 0) != 0;
    readOnlyStore = soup.GetInt("read-only-store", 0) != 0;
    repairStepMs = WaitMs(soup.GetInt("repair-step-ms", 0), 0);
    if (soup.HasTag("hello-tag")) helloTag = soup.GetString("hello-tag").c_str();
    if (helloTag.size() != 4) {
        error = "hello-tag must have four characters";
        return false;
    }
    SoupHandle names = soup.GetContainer("users");
    for (int32_t i = 0; i < names.Count(); ++i) {
        const Vek::PString tag = names.GetTagName(i);
        long long user = 0;
        if (!ParseNumber(tag.c_str(), user) || user < KUID::kMinUserID || user > KUID::kMaxUserID) {
            error = std::string("users: not a user id: ") + tag.c_str();
            return false;
        }
        users.emplace_back(static_cast<int32_t>(user), names.GetString(tag).c_str());
    }
    SoupHandle urlList = soup.GetContainer("urls");
    for (int32_t i = 0; i < urlList.Count(); ++i) {
        SoupHandle entry = urlList.GetContainerAt(i);
        urls.push_back(UrlMapping{entry.GetString("url").c_str(), entry.GetString("file").c_str(),
                                  entry.GetString("location").c_str(), entry.GetInt("code", 200)});
    }
    SoupHandle jobList = soup.GetContainer("jobs");
    for (int32_t i = 0; i < jobList.Count(); ++i) {
        SoupHandle entry = jobList.GetContainerAt(i);
        jobs.push_back(ScenarioJob{WaitMs(entry.GetInt("delay-ms", 0), 0), Items(entry.GetContainer("payload"))});
    }
    SoupHandle list = soup.GetContainer("rules");
    for (int32_t i = 0; i < list.Count(); ++i) {
        SoupHandle r = list.GetContainerAt(i);
        ScenarioRule rule;
        rule.op = r.GetInt("op", -1);
        rule.times = r.GetInt("times", 0);
        rule.delayMs = WaitMs(r.GetInt("delay-ms", 0), 0);
        SoupHandle notices = r.GetContainer("notices");
        for (int32_t n = 0; n < notices.Count(); ++n) {
            SoupHandle entry = notices.GetContainerAt(n);
            ScenarioNotice notice;
            notice.type = entry.GetInt("type", 0);
            notice.payload = Items(entry.GetContainer("payload"));
            rule.notices.push_back(std::move(notice));
        }
        SoupHandle question = r.GetContainer("question");
        if (!question.IsEmpty()) {
            rule.hasQuestion = true;
            rule.questionText = question.GetString("text").c_str();
            rule.questionAsset = KUID::Parse(question.GetString("kuid").c_str(), false);
            rule.questionTimeoutMs = WaitMs(question.GetInt("timeout-ms", 5000), 5000);
        }
        rule.reply = Items(r.GetContainer("reply"));
        if (!ParseAction(r.GetString("action").c_str(), rule.action)) {
            error = std::string("unknown action ") + r.GetString("action").c_str();
            return false;
        }
        rules.push_back(std::move(rule));
    }
    m_used.assign(rules.size(), 0);
    return true;
}

bool Scenario::Match(int32_t op, ScenarioRule& rule) {
    std::lock_guard<std::mutex> hold(m_lock);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const ScenarioRule& candidate = rules[i];
        if (candidate.op != -1 && candidate.op != op) continue;
        if (candidate.times > 0 && m_used[i] >= candidate.times) continue;
        ++m_used[i];
        rule = candidate;
        return true;
    }
    return false;
}

bool BuildPayload(const std::vector<std::string>& items, int32_t transactionId, std::vector<uint8_t>& out,
                  std::string& error) {
    TBuffer stream;
    for (const std::string& item : items) {
        std::size_t blank = item.find(' ');
        std::string kind = item.substr(0, blank);
        std::string value = blank == std::string::npos ? std::string() : item.substr(blank + 1);
        long long number = 0;
        bool ok = true;
        if (kind == "tid") {
            stream.WriteInt32(transactionId);
        } else if (kind == "int32" && (ok = ParseNumber(value, number) && Fits(number, 32))) {
            stream.WriteInt32(static_cast<int32_t>(number));
        } else if (kind == "int64" && (ok = ParseNumber(value, number))) {
            stream.WriteInt64(static_cast<int64_t>(number));
        } else if (kind == "byte" && (ok = ParseNumber(value, number) && Fits(number, 8))) {
            stream.WriteByte(static_cast<uint8_t>(number));
        } else if (kind == "float") {
            stream.WriteFloat(std::strtof(value.c_str(), nullptr));
        } else if (kind == "string") {
            stream.WriteString(value.c_str());
        } else if (kind == "pstring") {
            stream.WritePString(value.c_str());
        } else if (kind == "kuid") {
            stream.WriteKUID(KUID::Parse(value.c_str(), false));
        } else if (kind == "hex") {
            if (value.size() % 2) ok = false;
            for (std::size_t i = 0; ok && i < value.size(); i += 2) {
                // Two hex digits each: strtol alone would take a sign or a
                // blank ("-1", " f") as a byte.
                const char digits[3] = {value[i], value[i + 1], 0};
                ok = std::isxdigit(static_cast<unsigned char>(digits[0])) &&
                     std::isxdigit(static_cast<unsigned char>(digits[1]));
                if (ok) stream.WriteByte(static_cast<uint8_t>(std::strtol(digits, nullptr, 16)));
            }
        } else {
            ok = false;
        }
        if (!ok) {
            error = "bad payload item '" + item + "'";
            return false;
        }
    }
    out.assign(stream.GetData(), stream.GetData() + stream.GetDataSize());
    return true;
}
