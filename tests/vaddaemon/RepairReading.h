#pragma once
// The log lines of a transaction and the repair's progress (operation 4),
// taken apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vaddaemon/RawLink.h"

namespace VorlexTest {

struct Line {
    int32_t severity = 0;
    std::string text;
    std::string asset;  // the asset-id property's value, or empty
};

// The log lines of one transaction, from every notice of type 3 for it:
// id, status 0, count, then severity, text and property per entry.
inline std::vector<Line> LinesOf(const RawLink& link, int32_t id) {
    std::vector<Line> lines;
    for (const RawLink::Frame& notice : link.notices) {
        BodyReader read(notice.body);
        if (notice.word != 3 || read.Word() != id) continue;
        EXPECT_EQ(read.Word(), 0) << "status";
        const int32_t count = read.Word();
        for (int32_t i = 0; i < count && read.ok; ++i) {
            Line line;
            line.severity = read.Word();
            line.text = read.Text();
            if (read.Word() == 8) {
                EXPECT_EQ(read.Interned(), "AssetID");
                line.asset = read.Interned();
            }
            lines.push_back(line);
        }
        EXPECT_TRUE(read.ok && read.Left() == 0);
    }
    return lines;
}

struct Progress {
    int running = -1;
    Bytes fraction;
    std::string status;
};

inline Progress AskProgress(RawLink& link) {
    const Bytes body = link.Request(4, Bytes());
    BodyReader read(body);
    Progress progress;
    progress.running = read.Byte();
    progress.fraction = read.Take(4);
    progress.status = read.Text();
    EXPECT_TRUE(read.ok && read.Left() == 0);
    return progress;
}

}  // namespace VorlexTest
