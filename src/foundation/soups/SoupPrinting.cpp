#include "foundation/soups/SoupPrinting.h"

#include <cstdio>

#include "foundation/soups/SoupLog.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"

std::string SoupAsText(const SoupHandle& soup) {
    TBuffer buffer;
    WriteTextSoup(soup, buffer);
    return std::string(reinterpret_cast<const char*>(buffer.GetData()),
                       static_cast<std::size_t>(buffer.GetDataSize()));
}

void LogSoupAsText(const SoupHandle& soup) { SoupLogPrintf("%s", SoupAsText(soup).c_str()); }

void PrintSoupAsText(const SoupHandle& soup) {
    std::string text = SoupAsText(soup);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
