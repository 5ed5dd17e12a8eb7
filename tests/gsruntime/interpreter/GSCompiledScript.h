#pragma once
// Compiles a GameScript source with the compiler into a library image,
// registers it with the script machine and loads it, for tests that run
// what the compiler generates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/File.h"
#include "foundation/containers/GSLibraryBuffer.h"
#include "foundation/text/CRC32.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/IncludePath.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/support/GSTestSupport.h"

namespace GSTest {

// Compiles `source` as `name` (".gs") in the folder of `root`, writes the
// image as "<name>l" there and loads it; null, with the compiler's
// messages reported, when any step fails.
inline GSRuntime::GSLibrary* CompileAndLoad(const TempRoot& root, const std::string& name, const std::string& source) {
    {
        std::ofstream out(root.Path() + "/" + name, std::ios::binary | std::ios::trunc);
        out << source;
    }
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(root.Path()), Vek::PString()));
    GSCompileContext compiler;
    GSCompileLog log;
    const int errors = compiler.Compile(name.c_str(), &log);
    std::vector<uint8_t> image;
    if (errors == 0) {
        GSLibraryBuffer buffer;
        buffer.Init(1024);
        if (compiler.WriteLibrary(buffer, &log, name.c_str()))
            image.assign(buffer.Data(), buffer.Data() + buffer.Length());
    }
    ClearIncludePaths(IncludePaths());
    if (image.empty()) {
        for (int i = 0; i < log.Count(); ++i) ADD_FAILURE() << log.At(i);
        ADD_FAILURE() << "could not compile " << name;
        return nullptr;
    }
    const std::string file = name + "l";
    root.Write(file, image);
    // VORLEX_KEEP_LIBRARIES names a folder that collects every library the
    // tests compile (the fuzz seeds are made this way).
    if (const char* keep = std::getenv("VORLEX_KEEP_LIBRARIES")) {
        const uint32_t crc = ComputeCRC32(image.data(), image.size());
        std::ofstream out(std::string(keep) + "/" + file + "." + std::to_string(crc), std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
    if (!machine->AddLibrary(root.Root(), "", file.c_str(), nullptr)) {
        ADD_FAILURE() << "could not register " << file;
        return nullptr;
    }
    GSRuntime::GSLibrary* library = machine->GetLibraryByName(file.c_str());
    if (!library) ADD_FAILURE() << "could not load " << file;
    return library;
}

// The function of a class with that signature, or null.
inline GSRuntime::GSFunction* FindFunction(GSRuntime::GSLibrary* library, const char* cls,
                                           const std::string& signature) {
    GSRuntime::GSClass* found = library ? library->FindClass(cls) : nullptr;
    const int32_t index = found ? found->FindFunctionIndex(signature.c_str()) : -1;
    return index < 0 ? nullptr : found->GetFunction(static_cast<uint32_t>(index));
}

}  // namespace GSTest
