#include "foundation/soups/SoupPrinting.h"

#include <cstdio>

#include "foundation/soups/SoupLog.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"

bool SoupAsText(const SoupHandle& soup, std::string& text) {
    text.clear();
    TBuffer buffer;
    if (!WriteTextSoup(soup, buffer)) return false;
    text.assign(reinterpret_cast<const char*>(buffer.GetData()), static_cast<std::size_t>(buffer.GetDataSize()));
    return true;
}

std::string SoupAsText(const SoupHandle& soup) {
    std::string text;
    SoupAsText(soup, text);
    return text;
}

bool LogSoupAsText(const SoupHandle& soup) { return LogSoupAsTextWithin(soup, SoupWalkLimit{}) == TextSoupWrite::kWritten; }

TextSoupWrite LogSoupAsTextWithin(const SoupHandle& soup, const SoupWalkLimit& limit) {
    TBuffer buffer;
    const TextSoupWrite written = WriteTextSoupWithin(soup, buffer, limit);
    if (written == TextSoupWrite::kTooDeep)
        SoupLogPrintf("LogSoupAsText> soup nested deeper than %d containers; not written", kMaxTextSoupDepth);
    if (written != TextSoupWrite::kWritten) return written;
    const std::string text(reinterpret_cast<const char*>(buffer.GetData()),
                           static_cast<std::size_t>(buffer.GetDataSize()));
    SoupLogPrintf("%s", text.c_str());
    return written;
}

bool PrintSoupAsText(const SoupHandle& soup) {
    std::string text;
    if (!SoupAsText(soup, text)) return false;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return true;
}
