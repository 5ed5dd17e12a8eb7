#pragma once
// The record of every frame the daemon receives, one line each, appended to
// a file; every connection's lines start with its number ("c1 ..."):
//   c1 hello tag=VADC version=350 build=47059 kind=1 path=TEXT
//   c1 frame op=2 id=5 length=3 payload=0a0b0c
//   c1 goodbye
//   c1 end            (the peer closed the link without a goodbye)
//   c1 bad TEXT       (a hello or frame that broke the rules; the link is
//                     closed)
//   c1 bad store TEXT (the hello named another database: the link is
//                     closed; or the store could not be opened: the link
//                     serves on, answering every request but the repair's
//                     with the reason)
//   c1 bad payload op=2 id=5
//                     (a payload cut short or with counts beyond its
//                     bytes: nothing was done, the reply is empty)
//   c1 unanswered question id=5
//                     (a scripted question got no answer in its time)
//   c1 scenario TEXT  (a scenario payload item that could not be built)
// Payloads longer than 4096 bytes show their first 4096 bytes and "...".
#include <cstdint>
#include <mutex>
#include <string>

class Transcript {
public:
    // No file: lines go nowhere.
    bool Open(const std::string& path);
    ~Transcript();
    void Line(int connection, const std::string& text);
    // Whether lines go anywhere (callers skip making costly ones).
    bool IsOpen() const { return m_fd >= 0; }

    static std::string Hex(const uint8_t* data, std::size_t size);

private:
    std::mutex m_lock;
    int m_fd = -1;
};
