#pragma once
// A fresh temporary folder for one test, removed with everything in it.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace VorlexTest {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorlex-test-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        if (made) m_path = made;
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty()) {
            // Make everything writable again so a test's read-only folder goes too.
            for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
                 !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
            std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
            std::filesystem::remove_all(m_path, ec);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}  // namespace VorlexTest
