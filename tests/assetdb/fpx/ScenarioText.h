#pragma once
// The text of a stand-in daemon scenario ("rules" of VADDAEMON_SCENARIO),
// one tag per line as the text-soup reader wants it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace FpxTest {

struct ScenarioNoticeText {
    int32_t type = 0;
    std::vector<std::string> payload;  // items: "int32 3", "pstring a", ...
};

struct ScenarioRuleText {
    int32_t op = -1;
    int32_t times = 0;                 // 0: every matching frame
    bool hasReply = false;
    std::vector<std::string> reply;    // items, as for notices
    std::string action;                // empty: the default ("reply")
    std::vector<ScenarioNoticeText> notices;
};

inline std::string ScenarioItems(const std::vector<std::string>& items, const std::string& indent) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += indent + std::to_string(i) + " \"" + items[i] + "\"\n";
    return text;
}

inline std::string ScenarioRules(const std::vector<ScenarioRuleText>& rules) {
    std::string text = "rules\n{\n";
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const ScenarioRuleText& rule = rules[i];
        text += "  " + std::to_string(i) + "\n  {\n";
        text += "    op " + std::to_string(rule.op) + "\n";
        if (rule.times > 0) text += "    times " + std::to_string(rule.times) + "\n";
        if (!rule.action.empty()) text += "    action \"" + rule.action + "\"\n";
        if (!rule.notices.empty()) {
            text += "    notices\n    {\n";
            for (std::size_t n = 0; n < rule.notices.size(); ++n) {
                text += "      " + std::to_string(n) + "\n      {\n";
                text += "        type " + std::to_string(rule.notices[n].type) + "\n";
                text += "        payload\n        {\n" + ScenarioItems(rule.notices[n].payload, "          ") +
                        "        }\n      }\n";
            }
            text += "    }\n";
        }
        if (rule.hasReply) text += "    reply\n    {\n" + ScenarioItems(rule.reply, "      ") + "    }\n";
        text += "  }\n";
    }
    return text + "}\n";
}

}  // namespace FpxTest
