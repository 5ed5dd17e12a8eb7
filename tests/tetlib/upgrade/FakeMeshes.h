#pragma once
// Mesh holders that load from a fixed table instead of mesh files: a file
// named in the table loads and offers its attachment points, both as the
// holder's attachment list and as particles below the holder; any other
// file fails. Every load and animation load is recorded, with '\' shown
// as '/'.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tetlib/upgrade/MeshDataFactory.h"

namespace UpgradeTest {

struct MeshLog {
    std::vector<std::string> loads;
    std::vector<std::string> animations;
};

inline std::string Slashed(const char* path) {
    std::string out = path ? path : "";
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

class FakeMeshData : public TETLib::MeshData {
public:
    FakeMeshData(const std::map<std::string, std::vector<std::string>>& files, MeshLog& log)
        : m_files(files), m_log(log) {}

    bool Load(const Vek::PString& fileName, TETLib::Container*) override {
        const std::string path = Slashed(fileName.c_str());
        m_log.loads.push_back(path);
        const auto file = m_files.find(path);
        if (file == m_files.end()) return false;
        for (const std::string& point : file->second) {
            auto* particle = new Vek::Particle();
            particle->SetName(point.c_str());
            Add(particle);
            TETLib::MeshData::Attachment attachment;
            attachment.name = point.c_str();
            attachments.push_back(attachment);
        }
        return true;
    }
    bool LoadAnimation(const Vek::PString& animationName) override {
        m_log.animations.push_back(Slashed(animationName.c_str()));
        return true;
    }

private:
    const std::map<std::string, std::vector<std::string>>& m_files;
    MeshLog& m_log;
};

class FakeMeshes : public TETLib::MeshDataFactory {
public:
    // Mesh files by their path ('/' separators) and their attachment points.
    std::map<std::string, std::vector<std::string>> files;
    mutable MeshLog log;

    std::unique_ptr<TETLib::MeshData> Make() const override { return std::make_unique<FakeMeshData>(files, log); }
};

}  // namespace UpgradeTest
