#pragma once
// Test-side listing of bytecode as one text per instruction: the mnemonic
// without its "OP_" prefix and the operands, e.g. "LoadLocal 1",
// "JumpIfZero 17", "Call -1 0", "Switch [1->20 5->26] default 32". With the
// library the code belongs to, string operands are shown as their texts
// (PushString "n=", Wait ["a","b"->11]) and class operands as the names of
// their class imports (NewObject Train).
#include <cstdint>
#include <string>
#include <vector>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gscompiler/libsupport/GSLibraryImageReader.h"

namespace GSTest {

inline std::vector<std::string> ListBytecode(const std::vector<uint8_t>& code, const LibraryImage* library = nullptr) {
    auto text = [&](uint32_t index) {
        return library && index < library->strings.size() ? "\"" + library->strings[index] + "\""
                                                          : std::to_string(index);
    };
    auto className = [&](uint32_t index) {
        return library && index < library->classImports.size() ? library->String(library->classImports[index].second)
                                                                : std::to_string(index);
    };
    std::vector<std::string> out;
    const uint32_t length = static_cast<uint32_t>(code.size());
    for (uint32_t offset = 0; offset < length;) {
        GSInstruction in;
        if (!GSDecodeInstruction(code.data(), length, offset, in)) {
            out.push_back("<undecodable byte " + std::to_string(code[offset]) + ">");
            break;
        }
        const GSInstructionInfo* info = GSInstructionInfoOf(in.opcode);
        std::string line = info->mnemonic + 3;
        switch (info->operands) {
            case GSOperands::None:
                break;
            case GSOperands::StringIndex:
                line += " " + text(static_cast<uint32_t>(in.first));
                break;
            case GSOperands::ClassIndex:
                line += " " + className(static_cast<uint32_t>(in.first));
                break;
            case GSOperands::CodeOffset:
                line += " " + std::to_string(static_cast<uint32_t>(in.first));
                break;
            case GSOperands::Call:
                line += " " + std::to_string(in.first) + " " + std::to_string(in.second);
                break;
            case GSOperands::Switch: {
                line += " [";
                for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i) {
                    if (i) line += " ";
                    line += std::to_string(GSSwitchKey(code.data(), in, i)) + "->" +
                            std::to_string(GSSwitchTarget(code.data(), in, i));
                }
                line += "] default " + std::to_string(GSSwitchDefault(code.data(), in));
                break;
            }
            case GSOperands::Wait: {
                line += " [";
                for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i) {
                    if (i) line += " ";
                    line += text(GSWaitMajor(code.data(), in, i)) + "," + text(GSWaitMinor(code.data(), in, i)) + "->" +
                            std::to_string(GSWaitHandler(code.data(), in, i));
                }
                line += "]";
                break;
            }
            default:
                line += " " + std::to_string(in.first);
                break;
        }
        out.push_back(line);
        offset += in.length;
    }
    return out;
}

}  // namespace GSTest
