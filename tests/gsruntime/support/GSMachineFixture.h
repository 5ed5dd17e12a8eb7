#pragma once
// A fixture for tests that register and load libraries through the script
// machine: a temporary root to write library files into, a capture of the
// log, and id pairs of this test's own (the machine is process-wide, so the
// pairs of one test must not meet those of another when the tests share a
// process).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/text/CRC32.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/support/GSImageBuilder.h"
#include "gsruntime/support/GSTestSupport.h"

namespace GSTest {

class MachineTest : public ::testing::Test {
protected:
    MachineTest() : machine(GSRuntime::GSMachine::Instance()) {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(info->test_suite_name()) + "." + info->name();
        m_seed = ComputeCRC32(name.data(), name.size());
    }

    // The n-th id pair of this test; pairs with the same `family` share b.
    GSRuntime::GSLibraryId Id(uint32_t n, uint32_t family = 0) const {
        return GSRuntime::GSLibraryId{m_seed * 7919u + n * 104729u + 1, m_seed + 0x10000u * (family ? family : n + 1)};
    }

    // Writes `bytes` as `file` and registers it; the registration's result.
    bool Register(const std::string& file, const std::vector<uint8_t>& bytes, GSRuntime::GSLibraryId* out = nullptr) {
        root.Write(file, bytes);
        return machine->AddLibrary(root.Root(), "", file.c_str(), out);
    }

    // A 20-byte header and nothing else.
    static std::vector<uint8_t> Header(GSRuntime::GSLibraryId id, uint32_t magic = GSRuntime::kGSLibraryMagic,
                                       uint32_t lengthWord = 20, uint32_t version = 0x3F828F5C) {
        std::vector<uint8_t> bytes;
        for (uint32_t word : {lengthWord, magic, version, id.a, id.b})
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(word >> (8 * i)));
        return bytes;
    }

    // A library of one class `className` with no functions but its
    // initialisation, depending on itself only.
    static ImageBuilder Simple(const std::string& name, GSRuntime::GSLibraryId id, const std::string& className) {
        ImageBuilder image(name, id.a, id.b);
        image.ClassImport(0, className);
        image.Class(className);
        return image;
    }

    GSRuntime::GSMachine* machine;
    TempRoot root;
    LogCapture log;

private:
    uint32_t m_seed = 0;
};

}  // namespace GSTest
