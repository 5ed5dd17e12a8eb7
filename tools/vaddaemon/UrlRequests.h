#pragma once
// The URL requests the daemon carries out for its clients (operations 230,
// 231, 232). The stand-in fetches nothing: the scenario maps URLs to local
// files (Scenario.h, "urls"), and a request for a URL is complete as soon
// as it starts.
//
// A status on the wire: byte finished; int32 result code; int32 second and
// third values (0); string result file (plain form); interned string result
// text (the location name when the file lies inside one, else empty).
//
// The start (230) answers the new handle with a status that is not finished
// yet; the finished status follows as a status notice (type 4: the handle,
// then the status), which is how the daemon tells a client that a request
// ended. A status request (232) answers the finished status. A mapped URL
// finishes with its result code (200 unless the scenario gives "code") and
// its file; any other URL with 404
// and no file. A handle that is not known (released, or never given)
// answers finished with the result code 0 and no file.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class TStream;

struct UrlMapping {
    std::string url;
    std::string file;
    std::string location;
    // The result code the finished request answers: 200 (found) unless the
    // scenario names another, as the sign-in URL's 0 (signed in) or 3
    // (refused).
    int32_t code = 200;
};

class UrlRequests {
public:
    explicit UrlRequests(std::vector<UrlMapping> mappings) : m_mappings(std::move(mappings)) {}

    // A new handle for the URL. Writes the start reply (the handle and the
    // status not finished yet) and makes the status notice's payload (the
    // handle and the finished status).
    int64_t Start(const std::string& url, TStream& reply, std::vector<uint8_t>& notice);
    void Status(int64_t handle, TStream& reply);
    void Release(int64_t handle);

private:
    struct Result {
        int32_t code = 0;
        std::string file;
        std::string location;
    };
    static void WriteStatus(TStream& stream, bool finished, const Result& result);

    std::vector<UrlMapping> m_mappings;
    std::mutex m_lock;
    std::map<int64_t, Result> m_requests;
    int64_t m_next = 1;
};
